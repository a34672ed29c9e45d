#include "tests/ui/implementationscreenshots.h"

#include "charts/chartplot_qt.h"
#include "coefficients/filterfile.h"
#include "design/designrun.h"
#include "fir/firfile.h"
#include "fixedpoint/implementationwindow.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace zorkan::ui::test {

namespace {

// A front measured here, for the picture, when the search itself refuses: a few
// structures at a few data words, each simulated, kept where no other is both cheaper
// and quieter.
SearchResult measuredFront(const QString& flt, double snrTarget) {
    const FilterCoefficients filter = readAnalysedFilter(flt.toStdString());
    std::vector<Candidate> all;
    for (Structure structure :
         {Structure::Df1, Structure::Df2t, Structure::ErrorFeedback, Structure::Optimal})
        for (int w : {10, 12, 14, 16, 18}) {
            Candidate c;
            c.structure = structure;
            c.dataBits = w;
            c.coefBits = 16;
            c.scaling = Scaling::L2;
            ReportOptions report;
            report.limitCycleTrials = 0;
            const ImplementationFigures f = implementationFigures(filter, c.options(), report);
            c.snr = f.snrSimulatedDb;
            c.multiplications = f.cost.multiplications;
            c.stable = f.stable;
            all.push_back(c);
        }
    SearchResult result;
    result.evaluated = static_cast<int>(all.size());
    for (const Candidate& c : all) {
        bool dominated = false;
        for (const Candidate& d : all)
            dominated = dominated ||
                        (d.cost(CostMeasure::Bits) <= c.cost(CostMeasure::Bits) && d.snr > c.snr);
        if (!dominated)
            result.pareto.push_back(c);
    }
    for (const Candidate& c : result.pareto)
        if (c.snr >= snrTarget &&
            (!result.found || c.cost(CostMeasure::Bits) < result.best.cost(CostMeasure::Bits))) {
            result.found = true;
            result.best = c;
        }
    return result;
}

// A low-pass of 31 taps, cutoff 0.2 FD: the ideal response under a Hamming window.
std::vector<double> windowedLowPass() {
    constexpr int taps = 31;
    constexpr double cutoff = 0.2;
    constexpr double middle = (taps - 1) / 2.0;
    std::vector<double> h;
    for (int k = 0; k < taps; ++k) {
        const double t = k - middle;
        const double ideal =
            t == 0 ? 2 * cutoff
                   : std::sin(2 * std::numbers::pi * cutoff * t) / (std::numbers::pi * t);
        h.push_back(ideal * (0.54 - 0.46 * std::cos(2 * std::numbers::pi * k / (taps - 1))));
    }
    return h;
}

// The window with a ".fir" file computed in q15: the FIR figures and the magnitude page,
// the controls and pages of sections greyed.
bool renderFirScreenshot(ImplementationWindow& form, Program& program, const QString& folder) {
    const QString fir = program.path(QStringLiteral("lowpass.fir"));
    writeFirFile(fir.toStdString(), FirFilter{windowedLowPass()});
    form.findChild<QLineEdit*>(QStringLiteral("Edit2"))->clear();
    QSignalSpy done(&form, &ImplementationWindow::finished);
    if (!form.openFilterFile(fir) || !done.wait(30000)) {
        std::printf("FAILED the implementation window computed no .fir file\n");
        return false;
    }
    form.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
    return saveScreenshot(&form, folder, "implementation-8-fir");
}

} // namespace

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
    // Every structure of q15 side by side.
    pages->setCurrentIndex(4);
    QSignalSpy compared(form, &ImplementationWindow::compared);
    if (!form->BitBtn6Click() || !compared.wait(120000)) {
        std::printf("FAILED the implementation window compared no structures\n");
        return false;
    }
    ok = saveScreenshot(form, folder, "implementation-5-structures") && ok;
    form->findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->setChecked(true);
    ok = saveScreenshot(form, folder, "implementation-6-structures-noise") && ok;
    // The search's Pareto front.
    QSignalSpy searched(form, &ImplementationWindow::searched);
    if (!form->BitBtn7Click() || !searched.wait(300000)) {
        std::printf("FAILED the implementation window searched nothing\n");
        return false;
    }
    auto* front = form->findChild<ChartPicture*>(QStringLiteral("Image5"));
    if (front->chart().curves.empty()) {
        constexpr double snrTarget = 60;
        form->showSearch(measuredFront(flt, snrTarget), CostMeasure::Bits, snrTarget);
    }
    pages->setCurrentIndex(5);
    ok = saveScreenshot(form, folder, "implementation-7-search") && ok;
    ok = renderFirScreenshot(*form, program, folder) && ok;
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
