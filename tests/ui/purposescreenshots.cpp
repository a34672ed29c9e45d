#include "tests/ui/purposescreenshots.h"

#include "design/designrun.h"
#include "purpose/purposewindow.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QStackedWidget>

#include <cstdio>

namespace zorkan::ui::test {

bool renderSpecialFiltersScreenshots(Program& program, const QString& folder) {
    TForm1& main = program.main();
    main.command("SpecialFilters")->trigger();
    auto* form = main.findChild<SpecialFiltersWindow*>();
    if (!form) {
        std::printf("FAILED SpecialFilters opened no special filters window\n");
        return false;
    }
    auto* pages = form->findChild<QComboBox*>(QStringLiteral("PageChoice"));
    const char* const names[] = {"special-1-equaliser", "special-2-audio", "special-3-notch",
                                 "special-4-comb",      "special-5-delay", "special-6-analog"};
    bool ok = true;
    // The equaliser of an elliptic low-pass filter, after its run.
    DesignRequest request;
    request.approximation = 3;
    request.da = 1;
    request.b1 = 40;
    const QString filter = program.path(QStringLiteral("special.flt"));
    designFilter(request, program.path(QStringLiteral("special.out")).toStdString(),
                 filter.toStdString(), {});
    form->findChild<QLineEdit*>(QStringLiteral("EditFile"))->setText(filter);
    form->findChild<QLineEdit*>(QStringLiteral("EditF2"))->setText(QStringLiteral("0.18"));
    form->findChild<QLineEdit*>(QStringLiteral("EditOrder"))->setText(QStringLiteral("6"));
    QSignalSpy done(form, &SpecialFiltersWindow::equaliserFinished);
    if (!form->runEqualiser() || !done.wait(300000)) {
        std::printf("FAILED the equaliser's run did not end\n");
        ok = false;
    }
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        ok = saveScreenshot(form->parentWidget(), folder, names[page]) && ok;
    }
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
