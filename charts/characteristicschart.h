#pragma once
// The characteristics of several filters as one chart: the curves computed on a grid in
// the units the view shows, the tolerance mask drawn relative to the first curve's
// pass-band maximum and every curve's departures from its own, the axes' full ranges and
// titles, and the curves' numbers as CSV text.
#include "charts/characteristics.h"
#include "charts/chart.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

struct ChartSeries {
    std::string name; // the legend's and the CSV header's
    CurveSource source;
};

struct ChartOptions {
    ChartView view = ChartView::MagnitudeDb;
    bool wrappedPhase = false; // phase in (-pi, pi] instead of unwrapped
    bool degrees = false;      // phase in degrees
    bool seconds = false;      // group delay in seconds (samples / FD)
    // Magnitudes relative to each curve's pass-band maximum (over the whole band without
    // a mask), so that filters of different gains lie over each other.
    bool relative = false;
    double fd = 1; // frequencies are in its unit
};

// The curves over one grid, in the view's units, with the mask's references.
struct ChartCurves {
    std::vector<double> frequencies;
    std::vector<std::vector<double>> values;      // per series
    std::vector<std::vector<std::size_t>> leaves; // per series: grid points outside the mask
    // Per series: the pass-band maximum of |H| in the curve's own units (1 for relative
    // magnitudes), 0 when not needed.
    std::vector<double> references;
    // Per series: the |H| a relative magnitude is divided by (its pass-band maximum), 1
    // when the view shows absolute values.
    std::vector<double> divisors;
};

// One series' values at the frequencies in the units the view shows: the phase wrapped or
// unwrapped along the frequencies, in degrees or radians; the delay in seconds or samples;
// the magnitude divided by `divisor` (in dB: less 20 log10 `divisor`). The curves, the
// readout, the markers and their differences all take their numbers from here.
std::vector<double> viewValues(const ChartSeries& series, const ChartOptions& options,
                               const std::vector<double>& frequencies, double divisor = 1);

ChartCurves computeChartCurves(const std::vector<ChartSeries>& series, const ChartOptions& options,
                               const FrequencyGrid& grid, const std::optional<ToleranceMask>& mask);

// The range of the values at frequencies inside [xLow, xHigh] with a little room above
// and below, reaching no lower than `deepest` under the top when it is above zero (the
// stop band of a magnitude in dB); [0, 1] with nothing finite.
AxisRange valueRange(const ChartCurves& curves, double xLow, double xHigh, double deepest = 0);
// The depth the full view of a magnitude in dB shows under its top.
constexpr double decibelDepth = 120;
double viewDepth(ChartView view);

std::string frequencyTitle(double fd);
std::string valueTitle(const ChartOptions& options);

// The chart of the curves within the given ranges, at a size.
Chart characteristicsChart(const std::vector<ChartSeries>& series, const ChartCurves& curves,
                           const ChartOptions& options, const std::optional<ToleranceMask>& mask,
                           const AxisRange& x, const AxisRange& y, int width, int height);

// Default size of a chart's picture, the window's view at its start.
constexpr int defaultChartWidth = 800;
constexpr int defaultChartHeight = 500;

// A field of a CSV table as RFC 4180 writes it: enclosed in double quotes, each quote
// doubled, when it holds a comma, a quote or a line break; otherwise as it is.
std::string csvField(const std::string& text);
// The CSV text: "f,<name>,..." (each name a csvField) and a row per frequency inside
// [low, high] (all of them by default), the numbers with 17 significant digits.
std::string chartCsv(const std::vector<std::string>& names, const ChartCurves& curves,
                     double low = -1e308, double high = 1e308);
// One number as the CSV writes it: 17 significant digits, inf, -inf or nan.
std::string csvNumber(double value);

} // namespace zorkan
