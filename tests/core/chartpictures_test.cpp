#include "charts/characteristicschart.h"
#include "charts/chart.h"
#include "charts/chartpictures.h"
#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>

using zorkan::testing::CliOutcome;
using zorkan::testing::readBytes;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace zorkan {
namespace {

// Nice steps of 1, 2 and 5 times a power of ten, the ticks at whole multiples of the step.
TEST(ChartTicks, NiceStepsAndDecades) {
    const struct {
        AxisRange range;
        int maxTicks;
        std::vector<double> ticks;
    } rows[] = {
        {{0, 0.5, false}, 6, {0, 0.1, 0.2, 0.3, 0.4, 0.5}},
        {{-83.7, 2.1, false}, 10, {-80, -70, -60, -50, -40, -30, -20, -10, 0}},
        {{-83.7, 2.1, false}, 5, {-80, -60, -40, -20, 0}},
        {{0.123, 0.1237, false}, 5, {0.1230, 0.1232, 0.1234, 0.1236}},
        {{-0.013, 0.026, false}, 4, {-0.01, 0, 0.01, 0.02}},
        {{1e-3, 0.5, true}, 8, {1e-3, 1e-2, 1e-1}},
        {{1e-3, 0.5, true}, 10, {1e-3, 2e-3, 5e-3, 1e-2, 2e-2, 5e-2, 0.1, 0.2, 0.5}},
        {{1e-9, 1, true}, 4, {1e-9, 1e-6, 1e-3, 1}},
        // The decade below the first whole decade gives its 5: 0.3 .. 50 starts at 0.5.
        {{0.3, 50, true}, 10, {0.5, 1, 2, 5, 10, 20, 50}},
        // Within a decade a logarithmic axis takes the linear ticks.
        {{0.22, 0.48, true}, 4, {0.3, 0.4}},
    };
    for (const auto& row : rows) {
        const AxisTicks t = niceTicks(row.range, row.maxTicks);
        ASSERT_EQ(t.values.size(), row.ticks.size()) << row.range.low << " " << row.range.high;
        for (std::size_t i = 0; i < t.values.size(); ++i)
            EXPECT_NEAR(t.values[i], row.ticks[i], 1e-12 * std::fabs(row.ticks[i]) + 1e-15)
                << row.range.low << " " << row.range.high << " tick " << i;
    }
}

TEST(ChartTicks, LabelsCarryTheStepsDecimals) {
    const struct {
        double value, step;
        const char* label;
    } rows[] = {
        {0.30000000000000004, 0.1, "0.3"},
        {-1e-17, 0.1, "0.0"},
        {-80, 10, "-80"},
        {0.1234, 0.0002, "0.1234"},
        {1e-3, 0, "0.001"},
        {2e-7, 0, "2e-07"},
        {48000, 5000, "48000"},
        {-0.25, 0.05, "-0.25"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(tickLabel(row.value, row.step), row.label) << row.value;
}

// The pixel of a value and back; a logarithmic axis puts each decade at equal length.
TEST(ChartAxes, PositionsAndValues) {
    const AxisRange lin{-2, 6, false}, log{1e-3, 10, true};
    EXPECT_DOUBLE_EQ(axisPosition(lin, 0, 100, 400, false), 200);
    EXPECT_DOUBLE_EQ(axisPosition(lin, 0, 100, 400, true), 400);
    EXPECT_DOUBLE_EQ(axisPosition(log, 0.1, 0, 400, false), 200);
    EXPECT_DOUBLE_EQ(axisValue(log, 300, 0, 400, false), 1);
    EXPECT_DOUBLE_EQ(axisValue(lin, 400, 100, 400, true), 0);
}

// Curves in pixels: a segment leaving the plot ends on its edge and the next run starts
// there, a value that is not finite breaks the curve, and a dense curve keeps every
// column's extremes while it thins out.
TEST(ChartCurveRuns, ClippedBrokenAndThinned) {
    Chart chart;
    chart.xAxis = {0, 1, false};
    chart.yAxis = {0, 1, false};
    const ChartRect area = plotArea(chart.width, chart.height);
    const double top = area.y, bottom = area.y + area.height, left = area.x,
                 right = area.x + area.width, middle = area.y + area.height / 2;
    ChartCurve across{"a", {}, {-0.5, 1.5}, {0.5, 0.5}, {}};
    EXPECT_EQ(curveRuns(chart, across),
              (std::vector<std::vector<double>>{{left, middle, right, middle}}));
    ChartCurve peak{"b", {}, {0, 0.5, 1}, {0.5, 1.5, 0.5}, {}};
    const auto runs = curveRuns(chart, peak);
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0].size(), 4u);
    ASSERT_EQ(runs[1].size(), 4u);
    EXPECT_DOUBLE_EQ(runs[0][0], left);
    EXPECT_DOUBLE_EQ(runs[0][3], top);
    EXPECT_DOUBLE_EQ(runs[0][2], left + area.width / 4); // halfway up the rising segment
    EXPECT_DOUBLE_EQ(runs[1][1], top);
    EXPECT_DOUBLE_EQ(runs[1][2], right);
    ChartCurve broken{"c", {}, {0, 0.25, 0.5, 0.75, 1}, {0.1, 0.2, std::nan(""), 0.4, 0.5}, {}};
    EXPECT_EQ(curveRuns(chart, broken).size(), 2u);

    ChartCurve dense{"d", {}, {}, {}, {}};
    for (int i = 0; i <= 100000; ++i) {
        dense.x.push_back(i / 100000.0);
        dense.y.push_back(i % 2 == 0 ? 0.2 : 0.8);
    }
    const auto thin = curveRuns(chart, dense);
    std::size_t points = 0;
    double high = bottom, low = top;
    for (const auto& run : thin) {
        points += run.size() / 2;
        for (std::size_t i = 1; i < run.size(); i += 2) {
            high = std::min(high, run[i]);
            low = std::max(low, run[i]);
        }
    }
    EXPECT_LE(points, static_cast<std::size_t>(4 * (area.width + 2)));
    EXPECT_DOUBLE_EQ(high, axisPosition(chart.yAxis, 0.8, area.y, area.height, true));
    EXPECT_DOUBLE_EQ(low, axisPosition(chart.yAxis, 0.2, area.y, area.height, true));
}

// A lowpass request: pass [0, F1] may fall DA below the pass-band maximum, the stop band
// [F4, FD/2] must lie B1 below it, each beyond the design check's 0.05 dB.
TEST(ChartMask, DeparturesFromTheRequest) {
    DesignRequest request;
    request.f1 = 0.2;
    request.f4 = 0.25;
    request.da = 1;
    request.b1 = 40;
    const ToleranceMask mask = toleranceMask(request);
    ASSERT_EQ(mask.bands.pass.size(), 1u);
    ASSERT_EQ(mask.bands.stop.size(), 1u);
    const auto level = [](double db) { return 2 * std::pow(10.0, db / 20); }; // reference 2
    const std::vector<double> f = {0.0, 0.1, 0.15, 0.2, 0.22, 0.25, 0.3, 0.4, 0.45, 0.5};
    const std::vector<double> m = {level(0),     level(-1.2),  level(-1.04),  level(-1.06),
                                   level(-20),   level(-39.9), level(-39.96), level(-39.94),
                                   level(-39.9), level(-60)};
    const std::vector<MaskViolation> runs = maskViolations(mask, f, m, 2);
    // 0.1 and the pass band's edge 0.2 fall too low; 0.25, 0.4 and 0.45 stay too high; the
    // transition band between 0.2 and 0.25 is free.
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {
        {1, 1}, {3, 3}, {5, 5}, {7, 8}};
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].first, expected[i].first) << i;
        EXPECT_EQ(runs[i].last, expected[i].second) << i;
    }
}

// The mask's shading lies DA under the first curve's pass-band maximum in its pass band
// and B1 under it in the stop bands of a band-pass request.
TEST(ChartMask, RegionsRelativeToThePassBandMaximum) {
    DesignRequest request;
    request.f1 = 0.3;
    request.f2 = 0.2;
    request.f3 = 0.1;
    request.f4 = 0.4;
    request.da = 0.5;
    request.b1 = 50;
    const ToleranceMask mask = toleranceMask(request);
    ChartCurves curves;
    curves.frequencies = {0, 0.5};
    curves.values = {{0, 0}};
    curves.leaves = {{}};
    curves.references = {10}; // 20 dB
    ChartOptions options;
    options.view = ChartView::MagnitudeDb;
    const Chart chart = characteristicsChart({{"a", {}}}, curves, options, mask, {0, 0.5, false},
                                             {-100, 30, false}, 800, 500);
    ASSERT_EQ(chart.forbidden.size(), 3u);
    EXPECT_EQ(chart.forbidden[0].x0, 0.2);
    EXPECT_EQ(chart.forbidden[0].x1, 0.3);
    EXPECT_FALSE(chart.forbidden[0].y0);
    EXPECT_DOUBLE_EQ(*chart.forbidden[0].y1, 19.5);
    EXPECT_EQ(chart.forbidden[1].x0, 0);
    EXPECT_EQ(chart.forbidden[1].x1, 0.1);
    EXPECT_DOUBLE_EQ(*chart.forbidden[1].y0, -30);
    EXPECT_FALSE(chart.forbidden[1].y1);
    EXPECT_EQ(chart.forbidden[2].x0, 0.4);
    EXPECT_EQ(chart.forbidden[2].x1, 0.5);
    options.view = ChartView::Magnitude;
    const Chart linear = characteristicsChart({{"a", {}}}, curves, options, mask, {0, 0.5, false},
                                              {0, 12, false}, 800, 500);
    ASSERT_EQ(linear.forbidden.size(), 3u);
    EXPECT_DOUBLE_EQ(*linear.forbidden[0].y1, 10 * std::pow(10.0, -0.5 / 20));
    EXPECT_DOUBLE_EQ(*linear.forbidden[2].y0, 10 * std::pow(10.0, -50.0 / 20));
}

// Three files with a mask as SVG: valid XML (read by Python's parser), one curve element
// per file in the legend's order and colours, every file named in a text; as PDF: one
// page, and a cross-reference table whose every offset opens its object.
TEST(ChartPictures, SvgAndPdfOfThreeFiles) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx elliptic --report e.out --filter e.flt").status, 0);
    ASSERT_EQ(runCli(dir, "design --approx chebyshev --report c.out --filter c.flt").status, 0);
    ASSERT_EQ(runCli(dir, "design --report b.out --filter b.flt").status, 0);
    const std::string files = "plot e.flt c.flt b.flt --view magnitude-db --mask e.out ";
    ASSERT_EQ(runCli(dir, files + "--picture p.svg").status, 0);
    ASSERT_EQ(runCli(dir, files + "--picture p.pdf").status, 0);
    ASSERT_EQ(runCli(dir, files + "--picture p.png").status, 0);

    writeBytes(
        dir.file("check.py"),
        "import xml.etree.ElementTree as E\n"
        "root = E.parse('p.svg').getroot()\n"
        "ns = '{http://www.w3.org/2000/svg}'\n"
        "print(root.get('width'), root.get('height'))\n"
        "for p in root.iter(ns + 'path'):\n"
        "    if p.get('class') == 'curve':\n"
        "        print('curve', p.get('data-file'), p.get('stroke'), len(p.get('d')) > 100)\n"
        "for t in root.iter(ns + 'text'):\n"
        "    if t.text and t.text.endswith('.flt'):\n"
        "        print('text', t.text)\n");
    ASSERT_EQ(
        std::system(("cd '" + dir.path().string() + "' && python3 check.py > py.txt").c_str()), 0);
    EXPECT_EQ(readBytes(dir.file("py.txt")), "800 500\n"
                                             "curve e.flt #1f77b4 True\n"
                                             "curve c.flt #d62728 True\n"
                                             "curve b.flt #2ca02c True\n"
                                             "text e.flt\n"
                                             "text c.flt\n"
                                             "text b.flt\n");

    const std::string pdf = readBytes(dir.file("p.pdf"));
    ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
    const std::regex page(R"(/Type /Page[^s])");
    EXPECT_EQ(
        std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()),
        1);
    EXPECT_NE(pdf.find("/Count 1 "), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [0 0 800 500]"), std::string::npos);
    EXPECT_NE(pdf.find("(e.flt) Tj"), std::string::npos);
    // Helvetica has no Cyrillic letters: the titles come in Latin ones.
    EXPECT_NE(pdf.find("(Chastota, doli FD) Tj"), std::string::npos);
    EXPECT_NE(pdf.find("(|H|, dB) Tj"), std::string::npos);
    const std::size_t start = pdf.rfind("startxref\n");
    ASSERT_NE(start, std::string::npos);
    const std::size_t xref = std::stoul(pdf.substr(start + 10));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    std::istringstream table(pdf.substr(xref + 5));
    int first = 0, count = 0;
    table >> first >> count;
    ASSERT_EQ(count, 6);
    std::string offset, generation, kind;
    table >> offset >> generation >> kind; // the free head
    for (int i = 1; i < count; ++i) {
        table >> offset >> generation >> kind;
        EXPECT_EQ(kind, "n");
        const std::string opening = std::to_string(i) + " 0 obj";
        EXPECT_EQ(pdf.compare(std::stoul(offset), opening.size(), opening), 0) << i;
    }
    const std::size_t length = pdf.find("/Length ");
    const std::size_t stream = pdf.find("stream\n", length) + 7;
    EXPECT_EQ(pdf.compare(stream + std::stoul(pdf.substr(length + 8)), 10, "endstream\n"), 0);

    const std::string png = readBytes(dir.file("p.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(png[19]), 800 & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(png[23]), 500 & 0xFF);
}

} // namespace
} // namespace zorkan
