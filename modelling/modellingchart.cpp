#include "modelling/modellingchart.h"

#include "common/rounding.h"

namespace zorkan {

namespace {
constexpr int zeroLine = 110;
constexpr Rgb grey{128, 128, 128};
constexpr Rgb red{255, 0, 0};
constexpr Rgb green{0, 128, 0};
constexpr Rgb blue{0, 0, 255};

void drawTrace(Canvas& canvas, StrobeRange range, const TestSignalBuffer& signal, double maximum,
               Rgb colour) {
    const long double scale = maximum == 0 ? 100.0L : 100.0L / maximum;
    // The step is a computed value and so is kept as a double; the product is extended.
    const double step = 600.0 / (range.last - range.first + 1);
    canvas.setPenWidth(1);
    canvas.setPenColor(colour);
    for (int i = range.first; i <= range.last; ++i) {
        const auto y = static_cast<int>(
            zeroLine - roundHalfEven(static_cast<long double>(signal[i - 1]) * scale));
        if (i == range.first)
            canvas.moveTo(0, y);
        canvas.lineTo(
            static_cast<int>(roundHalfEven((i - range.first) * static_cast<long double>(step))), y);
    }
}
} // namespace

double strobeStep(StrobeRange range) {
    return (static_cast<int>(range.last) - static_cast<int>(range.first) + 1) / 30.0;
}

void clearPlot(Canvas& canvas) {
    canvas.setPenWidth(1);
    canvas.setPenColor(grey);
    canvas.setBrushColor(white);
    canvas.rectangle(0, 0, modellingChartWidth, modellingChartHeight);
    for (int x = 30; x <= 570; x += 30) {
        canvas.moveTo(x, modellingChartHeight);
        canvas.lineTo(x, 0);
    }
    for (int y = 11; y <= 209; y += 11) {
        canvas.moveTo(0, y);
        canvas.lineTo(modellingChartWidth, y);
    }
}

void plotTraces(Canvas& canvas, StrobeRange range, const TestSignalBuffer& input,
                const TestSignalBuffer& output, double maxIn, double maxOut) {
    canvas.setPenWidth(1);
    canvas.setPenColor(red);
    canvas.moveTo(0, zeroLine);
    canvas.lineTo(modellingChartWidth, zeroLine);
    drawTrace(canvas, range, input, maxIn, green);
    drawTrace(canvas, range, output, maxOut, blue);
}

} // namespace zorkan
