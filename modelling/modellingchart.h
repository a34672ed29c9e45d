#pragma once
// The chart of the modelling window: input and output traces over a grid, 600 x 220,
// zero line at y = 110, full scale 100 pixels from it.
#include "common/canvas.h"
#include "modelling/testsignals.h"

#include <cstdint>

namespace zorkan {

constexpr int modellingChartWidth = 600;
constexpr int modellingChartHeight = 220;

// The strobe window: samples first..last (1-based) are drawn across the chart.
struct StrobeRange {
    std::uint16_t first = 1;
    std::uint16_t last = 1024;
};

// (last - first + 1) / 30, the value the window shows as "Step".
double strobeStep(StrobeRange range);

// The empty chart: white, with a grey grid of 19 vertical and 19 horizontal lines.
void clearPlot(Canvas& canvas);

// The red zero line, the input trace (green, scaled by 100 / maxIn, or by 100 when
// maxIn is 0) and the output trace (blue, likewise by maxOut) over the strobe range.
void plotTraces(Canvas& canvas, StrobeRange range, const TestSignalBuffer& input,
                const TestSignalBuffer& output, double maxIn, double maxOut);

} // namespace zorkan
