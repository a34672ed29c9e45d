#include "charts/chart.h"

#include "common/displaynumbers.h"
#include "common/errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace zorkan {

namespace {

constexpr double marginLeft = 72, marginRight = 16, marginTop = 28, marginBottom = 44;
constexpr double labelSize = 11;
constexpr Rgb gridLine{226, 226, 226};
constexpr Rgb forbiddenShade{255, 222, 222};
constexpr Rgb violationColor{200, 0, 0};
constexpr Rgb markerColor{90, 90, 90};
constexpr Rgb frameColor{0, 0, 0};

double axisCoordinate(const AxisRange& range, double value) {
    return range.logarithmic ? std::log10(value) : value;
}

struct Point {
    double x, y;
};

// Liang-Barsky: the part of the segment inside the rectangle, or false.
bool clipSegment(const ChartRect& r, Point& a, Point& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - r.x, r.x + r.width - a.x, a.y - r.y, r.y + r.height - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    // An end inside stays exactly as it was, so that the next segment joins it.
    const Point start = t0 > 0 ? Point{a.x + t0 * dx, a.y + t0 * dy} : a;
    const Point end = t1 < 1 ? Point{a.x + t1 * dx, a.y + t1 * dy} : b;
    a = start;
    b = end;
    return true;
}

} // namespace

bool drawableAxis(const AxisRange& range) {
    if (range.logarithmic && !(range.low > 0 && range.high > 0))
        return false;
    const double lo = axisCoordinate(range, range.low), hi = axisCoordinate(range, range.high);
    return std::isfinite(lo) && std::isfinite(hi) && std::isfinite(hi - lo) &&
           hi - lo > narrowestAxisSpan * std::max({1.0, std::fabs(lo), std::fabs(hi)});
}

namespace {

// The shortest text that reads back as the value, so that the two ends of a narrow range
// differ in the message as they do in double.
std::string shortestText(double value) {
    if (!std::isfinite(value))
        return formatGeneral(value, '.');
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

} // namespace

void checkDrawableAxis(const AxisRange& range) {
    if (drawableAxis(range))
        return;
    const std::string ends = "от " + shortestText(range.low) + " до " + shortestText(range.high);
    const bool finite = std::isfinite(range.low) && std::isfinite(range.high) &&
                        std::isfinite(range.high - range.low);
    if (!finite)
        throw UserMessage("Диапазон оси " + ends + " нельзя показать: он не конечен");
    if (range.logarithmic && !(range.low > 0 && range.high > 0))
        throw UserMessage("Диапазон логарифмической оси " + ends +
                          " нельзя показать: его концы должны быть больше нуля");
    throw UserMessage("Диапазон оси " + ends +
                      " нельзя показать: начало должно быть меньше конца, а диапазон - шире "
                      "1E-12 его значений");
}

AxisTicks niceTicks(const AxisRange& range, int maxTicks) {
    checkDrawableAxis(range);
    AxisTicks ticks;
    maxTicks = std::max(maxTicks, 2);
    const double lo = std::min(range.low, range.high), hi = std::max(range.low, range.high);
    if (range.logarithmic && lo > 0) {
        const int d0 = static_cast<int>(std::ceil(std::log10(lo) - 1e-12));
        const int d1 = static_cast<int>(std::floor(std::log10(hi) + 1e-12));
        if (d1 > d0) {
            const int decades = d1 - d0 + 1;
            if (3 * decades <= maxTicks) {
                for (int d = d0 - 1; d <= d1; ++d)
                    for (double m : {1.0, 2.0, 5.0}) {
                        const double v = m * std::pow(10.0, d);
                        if (v >= lo * (1 - 1e-12) && v <= hi * (1 + 1e-12))
                            ticks.values.push_back(v);
                    }
            } else {
                const int every = (decades + maxTicks - 1) / maxTicks;
                for (int d = d0; d <= d1; ++d)
                    if ((d - d0) % every == 0)
                        ticks.values.push_back(std::pow(10.0, d));
            }
            return ticks;
        }
    }
    if (!(hi > lo))
        return ticks;
    // The finest nice step that leaves no more than maxTicks ticks.
    double step = niceStep((hi - lo) / maxTicks);
    double k0 = 0, k1 = 0;
    for (;;) {
        k0 = std::ceil(lo / step - 1e-9);
        k1 = std::floor(hi / step + 1e-9);
        if (k1 - k0 + 1 <= maxTicks)
            break;
        step = niceStep(step * 1.5);
    }
    ticks.step = step;
    for (double k = k0; k <= k1; ++k)
        ticks.values.push_back(k * step);
    return ticks;
}

std::string tickLabel(double value, double step) {
    char text[64];
    if (step > 0 && step >= 1e-9 && std::fabs(value) < 1e9) {
        const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
    } else {
        std::snprintf(text, sizeof text, "%.6g", value);
    }
    std::string s = text;
    if (s.find_first_not_of("-0.") == std::string::npos && s.front() == '-')
        s.erase(0, 1);
    return s;
}

double axisPosition(const AxisRange& range, double value, double origin, double length,
                    bool reversed) {
    const double a = axisCoordinate(range, range.low), b = axisCoordinate(range, range.high);
    const double t = (axisCoordinate(range, value) - a) / (b - a);
    return reversed ? origin + length * (1 - t) : origin + length * t;
}

double axisValue(const AxisRange& range, double position, double origin, double length,
                 bool reversed) {
    const double a = axisCoordinate(range, range.low), b = axisCoordinate(range, range.high);
    double t = (position - origin) / length;
    if (reversed)
        t = 1 - t;
    const double c = a + t * (b - a);
    return range.logarithmic ? std::pow(10.0, c) : c;
}

Rgb curveColor(int index) {
    // Eight colours no two of which look alike on white: blue, red, green, purple, orange,
    // olive, brown, black.
    static const Rgb colors[maxChartCurves] = {{31, 119, 180},  {214, 39, 40},  {44, 160, 44},
                                               {148, 103, 189}, {255, 127, 14}, {128, 128, 0},
                                               {140, 86, 75},   {0, 0, 0}};
    return colors[((index % maxChartCurves) + maxChartCurves) % maxChartCurves];
}

ChartRect plotArea(int width, int height) {
    return {marginLeft, marginTop, std::max(10.0, width - marginLeft - marginRight),
            std::max(10.0, height - marginTop - marginBottom)};
}

double textWidth(const std::string& text, double size) {
    // Helvetica's advance widths, in thousandths of the size, for the characters charts
    // mostly hold; others by their class.
    double width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80)
            continue;
        if (c >= '0' && c <= '9')
            width += 556;
        else if (c == '.' || c == ',' || c == ' ' || c == 'i' || c == 'l' || c == 'j' || c == '/' ||
                 c == 'f' || c == 't')
            width += 278;
        else if (c == '-' || c == '(' || c == ')' || c == 'r')
            width += 333;
        else if (c == 'm' || c == 'w' || c == 'M' || c == 'W')
            width += 833;
        else if (c >= 'A' && c <= 'Z')
            width += 667;
        else if (c < 0x80)
            width += 556;
        else if (c == 0xD0 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xB0)
            width += 680; // capital Cyrillic letters
        else
            width += 560;
    }
    return width * size / 1000;
}

double ChartPainter::measure(const std::string& text, double size) const {
    return textWidth(text, size);
}

std::vector<std::vector<double>> curveRuns(const Chart& chart, const ChartCurve& curve) {
    const ChartRect area = plotArea(chart.width, chart.height);
    const std::size_t n = std::min(curve.x.size(), curve.y.size());
    // Pixel positions; NaN breaks the curve.
    std::vector<Point> points;
    points.reserve(n);
    const double nan = std::nan("");
    for (std::size_t i = 0; i < n; ++i) {
        const double x = curve.x[i], y = curve.y[i];
        const bool ok = std::isfinite(x) && std::isfinite(y) &&
                        (!chart.xAxis.logarithmic || x > 0) && (!chart.yAxis.logarithmic || y > 0);
        if (!ok) {
            points.push_back({nan, nan});
            continue;
        }
        points.push_back({axisPosition(chart.xAxis, x, area.x, area.width, false),
                          axisPosition(chart.yAxis, y, area.y, area.height, true)});
    }
    // Many points to a column: keep the first, least, largest and last of each.
    std::size_t visible = 0;
    for (const Point& p : points)
        visible += p.x >= area.x && p.x <= area.x + area.width ? 1 : 0;
    if (visible > 2 * static_cast<std::size_t>(area.width)) {
        std::vector<Point> reduced;
        reduced.reserve(4 * static_cast<std::size_t>(area.width) + 8);
        std::size_t i = 0;
        while (i < points.size()) {
            if (std::isnan(points[i].x)) {
                reduced.push_back(points[i++]);
                continue;
            }
            const double column = std::floor(points[i].x);
            std::size_t j = i, low = i, high = i;
            while (j < points.size() && !std::isnan(points[j].x) &&
                   std::floor(points[j].x) == column) {
                if (points[j].y < points[low].y)
                    low = j;
                if (points[j].y > points[high].y)
                    high = j;
                ++j;
            }
            reduced.push_back(points[i]);
            const std::size_t first = std::min(low, high), second = std::max(low, high);
            if (first != i)
                reduced.push_back(points[first]);
            if (second != first && second != i)
                reduced.push_back(points[second]);
            if (j - 1 != i && j - 1 != second)
                reduced.push_back(points[j - 1]);
            i = j;
        }
        points.swap(reduced);
    }
    std::vector<std::vector<double>> runs;
    bool joined = false;
    for (std::size_t i = 1; i < points.size(); ++i) {
        Point a = points[i - 1], b = points[i];
        if (std::isnan(a.x) || std::isnan(b.x)) {
            joined = false;
            continue;
        }
        const Point originalA = a, originalB = b;
        if (!clipSegment(area, a, b)) {
            joined = false;
            continue;
        }
        if (!joined || a.x != originalA.x || a.y != originalA.y) {
            runs.push_back({a.x, a.y});
        }
        runs.back().push_back(b.x);
        runs.back().push_back(b.y);
        joined = b.x == originalB.x && b.y == originalB.y;
    }
    return runs;
}

namespace {

bool finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Passes on only what has finite coordinates, so that no picture ever holds "nan" or
// "inf" (a marker or a region at a value that is no number is left out).
class FinitePainter : public ChartPainter {
  public:
    explicit FinitePainter(ChartPainter& painter) : painter_(painter) {}
    void fillRect(const ChartRect& r, Rgb color) override {
        if (finite({r.x, r.y, r.width, r.height}))
            painter_.fillRect(r, color);
    }
    void line(double x0, double y0, double x1, double y1, Rgb color, double width) override {
        if (finite({x0, y0, x1, y1, width}))
            painter_.line(x0, y0, x1, y1, color, width);
    }
    void curve(const std::string& name, const std::vector<std::vector<double>>& runs, Rgb color,
               double width) override {
        painter_.curve(name, runs, color, width); // curveRuns breaks runs at non-finite points
    }
    void text(double x, double y, const std::string& text, double size, TextAlign align,
              Rgb color) override {
        if (finite({x, y, size}))
            painter_.text(x, y, text, size, align, color);
    }
    double measure(const std::string& text, double size) const override {
        return painter_.measure(text, size);
    }

  private:
    ChartPainter& painter_;
};

} // namespace

void drawChart(const Chart& chart, ChartPainter& target) {
    FinitePainter painter(target);
    const ChartRect area = plotArea(chart.width, chart.height);
    painter.fillRect({0, 0, static_cast<double>(chart.width), static_cast<double>(chart.height)},
                     white);
    const auto px = [&](double x) {
        return axisPosition(chart.xAxis, x, area.x, area.width, false);
    };
    const auto py = [&](double y) {
        return axisPosition(chart.yAxis, y, area.y, area.height, true);
    };
    const double right = area.x + area.width, bottom = area.y + area.height;

    for (const ChartRegion& r : chart.forbidden) {
        double x0 = std::clamp(px(r.x0), area.x, right), x1 = std::clamp(px(r.x1), area.x, right);
        double y0 = r.y0 ? std::clamp(py(*r.y0), area.y, bottom) : bottom;
        double y1 = r.y1 ? std::clamp(py(*r.y1), area.y, bottom) : area.y;
        if (x1 > x0 && y0 > y1)
            painter.fillRect({x0, y1, x1 - x0, y0 - y1}, forbiddenShade);
    }

    const AxisTicks xt = niceTicks(chart.xAxis, std::max(2, static_cast<int>(area.width / 80)));
    const AxisTicks yt = niceTicks(chart.yAxis, std::max(2, static_cast<int>(area.height / 32)));
    for (double v : xt.values) {
        const double x = px(v);
        if (x > area.x + 0.5 && x < right - 0.5)
            painter.line(x, area.y, x, bottom, gridLine, 1);
    }
    for (double v : yt.values) {
        const double y = py(v);
        if (y > area.y + 0.5 && y < bottom - 0.5)
            painter.line(area.x, y, right, y, gridLine, 1);
    }

    for (const ChartCurve& c : chart.curves)
        painter.curve(c.name, curveRuns(chart, c), c.color, chart.curveWidth);

    for (const ChartCurve& c : chart.curves) {
        double lastX = -1e9;
        for (std::size_t i : c.violations) {
            if (i >= c.x.size() || i >= c.y.size() || !std::isfinite(c.y[i]))
                continue;
            const double x = px(c.x[i]), y = py(c.y[i]);
            if (!area.contains(x, y) || x - lastX < 6)
                continue;
            lastX = x;
            painter.line(x - 3.5, y - 3.5, x + 3.5, y + 3.5, violationColor, 1.5);
            painter.line(x - 3.5, y + 3.5, x + 3.5, y - 3.5, violationColor, 1.5);
        }
    }

    for (std::size_t m = 0; m < chart.markers.size(); ++m) {
        const double x = px(chart.markers[m].x);
        if (!std::isfinite(x) || x < area.x || x > right)
            continue;
        painter.line(x, area.y, x, bottom, markerColor, 1);
        painter.text(x + 3, area.y + 12, std::to_string(m + 1), labelSize, TextAlign::Left,
                     markerColor);
    }

    painter.line(area.x, area.y, right, area.y, frameColor, 1);
    painter.line(area.x, bottom, right, bottom, frameColor, 1);
    painter.line(area.x, area.y, area.x, bottom, frameColor, 1);
    painter.line(right, area.y, right, bottom, frameColor, 1);
    for (double v : xt.values) {
        const double x = px(v);
        if (x < area.x - 0.5 || x > right + 0.5)
            continue;
        painter.line(x, bottom, x, bottom + 4, frameColor, 1);
        painter.text(x, bottom + 16, tickLabel(v, xt.step), labelSize, TextAlign::Center,
                     frameColor);
    }
    for (double v : yt.values) {
        const double y = py(v);
        if (y < area.y - 0.5 || y > bottom + 0.5)
            continue;
        painter.line(area.x - 4, y, area.x, y, frameColor, 1);
        painter.text(area.x - 6, y + 4, tickLabel(v, yt.step), labelSize, TextAlign::Right,
                     frameColor);
    }
    painter.text(area.x + area.width / 2, chart.height - 8.0, chart.xTitle, 12, TextAlign::Center,
                 frameColor);
    painter.text(area.x, area.y - 10, chart.yTitle, 12, TextAlign::Left, frameColor);

    if (!chart.curves.empty()) {
        double widest = 0;
        for (const ChartCurve& c : chart.curves)
            widest = std::max(widest, painter.measure(c.name, labelSize));
        const double rowHeight = 16;
        const double boxWidth = widest + 40, boxHeight = rowHeight * chart.curves.size() + 8;
        const double x0 = right - boxWidth - 8, y0 = area.y + 8;
        painter.fillRect({x0, y0, boxWidth, boxHeight}, white);
        painter.line(x0, y0, x0 + boxWidth, y0, markerColor, 1);
        painter.line(x0, y0 + boxHeight, x0 + boxWidth, y0 + boxHeight, markerColor, 1);
        painter.line(x0, y0, x0, y0 + boxHeight, markerColor, 1);
        painter.line(x0 + boxWidth, y0, x0 + boxWidth, y0 + boxHeight, markerColor, 1);
        for (std::size_t i = 0; i < chart.curves.size(); ++i) {
            const double y = y0 + 4 + rowHeight * i + rowHeight / 2;
            painter.line(x0 + 6, y, x0 + 28, y, chart.curves[i].color, 2);
            painter.text(x0 + 34, y + 4, chart.curves[i].name, labelSize, TextAlign::Left,
                         frameColor);
        }
    }
}

} // namespace zorkan
