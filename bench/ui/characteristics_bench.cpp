// The characteristics window's redraw after one zoom step: eight curves of 4000 points
// each, the chart built and painted with QPainter into an image the size of the window's
// view (the target is 30 ms, for a wheel that feels continuous); and the recomputation of
// the curves on the finer grid of a zoomed view, which runs off the window's thread.
#include "bench/ui/benchapplication.h"
#include "charts/characteristicschart.h"
#include "charts/chartplot_qt.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace {

// Eight low-pass cascades of four resonant sections with their own edges.
std::vector<zorkan::ChartSeries> eightFilters() {
    std::vector<zorkan::ChartSeries> series;
    for (int i = 0; i < 8; ++i) {
        zorkan::ChartSeries s;
        s.name = "filter" + std::to_string(i + 1) + ".flt";
        s.source.filter.order = 8;
        for (int k = 0; k < 4; ++k) {
            const double r = 0.6 + 0.09 * k, theta = (0.1 + 0.02 * i) * (1 + 0.3 * k);
            zorkan::FilterSection section;
            section.a[0] = 1;
            section.a[1] = 2;
            section.a[2] = 1;
            section.b[0] = 1;
            section.b[1] = -2 * r * std::cos(theta);
            section.b[2] = r * r;
            s.source.filter.sections.push_back(section);
        }
        series.push_back(s);
    }
    return series;
}

void BM_ChartRedrawAfterZoomStep(benchmark::State& state) {
    zorkan::bench::needApplication();
    const std::vector<zorkan::ChartSeries> series = eightFilters();
    zorkan::ChartOptions options;
    const zorkan::ChartCurves curves =
        zorkan::computeChartCurves(series, options, {0, 0.5, 4000, false}, std::nullopt);
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    QImage image(width, height, QImage::Format_RGB32);
    zorkan::AxisRange x{0, 0.5, false};
    const zorkan::AxisRange y = zorkan::valueRange(curves, 0, 0.5, zorkan::decibelDepth);
    int step = 0;
    for (auto _ : state) {
        // In and out again about a point in the pass band, as a wheel turned to and fro.
        const double factor = (step++ / 5) % 2 == 0 ? 0.8 : 1.25;
        const double at = 0.12;
        x.low = at - (at - x.low) * factor;
        x.high = at + (x.high - at) * factor;
        const zorkan::Chart chart = zorkan::characteristicsChart(series, curves, options,
                                                                 std::nullopt, x, y, width, height);
        QPainter painter(&image);
        zorkan::ui::paintChart(chart, painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["curves"] = 8;
    state.counters["points"] = 4000;
}
BENCHMARK(BM_ChartRedrawAfterZoomStep)
    ->Args({800, 500})
    ->Args({1400, 900})
    ->Unit(benchmark::kMillisecond);

void BM_CurvesOnAFinerGrid(benchmark::State& state) {
    const std::vector<zorkan::ChartSeries> series = eightFilters();
    zorkan::ChartOptions options;
    options.view = static_cast<zorkan::ChartView>(state.range(0));
    for (auto _ : state) {
        const zorkan::ChartCurves c =
            zorkan::computeChartCurves(series, options, {0.05, 0.15, 8000, false}, std::nullopt);
        benchmark::DoNotOptimize(c.values.data());
    }
}
BENCHMARK(BM_CurvesOnAFinerGrid)
    ->Arg(static_cast<int>(zorkan::ChartView::MagnitudeDb))
    ->Arg(static_cast<int>(zorkan::ChartView::GroupDelay))
    ->Unit(benchmark::kMillisecond);

} // namespace
