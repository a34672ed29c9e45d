#include "tests/ui/advicescreenshots.h"

#include "advice/advicewindow.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <cstdio>

namespace zorkan::ui::test {

bool renderAdviceScreenshots(Program& program, const QString& folder) {
    TForm1& main = program.main();
    main.command("FilterAdvice")->trigger();
    auto* form = main.findChild<AdviceWindow*>();
    if (!form) {
        std::printf("FAILED FilterAdvice opened no comparison window\n");
        return false;
    }
    // A low-pass with 0.5 dB ripple up to 0.2 FD and 60 dB from 0.25 FD.
    const char* const fields[][2] = {
        {"EditF1", "0.2"}, {"EditF4", "0.25"}, {"EditDA", "0.5"}, {"EditB1", "60"}};
    for (const auto& field : fields)
        form->findChild<QLineEdit*>(QString::fromLatin1(field[0]))
            ->setText(QString::fromLatin1(field[1]));
    form->findChild<QPushButton*>(QStringLiteral("CompareButton"))->click();
    bool ok = true;
    if (form->findChild<QTableWidget*>(QStringLiteral("CandidateTable"))->rowCount() == 0) {
        std::printf("FAILED the comparison listed no candidate\n");
        ok = false;
    }
    ok = saveScreenshot(form->parentWidget(), folder, "advice") && ok;
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
