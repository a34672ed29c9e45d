// The special filters window's live view after a change of a field of an eight-band audio
// equaliser: the sections designed, the magnitude of the whole and of each band and the
// group delay of the whole computed, both charts built and painted with QPainter at the
// size they have in the window (the target is 30 ms, so that the curves follow typing).
#include "bench/ui/benchapplication.h"
#include "charts/chartplot_qt.h"
#include "purpose/purposewindow.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace {

// Eight bands over the audio range at 48 kHz: shelves at the ends, peaks between.
zorkan::AudioEqRequest eightBands() {
    using zorkan::AudioBandType;
    return {48000,
            {{AudioBandType::LowShelf, 80, 4, 0.8},
             {AudioBandType::Peak, 200, -3, 1.4},
             {AudioBandType::Peak, 500, 2.5, 2},
             {AudioBandType::Notch, 1000, 0, 10},
             {AudioBandType::Peak, 2000, -5, 1},
             {AudioBandType::Peak, 4000, 3, 3},
             {AudioBandType::Peak, 8000, -2, 0.7},
             {AudioBandType::HighShelf, 12000, 6, 1}}};
}

void BM_SpecialFiltersRedrawAfterAFieldChange(benchmark::State& state) {
    zorkan::bench::needApplication();
    zorkan::AudioEqRequest request = eightBands();
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    QImage magnitude(width, height, QImage::Format_RGB32);
    QImage delay(width, height, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        // A gain typed anew, as each key press of the field gives it.
        request.bands[step % 8].gainDb += (step / 8) % 2 == 0 ? 0.5 : -0.5;
        ++step;
        const zorkan::ui::SpecialCharts charts =
            zorkan::ui::specialCharts(zorkan::ui::audioEqView(request), width, height);
        QPainter m(&magnitude);
        zorkan::ui::paintChart(charts.magnitude, m);
        m.end();
        QPainter d(&delay);
        zorkan::ui::paintChart(charts.delay, d);
        d.end();
        benchmark::DoNotOptimize(magnitude.constBits());
        benchmark::DoNotOptimize(delay.constBits());
    }
    state.counters["curves"] = 9;
    state.counters["points"] = zorkan::ui::specialChartPoints(width, height);
}
// The charts at the window's opening size, and on a large screen.
BENCHMARK(BM_SpecialFiltersRedrawAfterAFieldChange)
    ->Args({650, 290})
    ->Args({1300, 480})
    ->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The part of the redraw that does not paint: the sections and both charts' curves.
void BM_SpecialFiltersCurvesAfterAFieldChange(benchmark::State& state) {
    zorkan::AudioEqRequest request = eightBands();
    int step = 0;
    for (auto _ : state) {
        request.bands[step % 8].gainDb += (step / 8) % 2 == 0 ? 0.5 : -0.5;
        ++step;
        const zorkan::ui::SpecialCharts charts =
            zorkan::ui::specialCharts(zorkan::ui::audioEqView(request), 650, 290);
        benchmark::DoNotOptimize(charts.delay.curves.data());
    }
}
BENCHMARK(BM_SpecialFiltersCurvesAfterAFieldChange)->Unit(benchmark::kMillisecond);

} // namespace
