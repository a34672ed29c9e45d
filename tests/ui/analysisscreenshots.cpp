#include "tests/ui/analysisscreenshots.h"

#include "analysis/analysiswindow.h"
#include "coefficients/quantise.h"
#include "design/designrun.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QTabWidget>

#include <cstdio>

namespace zorkan::ui::test {

bool renderAnalysisScreenshots(Program& program, const QString& folder) {
    DesignRequest request;
    request.approximation = 3;
    request.f1 = 0.25;
    request.f2 = 0.15;
    request.f3 = 0.1;
    request.f4 = 0.3;
    const std::string designed = program.path(QStringLiteral("bp.flt")).toStdString();
    const std::string quantised = program.path(QStringLiteral("bp-q2.flt")).toStdString();
    designFilter(request, program.path(QStringLiteral("bp.out")).toStdString(), designed, {});
    FilterCoefficients filter = readFilterFile(designed, responseReader);
    quantiseSections(filter.sections, 2, NumberBase::Decimal);
    writeFilterInCellForm(quantised, filter);

    TForm1& main = program.main();
    main.command("FilterAnalysis")->trigger();
    auto* form = main.findChild<AnalysisWindow*>();
    if (!form) {
        std::printf("FAILED FilterAnalysis opened no analysis window\n");
        return false;
    }
    bool ok = saveScreenshot(form, folder, "analysis-last-design");
    form->openFiles(QString::fromStdString(designed), QString::fromStdString(quantised));
    ok = saveScreenshot(&main, folder, "main-with-analysis") && ok;
    auto* pages = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    const char* names[analysisPageCount] = {"analysis-1-zplane",    "analysis-2-group-delay",
                                            "analysis-3-impulse",   "analysis-4-step",
                                            "analysis-5-magnitude", "analysis-6-difference"};
    for (int i = 0; i < analysisPageCount; ++i) {
        pages->setCurrentIndex(i);
        ok = saveScreenshot(form, folder, names[i]) && ok;
    }
    // The same window made larger by its frame: the pictures grow with it.
    form->parentWidget()->resize(1500, 900);
    const char* large[] = {"analysis-large-zplane", "analysis-large-magnitude",
                           "analysis-large-difference"};
    const AnalysisPage largePages[] = {AnalysisPage::ZPlane, AnalysisPage::Magnitude,
                                       AnalysisPage::Difference};
    for (int i = 0; i < 3; ++i) {
        pages->setCurrentIndex(static_cast<int>(largePages[i]));
        ok = saveScreenshot(form, folder, large[i]) && ok;
    }
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
