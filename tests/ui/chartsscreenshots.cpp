#include "tests/ui/chartsscreenshots.h"

#include "characteristics/characteristicswindow.h"
#include "design/designrun.h"
#include "fir/firfile.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace zorkan::ui::test {

namespace {

bool settle(CharacteristicsPlot* plot) {
    QTest::qWait(250);
    for (int i = 0; i < 500 && plot->busy(); ++i)
        QTest::qWait(20);
    return !plot->busy();
}

} // namespace

bool renderCharacteristicsScreenshots(Program& program, const QString& folder) {
    QStringList files;
    for (int approximation = 1; approximation <= 3; ++approximation) {
        DesignRequest request;
        request.approximation = approximation;
        request.da = 1;
        request.b1 = 40;
        const QString name = QStringLiteral("chart%1").arg(approximation);
        designFilter(request, program.path(name + QStringLiteral(".out")).toStdString(),
                     program.path(name + QStringLiteral(".flt")).toStdString(), {});
        files << program.path(name + QStringLiteral(".flt"));
    }
    TForm1& main = program.main();
    main.command("FilterCharacteristics")->trigger();
    auto* form = main.findChild<CharacteristicsWindow*>();
    if (!form) {
        std::printf("FAILED FilterCharacteristics opened no characteristics window\n");
        return false;
    }
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
        frame->resize(1080, 640);
    // The elliptic design first: the mask is its request, drawn under its pass-band
    // maximum; each curve relative to its own.
    while (auto* list = form->findChild<QListWidget*>(QStringLiteral("ListBox1"))) {
        if (list->count() == 0)
            break;
        list->setCurrentRow(0);
        form->removeSelected();
    }
    form->findChild<QLineEdit*>(QStringLiteral("Edit3"))->setText(program.path("chart3.out"));
    form->findChild<QCheckBox*>(QStringLiteral("CheckBox5"))->setChecked(true);
    for (int i = 2; i >= 0; --i)
        form->addFile(files[i]);
    CharacteristicsPlot* plot = form->plot();
    bool ok = settle(plot) && plot->hasContent();
    ok = saveScreenshot(form, folder, "characteristics-1-overlaid") && ok;
    // The pass band and its edge, 3 dB deep under the largest pass-band gain.
    AxisRange x = plot->xRange(), y = plot->yRange();
    x.low = 0;
    x.high = 0.23;
    double top = -1e300;
    for (const auto& v : plot->shownCurves().values)
        for (std::size_t i = 0; i < v.size(); ++i)
            if (plot->shownCurves().frequencies[i] <= 0.2)
                top = std::max(top, v[i]);
    y.low = top - 2.5;
    y.high = top + 0.5;
    plot->setRanges(x, y);
    ok = settle(plot) && ok;
    ok = saveScreenshot(form, folder, "characteristics-2-pass-band") && ok;
    // An FIR filter of 61 taps (a Hamming-windowed low-pass cut at 0.22 FD) beside the
    // Butterworth and elliptic designs, without the mask, each relative to its maximum.
    FirFilter lowpass;
    constexpr int taps = 61;
    constexpr double cut = 0.22;
    for (int k = 0; k < taps; ++k) {
        const double t = k - (taps - 1) / 2.0;
        const double sinc =
            t == 0 ? 2 * cut : std::sin(2 * std::numbers::pi * cut * t) / (std::numbers::pi * t);
        lowpass.taps.push_back(sinc *
                               (0.54 - 0.46 * std::cos(2 * std::numbers::pi * k / (taps - 1))));
    }
    const QString fir = program.path("lowpass61.fir");
    writeFirFile(fir.toStdString(), lowpass);
    while (auto* list = form->findChild<QListWidget*>(QStringLiteral("ListBox1"))) {
        if (list->count() == 0)
            break;
        list->setCurrentRow(0);
        form->removeSelected();
    }
    form->findChild<QLineEdit*>(QStringLiteral("Edit3"))->clear();
    form->addFile(files[0]);
    form->addFile(files[2]);
    form->addFile(fir);
    ok = settle(plot) && plot->hasContent() && ok;
    ok = saveScreenshot(form, folder, "characteristics-3-fir-beside-iir") && ok;
    form->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
