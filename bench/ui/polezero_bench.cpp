// The pole-zero editor's redraw while a pole is dragged: one pointer step of the drag
// (the model moved, the table, the realisable grid's marks, the magnitude, phase and
// group delay of 4000 points each recomputed) and the whole window of 1400 x 900 painted
// with its z-plane and grid, for a filter of 20 sections. The target is 16 ms, a frame
// of a 60 Hz screen.
#include "bench/ui/benchapplication.h"
#include "polezero/polezerowindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QSpinBox>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

void BM_PoleZeroDragRedraw(benchmark::State& state) {
    zorkan::bench::needApplication();
    zorkan::ui::PoleZeroWindow window;
    window.resize(1400, 900);
    // Twenty pole pairs and twenty zero pairs: 20 sections.
    constexpr int pairs = 20;
    for (int k = 0; k < pairs; ++k) {
        const double angle = std::numbers::pi * (k + 0.5) / pairs;
        window.plane()->onDoubleClick(std::polar(0.5 + 0.02 * k, angle));
    }
    zorkan::ui::PoleZeroState filter{window.model(), std::nullopt};
    for (int k = 0; k < pairs; ++k)
        filter.model.add(zorkan::RootSet::Zeros, {1, std::numbers::pi * (k + 0.25) / pairs, 1});
    window.setState(filter);
    window.findChild<QComboBox*>(QStringLiteral("gridTarget"))->setCurrentIndex(2);
    window.findChild<QSpinBox*>(QStringLiteral("gridBits"))->setValue(8);
    window.show();
    QImage image(window.size(), QImage::Format_RGB32);
    // The pole nearest the circle, picked and dragged to and fro.
    window.plane()->setSelection(zorkan::ui::RootRef{zorkan::RootSet::Poles, pairs - 1});
    int step = 0;
    for (auto _ : state) {
        const double angle = 0.3 + 0.01 * (step++ % 50);
        window.plane()->onDrag(std::polar(0.9, angle), false);
        window.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["sections"] = static_cast<double>(window.sections().size());
}
BENCHMARK(BM_PoleZeroDragRedraw)->Unit(benchmark::kMillisecond);

} // namespace
