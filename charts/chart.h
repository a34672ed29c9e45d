#pragma once
// A chart of characteristics as a drawing: the plot area and its axes with readable
// ticks, curves in their colours with a legend naming their files, the shaded regions a
// tolerance mask forbids and the places where a curve leaves it, and markers. The same
// drawing goes to any ChartPainter: the window's, a raster canvas, SVG or PDF, so every
// picture of a view is the one the view shows.
#include "common/axissteps.h"
#include "common/canvas.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// One axis's visible range; on a logarithmic axis both ends are above zero.
struct AxisRange {
    double low = 0;
    double high = 1;
    bool logarithmic = false;
};

// The narrowest span an axis shows, relative to the larger of 1 and its ends' magnitudes
// (in decades on a logarithmic axis): a narrower view has no distinct ticks in double.
constexpr double narrowestAxisSpan = 1e-12;
// True when the range can be drawn: finite ends, above zero on a logarithmic axis, low
// below high by more than narrowestAxisSpan.
bool drawableAxis(const AxisRange& range);
// Refuses (UserMessage) a range that drawableAxis refuses, naming its ends.
void checkDrawableAxis(const AxisRange& range);

// Tick positions at the finest nice step (1, 2 or 5 times a power of ten) that gives at
// most `maxTicks` ticks inside the range, and the step. A logarithmic axis over a decade or
// more gets the decades (every 1, 2 and 5 of each decade when there are few); within a
// decade, the linear ticks.
// A range that is not drawable is refused (checkDrawableAxis).
struct AxisTicks {
    std::vector<double> values;
    double step = 0; // of the linear ticks (0 for decades)
};
AxisTicks niceTicks(const AxisRange& range, int maxTicks);
// A tick's label: as many decimals as the step needs, no more; "-0" is written "0".
std::string tickLabel(double value, double step);

// Position of a value along an axis of `length` pixels starting at `origin`;
// `reversed` counts from the far end (the vertical axis grows upwards).
double axisPosition(const AxisRange& range, double value, double origin, double length,
                    bool reversed);
double axisValue(const AxisRange& range, double position, double origin, double length,
                 bool reversed);

// The eight curve colours, in the order files are added.
constexpr int maxChartCurves = 8;
Rgb curveColor(int index);

struct ChartCurve {
    std::string name;
    Rgb color;
    std::vector<double> x;
    std::vector<double> y; // non-finite values break the curve
    // Points (indices into x and y) where the curve leaves the mask.
    std::vector<std::size_t> violations;
};

// A forbidden region in data coordinates; a missing bound reaches the plot's edge.
struct ChartRegion {
    double x0 = 0, x1 = 0;
    std::optional<double> y0, y1; // bottom, top
};

struct ChartMarker {
    double x = 0;
};

struct ChartRect {
    double x = 0, y = 0, width = 0, height = 0;
    bool contains(double px, double py) const {
        return px >= x && px <= x + width && py >= y && py <= y + height;
    }
};

struct Chart {
    int width = 800;
    int height = 500;
    AxisRange xAxis;
    AxisRange yAxis;
    std::string xTitle;
    std::string yTitle;
    std::vector<ChartCurve> curves;
    std::vector<ChartRegion> forbidden;
    std::vector<ChartMarker> markers;
    // The curves' pen: 1.5 pixels, or the hairline a chart redrawn at every step of a drag
    // may take (the painters draw it several times faster).
    double curveWidth = 1.5;
};

// The plot area of a chart of this size, inside the margins of the axes' labels.
ChartRect plotArea(int width, int height);

enum class TextAlign { Left, Center, Right };

class ChartPainter {
  public:
    virtual ~ChartPainter() = default;
    virtual void fillRect(const ChartRect& r, Rgb color) = 0;
    virtual void line(double x0, double y0, double x1, double y1, Rgb color, double width) = 0;
    // One curve, already clipped to the plot area: its connected runs of points.
    virtual void curve(const std::string& name, const std::vector<std::vector<double>>& runs,
                       Rgb color, double width) = 0;
    // Text (UTF-8) with its baseline at y, anchored at x as `align` says.
    virtual void text(double x, double y, const std::string& text, double size, TextAlign align,
                      Rgb color) = 0;
    // The width the text will take, for laying out the legend.
    virtual double measure(const std::string& text, double size) const;
};

// A rough width of a text in the chart's sans-serif face, for laying out the legend.
double textWidth(const std::string& text, double size);

// Draws everything: background, forbidden regions, grid, curves, violations, markers,
// axes with ticks and titles, and the legend.
void drawChart(const Chart& chart, ChartPainter& painter);

// A curve's points in pixels, clipped to the plot area, broken where a value is not
// finite; with more than two points to a pixel column, each column keeps its first, least,
// largest and last points, so that drawing stays fast and looks the same. The runs hold
// x0, y0, x1, y1, ...
std::vector<std::vector<double>> curveRuns(const Chart& chart, const ChartCurve& curve);

} // namespace zorkan
