#pragma once
// The analysis pictures drawn into the raster canvas, so that the window and the command
// line draw the same pixels: the z-plane with its unit circle, zeros (circles) and poles
// (crosses), and line charts with axes, numbered ticks and axis titles with their units,
// at any size of the canvas.
#include "analysis/filteranalysis.h"
#include "common/canvas.h"

#include <string>
#include <vector>

namespace zorkan {

constexpr int zPlaneWidth = 590;
constexpr int zPlaneHeight = 336;

constexpr Rgb firstFilterColor{0, 0, 255};
constexpr Rgb secondFilterColor{255, 0, 0};

// Where the data lie in the picture: the plot area and the values at its edges.
struct PlotFrame {
    int left = 0, top = 0, width = 1, height = 1;
    double x0 = 0, x1 = 1, y0 = 0, y1 = 1;

    double pixelX(double x) const;
    double pixelY(double y) const;
    double valueX(double px) const;
    double valueY(double py) const;
    bool contains(int px, int py) const;
};

// UTF-8 text in a 5 x 7 pixel font, 6 pixels a character, with the top left corner at
// (x, y): digits, ". , - + ( ) / |", blanks, the Latin letters of "Re z", "Im z",
// "f, FD", "h(n)", "g(n)", "|H|", the Greek tau and the Cyrillic letters of the axis
// titles ("отсчеты", "Гц", "доли", "дБ", "АЧХ", "разность"). Other characters are left
// blank.
void drawSmallText(Canvas& canvas, int x, int y, const std::string& text, Rgb color);
int smallTextWidth(const std::string& text);

// Roots of a filter gathered where they coincide (to 1e-9 of their radius), with how many.
struct RootMark {
    double re = 0, im = 0;
    bool pole = false;
    int count = 1;
};
std::vector<RootMark> rootMarks(const std::vector<FilterRoot>& roots);

// Clears the canvas and draws the z-plane: grid, axes, unit circle, the first filter's
// roots in blue and the second's (if any) in red, a multiplicity beside each mark that
// stands for more than one root. The square plot spans at least -1.2 .. 1.2 and at
// most -10 .. 10.
PlotFrame drawZPlane(Canvas& canvas, const std::vector<FilterRoot>& first,
                     const std::vector<FilterRoot>* second = nullptr);

struct Series {
    std::vector<double> x;
    std::vector<double> y;
    Rgb color = firstFilterColor;
};

// What the axes of a chart measure, with their units, written above the vertical axis
// and under the horizontal one.
struct AxisTitles {
    std::string x;
    std::string y;
};

// Clears the canvas and draws the series on common axes: a polyline each, broken where a
// value is not finite, or stems from zero with a dot on top when `stems` is set.
PlotFrame drawChart(Canvas& canvas, const std::vector<Series>& series, bool stems,
                    const AxisTitles& titles = {});

} // namespace zorkan
