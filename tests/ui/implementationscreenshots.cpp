#include "tests/ui/implementationscreenshots.h"

#include "charts/chart.h"
#include "charts/chartplot_qt.h"
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

// A Chebyshev low-pass of the fourth order (two sections) with its request: small enough
// for the search over every structure and word to stay quick, and one that it can meet.
DesignRequest searchedDesign() {
    DesignRequest request;
    request.approximation = 2;
    request.f1 = 0.1;
    request.f4 = 0.25;
    request.da = 1;
    request.b1 = 30;
    return request;
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
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentIndex(0);
    bool ok = saveScreenshot(&form, folder, "implementation-8-fir");
    pages->setCurrentIndex(1);
    ok = saveScreenshot(&form, folder, "implementation-9-fir-noise") && ok;
    pages->setCurrentIndex(0);
    return ok;
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
    // The search's own Pareto front on a small design, with the implementation it chose.
    const QString small = program.path(QStringLiteral("small.flt"));
    const QString smallOut = program.path(QStringLiteral("small.out"));
    designFilter(searchedDesign(), smallOut.toStdString(), small.toStdString(), {});
    form->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(small);
    form->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(smallOut);
    QSignalSpy computed(form, &ImplementationWindow::finished);
    if (!form->BitBtn3Click() || !computed.wait(30000)) {
        std::printf("FAILED the implementation window computed nothing for the search\n");
        return false;
    }
    QSignalSpy searched(form, &ImplementationWindow::searched);
    if (!form->BitBtn7Click() || !searched.wait(300000)) {
        std::printf("FAILED the implementation window searched nothing\n");
        return false;
    }
    // The front, the box of the chosen point and the level of the SNR asked for.
    const Chart& front = form->findChild<ChartPicture*>(QStringLiteral("Image5"))->chart();
    if (front.curves.size() != 3 || front.curves[1].name.rfind("выбранная", 0) != 0) {
        std::printf("FAILED the search chose no implementation for the Pareto chart\n");
        return false;
    }
    pages->setCurrentIndex(5);
    ok = saveScreenshot(form, folder, "implementation-7-search") && ok;
    ok = renderFirScreenshot(*form, program, folder) && ok;
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
