#include "tests/ui/implementationscreenshots.h"

#include "design/designrun.h"
#include "fixedpoint/implementationwindow.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>

#include <cstdio>

namespace zorkan::ui::test {

bool renderImplementationScreenshots(Program& program, const QString& folder) {
    DesignRequest request;
    request.approximation = 2;
    request.da = 0.5;
    request.b1 = 50;
    const QString flt = program.path(QStringLiteral("cheb.flt"));
    const QString out = program.path(QStringLiteral("cheb.out"));
    designFilter(request, out.toStdString(), flt.toStdString(), {});
    TForm1& main = program.main();
    main.command("FilterImplementation")->trigger();
    auto* form = main.findChild<ImplementationWindow*>();
    if (!form) {
        std::printf("FAILED FilterImplementation opened no implementation window\n");
        return false;
    }
    form->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(flt);
    form->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(out);
    QSignalSpy done(form, &ImplementationWindow::finished);
    if (!form->BitBtn3Click() || !done.wait(30000)) {
        std::printf("FAILED the implementation window computed nothing\n");
        return false;
    }
    auto* pages = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    const char* names[] = {"implementation-1-magnitude", "implementation-2-noise",
                           "implementation-3-limit-cycle", "implementation-4-variants"};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        pages->setCurrentIndex(i);
        ok = saveScreenshot(form, folder, names[i]) && ok;
    }
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
