#include "analysis/analysisplots.h"

#include "cascade/tolerances.h"
#include "common/axissteps.h"
#include "common/displaynumbers.h"

#include <algorithm>
#include <cmath>

namespace zorkan {

namespace {

constexpr Rgb gridGrey{210, 210, 210};
constexpr Rgb axisGrey{120, 120, 120};
constexpr Rgb labelColor{0, 0, 0};
constexpr double pi = 3.14159265358979323846;
constexpr int maxTicks = 20;
// About this many ticks along each axis: the span divided by it, rounded to a nice step.
constexpr double ticksASpan = 5;

struct Glyph {
    char32_t c;
    unsigned char rows[7];
};

// Five bits per row, the leftmost pixel in the highest bit.
constexpr Glyph glyphs[] = {
    {U'0', {14, 17, 19, 21, 25, 17, 14}}, {U'1', {4, 12, 4, 4, 4, 4, 14}},
    {U'2', {14, 17, 1, 2, 4, 8, 31}},     {U'3', {31, 2, 4, 2, 1, 17, 14}},
    {U'4', {2, 6, 10, 18, 31, 2, 2}},     {U'5', {31, 16, 30, 1, 1, 17, 14}},
    {U'6', {6, 8, 16, 30, 17, 17, 14}},   {U'7', {31, 1, 2, 4, 8, 8, 8}},
    {U'8', {14, 17, 17, 14, 17, 17, 14}}, {U'9', {14, 17, 17, 15, 1, 2, 12}},
    {U'.', {0, 0, 0, 0, 0, 12, 12}},      {U'-', {0, 0, 0, 31, 0, 0, 0}},
    {U'+', {0, 4, 4, 31, 4, 4, 0}},       {U',', {0, 0, 0, 0, 6, 4, 8}},
    {U'(', {2, 4, 8, 8, 8, 4, 2}},        {U')', {8, 4, 2, 2, 2, 4, 8}},
    {U'/', {1, 2, 2, 4, 8, 8, 16}},       {U'|', {4, 4, 4, 4, 4, 4, 4}},
    {U'E', {31, 16, 16, 30, 16, 16, 31}}, {U'R', {30, 17, 17, 30, 20, 18, 17}},
    {U'e', {0, 0, 14, 17, 31, 16, 14}},   {U'I', {14, 4, 4, 4, 4, 4, 14}},
    {U'm', {0, 0, 26, 21, 21, 17, 17}},   {U'z', {0, 0, 31, 2, 4, 8, 31}},
    {U'f', {6, 9, 8, 28, 8, 8, 8}},       {U'n', {0, 0, 22, 25, 17, 17, 17}},
    {U'h', {16, 16, 22, 25, 17, 17, 17}}, {U'g', {0, 15, 17, 17, 15, 1, 14}},
    {U'H', {17, 17, 17, 31, 17, 17, 17}}, {U'F', {31, 16, 16, 30, 16, 16, 16}},
    {U'D', {28, 18, 17, 17, 17, 18, 28}}, {U'τ', {0, 0, 31, 4, 4, 4, 3}},
    {U'А', {14, 17, 17, 31, 17, 17, 17}}, {U'Б', {31, 16, 16, 30, 17, 17, 30}},
    {U'Г', {31, 16, 16, 16, 16, 16, 16}}, {U'Ч', {17, 17, 17, 15, 1, 1, 1}},
    {U'Х', {17, 17, 10, 4, 10, 17, 17}},  {U'а', {0, 0, 14, 1, 15, 17, 15}},
    {U'д', {0, 0, 6, 10, 10, 31, 17}},    {U'е', {0, 0, 14, 17, 31, 16, 14}},
    {U'з', {0, 0, 30, 1, 6, 1, 30}},      {U'и', {0, 0, 17, 19, 21, 25, 17}},
    {U'л', {0, 0, 7, 9, 9, 9, 17}},       {U'н', {0, 0, 17, 17, 31, 17, 17}},
    {U'о', {0, 0, 14, 17, 17, 17, 14}},   {U'р', {0, 0, 30, 17, 30, 16, 16}},
    {U'с', {0, 0, 14, 16, 16, 17, 14}},   {U'т', {0, 0, 31, 4, 4, 4, 4}},
    {U'ц', {0, 0, 18, 18, 18, 31, 1}},    {U'ч', {0, 0, 17, 17, 15, 1, 1}},
    {U'ы', {0, 0, 17, 17, 29, 19, 29}},   {U'ь', {0, 0, 16, 16, 30, 17, 30}},
};

// The characters of UTF-8 text; a byte that starts no valid sequence is a character of
// its own (drawn blank).
std::u32string characters(const std::string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next >> 6) == 2;
            c = (c << 6) | (next & 0x3F);
        }
        out.push_back(valid ? c : U'?');
        i += valid ? length : 1;
    }
    return out;
}

std::string tickLabel(double v, double step) {
    if (std::fabs(v) < step * 1e-9)
        v = 0;
    std::string text = formatGeneral(v, '.');
    return text;
}

// A pixel position, kept within reach of the picture so that far values stay drawable.
int px(double v) {
    return static_cast<int>(std::lround(std::clamp(v, -100000.0, 100000.0)));
}

void line(Canvas& c, double x0, double y0, double x1, double y1) {
    c.moveTo(px(x0), px(y0));
    c.lineTo(px(x1), px(y1));
}

// Grid lines and numbered ticks at a nice step on both axes.
void drawAxes(Canvas& c, const PlotFrame& f) {
    c.setPenWidth(1);
    const double xs = niceStep((f.x1 - f.x0) / ticksASpan, NiceRounding::Nearest);
    const double ys = niceStep((f.y1 - f.y0) / ticksASpan, NiceRounding::Nearest);
    // Ticks are counted, not summed: a step below the values' resolution must not stall.
    const double firstX = std::ceil(f.x0 / xs);
    for (int i = 0; i <= maxTicks && (firstX + i) * xs <= f.x1 + xs * 1e-9; ++i) {
        const double v = (firstX + i) * xs;
        const double xPixel = f.pixelX(v);
        c.setPenColor(std::fabs(v) < xs * 1e-9 ? axisGrey : gridGrey);
        line(c, xPixel, f.top, xPixel, f.top + f.height);
        const std::string label = tickLabel(v, xs);
        drawSmallText(c, px(xPixel) - smallTextWidth(label) / 2, f.top + f.height + 5, label,
                      labelColor);
    }
    const double firstY = std::ceil(f.y0 / ys);
    for (int i = 0; i <= maxTicks && (firstY + i) * ys <= f.y1 + ys * 1e-9; ++i) {
        const double v = (firstY + i) * ys;
        const double yPixel = f.pixelY(v);
        c.setPenColor(std::fabs(v) < ys * 1e-9 ? axisGrey : gridGrey);
        line(c, f.left, yPixel, f.left + f.width, yPixel);
        const std::string label = tickLabel(v, ys);
        drawSmallText(c, f.left - 4 - smallTextWidth(label), px(yPixel) - 3, label, labelColor);
    }
    c.setPenColor(axisGrey);
    c.moveTo(f.left, f.top);
    c.lineTo(f.left + f.width, f.top);
    c.lineTo(f.left + f.width, f.top + f.height);
    c.lineTo(f.left, f.top + f.height);
    c.lineTo(f.left, f.top);
}

void clear(Canvas& c) {
    c.fillRect(0, 0, c.width(), c.height(), white);
}

} // namespace

double PlotFrame::pixelX(double x) const {
    return left + (x - x0) / (x1 - x0) * width;
}
double PlotFrame::pixelY(double y) const {
    return top + height - (y - y0) / (y1 - y0) * height;
}
double PlotFrame::valueX(double px) const {
    return x0 + (px - left) / width * (x1 - x0);
}
double PlotFrame::valueY(double py) const {
    return y0 + (top + height - py) / height * (y1 - y0);
}
bool PlotFrame::contains(int px, int py) const {
    return px >= left && px <= left + width && py >= top && py <= top + height;
}

int smallTextWidth(const std::string& text) {
    const std::size_t count = characters(text).size();
    return count == 0 ? 0 : static_cast<int>(count) * 6 - 1;
}

void drawSmallText(Canvas& canvas, int x, int y, const std::string& text, Rgb color) {
    for (char32_t ch : characters(text)) {
        for (const Glyph& g : glyphs) {
            if (g.c != ch)
                continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g.rows[row] & (16 >> col))
                        canvas.setPixel(x + col, y + row, color);
        }
        x += 6;
    }
}

std::vector<RootMark> rootMarks(const std::vector<FilterRoot>& roots) {
    std::vector<RootMark> marks;
    for (const FilterRoot& r : roots) {
        bool merged = false;
        for (RootMark& m : marks) {
            const double tolerance = tolerance::samePlace * std::max(1.0, r.radius);
            if (m.pole == r.pole && std::hypot(m.re - r.re, m.im - r.im) <= tolerance) {
                ++m.count;
                merged = true;
                break;
            }
        }
        if (!merged)
            marks.push_back({r.re, r.im, r.pole, 1});
    }
    return marks;
}

PlotFrame drawZPlane(Canvas& c, const std::vector<FilterRoot>& first,
                     const std::vector<FilterRoot>* second) {
    clear(c);
    double reach = 1.2;
    for (const auto* roots : {&first, second})
        if (roots)
            for (const FilterRoot& r : *roots)
                reach = std::max(reach, 1.1 * r.radius);
    reach = std::min(reach, 10.0);
    PlotFrame f;
    const int side = std::min(c.width() - 56, c.height() - 28);
    f.left = (c.width() - side) / 2 + 20;
    f.top = 8;
    f.width = f.height = side;
    f.x0 = f.y0 = -reach;
    f.x1 = f.y1 = reach;
    drawAxes(c, f);
    // "Re z" stands right of the frame where there is room: inside it, it would meet the
    // multiplicity of the zeros at z = 1 that high-pass and band-pass filters have.
    const std::string reLabel = "Re z";
    if (c.width() - (f.left + f.width) >= smallTextWidth(reLabel) + 6)
        drawSmallText(c, f.left + f.width + 4, f.top + f.height / 2 - 3, reLabel, labelColor);
    else
        drawSmallText(c, f.left + f.width - 22, f.top + f.height / 2 - 10, reLabel, labelColor);
    drawSmallText(c, f.left + f.width / 2 + 4, f.top + 3, "Im z", labelColor);

    // The unit circle.
    c.setPenColor(black);
    c.setPenWidth(1);
    const int steps = 720;
    c.moveTo(px(f.pixelX(1)), px(f.pixelY(0)));
    for (int i = 1; i <= steps; ++i) {
        const double a = 2 * pi * i / steps;
        c.lineTo(px(f.pixelX(std::cos(a))), px(f.pixelY(std::sin(a))));
    }

    // The second filter's marks are larger and drawn first, so that a root that did not
    // move shows both.
    for (const auto* roots : {second, &first}) {
        if (!roots)
            continue;
        const Rgb color = roots == &first ? firstFilterColor : secondFilterColor;
        const int size = roots == &first ? 4 : 6;
        c.setPenColor(color);
        c.setPenWidth(1);
        for (const RootMark& m : rootMarks(*roots)) {
            const int x = px(f.pixelX(m.re));
            const int y = px(f.pixelY(m.im));
            if (m.pole) {
                c.moveTo(x - size, y - size);
                c.lineTo(x + size + 1, y + size + 1);
                c.moveTo(x + size, y - size);
                c.lineTo(x - size - 1, y + size + 1);
            } else {
                c.moveTo(x + size, y);
                for (int i = 1; i <= 24; ++i) {
                    const double a = 2 * pi * i / 24;
                    c.lineTo(x + px(size * std::cos(a)), y - px(size * std::sin(a)));
                }
            }
            if (m.count > 1)
                drawSmallText(c, x + size + 2, roots == &first ? y - 12 : y + 6,
                              std::to_string(m.count), color);
        }
    }
    return f;
}

PlotFrame drawChart(Canvas& c, const std::vector<Series>& series, bool stems,
                    const AxisTitles& titles) {
    clear(c);
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool any = false;
    for (const Series& s : series) {
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i]))
                continue;
            if (!any) {
                x0 = x1 = s.x[i];
                y0 = y1 = s.y[i];
                any = true;
            }
            x0 = std::min(x0, s.x[i]);
            x1 = std::max(x1, s.x[i]);
            y0 = std::min(y0, s.y[i]);
            y1 = std::max(y1, s.y[i]);
        }
    }
    if (stems) {
        y0 = std::min(y0, 0.0);
        y1 = std::max(y1, 0.0);
    }
    // A span the values cannot resolve (a constant up to rounding) is widened around them.
    const auto flat = [](double lo, double hi) {
        return hi - lo <= 1e-9 * std::max(std::fabs(lo), std::fabs(hi));
    };
    if (flat(x0, x1))
        x1 = x0 + std::max(1.0, std::fabs(x0) * 1e-3);
    if (flat(y0, y1)) {
        const double middle = y0 / 2 + y1 / 2;
        const double half = std::max(1.0, std::fabs(middle) * 1e-3);
        y0 = middle - half;
        y1 = middle + half;
    } else {
        const double margin = (y1 - y0) * 0.05;
        y0 -= margin;
        y1 += margin;
    }
    // Room above the frame for the vertical axis's title, under the tick labels for the
    // horizontal one's.
    PlotFrame f;
    f.left = 72;
    f.top = titles.y.empty() ? 8 : 18;
    f.width = std::max(1, c.width() - f.left - 16);
    f.height = std::max(1, c.height() - f.top - (titles.x.empty() ? 22 : 32));
    f.x0 = x0;
    f.x1 = x1;
    f.y0 = y0;
    f.y1 = y1;
    drawAxes(c, f);
    if (!titles.y.empty())
        drawSmallText(c, 4, 5, titles.y, labelColor);
    if (!titles.x.empty())
        drawSmallText(c, f.left + (f.width - smallTextWidth(titles.x)) / 2, f.top + f.height + 17,
                      titles.x, labelColor);
    for (const Series& s : series) {
        c.setPenColor(s.color);
        c.setPenWidth(1);
        bool drawing = false;
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) {
                if (drawing && !stems)
                    c.setPixel(c.penX(), c.penY(), s.color); // the end of the piece
                drawing = false;
                continue;
            }
            const int x = px(f.pixelX(s.x[i]));
            const int y = px(f.pixelY(s.y[i]));
            if (stems) {
                c.moveTo(x, px(f.pixelY(0)));
                c.lineTo(x, y);
                c.fillRect(x - 1, y - 1, x + 2, y + 2, s.color);
            } else if (!drawing) {
                c.moveTo(x, y);
            } else {
                c.lineTo(x, y);
            }
            drawing = true;
        }
        if (!stems && drawing)
            c.setPixel(c.penX(), c.penY(), s.color); // the last point itself
    }
    return f;
}

} // namespace zorkan
