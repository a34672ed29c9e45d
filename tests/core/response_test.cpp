#include "common/errors.h"
#include "response/response.h"

#include "cascade.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

using namespace zorkan;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

// Keeps every drawing step as text, e.g. "width 2", "color 0,0,255", "seg 3 136 102",
// "pixel 0 1 0,128,0"; the maximum handed over shows as "max".
class Recorder : public DrawingTarget {
  public:
    std::vector<std::string> steps;
    void setPenColor(Rgb c) override { steps.push_back("color " + text(c)); }
    void setPenWidth(int w) override { steps.push_back("width " + std::to_string(w)); }
    void verticalSegment(int x, int y0, int y1) override {
        steps.push_back("seg " + std::to_string(x) + " " + std::to_string(y0) + " " +
                        std::to_string(y1));
    }
    void setPixel(int x, int y, Rgb c) override {
        steps.push_back("pixel " + std::to_string(x) + " " + std::to_string(y) + " " + text(c));
    }
    static std::string text(Rgb c) {
        return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    }
};

struct Outcome {
    ResponseResult result;
    std::vector<std::string> steps;
    std::string error;
    int maximumCalls = 0;
    double shownKmax = -1, shownFm = -1;
};

// Writes the file (unless a path is given) and computes onto a recorder.
Outcome runOnFile(const std::string& text, const ResponseRange& range, int w, int h,
                  const char* path = nullptr) {
    TempDir dir;
    writeBytes(dir.file("f.flt"), text);
    Outcome run;
    Recorder rec;
    try {
        run.result = computeResponse(path ? path : dir.file("f.flt"), range, w, h, rec,
                                     [&](double k, double f) {
                                         ++run.maximumCalls;
                                         run.shownKmax = k;
                                         run.shownFm = f;
                                         rec.steps.push_back("max");
                                     });
    } catch (const Error& e) {
        run.error = e.what();
    }
    run.steps = rec.steps;
    return run;
}

std::string sections(int order, int kind, const std::string& numerators,
                     const std::string& denominators) {
    return std::to_string(order) + "\r\n" + std::to_string(kind) + " \r\n" + numerators +
           denominators;
}

std::string repeat(const std::string& line, int times) {
    std::string s;
    for (int i = 0; i < times; ++i)
        s += line;
    return s;
}

FilterSection section(std::initializer_list<double> a, std::initializer_list<double> b) {
    FilterSection s;
    std::copy(a.begin(), a.end(), s.a);
    std::copy(b.begin(), b.end(), s.b);
    return s;
}

const double pi = std::acos(-1.0);

} // namespace

TEST(Response, UnitSectionGivesUnitMagnitudeZeroPhaseOnTheTopAndCentreRows) {
    const std::vector<std::pair<const char*, std::string>> files = {
        {"unit section", sections(2, 0, "1 0 0 \r\n", "1 0 0 \r\n")},
    };
    ResponseRange range;
    range.f1 = 0.1;
    range.f2 = 0.4;
    for (const auto& [what, text] : files) {
        const Outcome run = runOnFile(text, range, 6, 273);
        ASSERT_EQ(run.error, "") << what;
        EXPECT_EQ(run.result.kmax, 1) << what;
        EXPECT_EQ(run.result.fm, 0.1) << what;
        ASSERT_EQ(run.result.columns.size(), 7u) << what;
        for (const ResponseColumn& c : run.result.columns) {
            EXPECT_EQ(c.magnitude, 1) << what;
            EXPECT_EQ(c.phase, 0) << what;
            EXPECT_EQ(c.decibels, 0) << what;
            EXPECT_EQ(c.yPhase, 136) << what;
            EXPECT_EQ(c.yLinear, 1) << what;
            EXPECT_EQ(c.yDecibel, 1) << what;
        }
        EXPECT_NEAR(run.result.columns[6].frequency, 0.4, 1e-15) << what;
    }
}

TEST(Response, WorkedSectionOneOneZero) {
    // A = (1, 1, 0), B = (1, 0, 0), F1 = 0, F2 = 0.5, H = 273; columns at 0, 0.25, 0.5.
    const Outcome run =
        runOnFile(sections(2, 0, "1 1 0 \r\n", "1 0 0 \r\n"), ResponseRange{}, 2, 273);
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(run.result.kmax, 2);
    EXPECT_EQ(run.result.fm, 0);
    const ResponseColumn& c0 = run.result.columns[0];
    const ResponseColumn& c1 = run.result.columns[1];
    const ResponseColumn& c2 = run.result.columns[2];
    EXPECT_EQ(c1.frequency, 0.25);
    EXPECT_NEAR(c1.magnitude, std::sqrt(2.0), 1e-15);
    EXPECT_NEAR(c1.phase, -pi / 4, 1e-15);
    EXPECT_EQ(c1.yPhase, 102);
    EXPECT_EQ(c1.yLinear, 80);
    EXPECT_EQ(c1.yDecibel, 8);
    EXPECT_NEAR(c1.decibels, -3.0103, 1e-4);
    // Column 0 is the maximum: the top rows after clamping 0 to 1.
    EXPECT_EQ(c0.yPhase, 136);
    EXPECT_EQ(c0.yLinear, 1);
    EXPECT_EQ(c0.yDecibel, 1);
    // At half the sampling rate ReN is 0: phase -pi/2 by that rule; the magnitude is
    // floored 100 dB down and clamped to the last row.
    EXPECT_LT(c2.magnitude, 1e-15);
    EXPECT_EQ(c2.phase, -pi / 2);
    EXPECT_EQ(c2.decibels, -100);
    EXPECT_EQ(c2.yPhase, 68);
    EXPECT_EQ(c2.yLinear, 272);
    EXPECT_EQ(c2.yDecibel, 272);

    // Drawing order: the whole phase trace, the maximum, then green before red per column.
    const std::vector<std::string> expected = {
        "width 2",           "color 0,0,255",     "seg 1 136 102", "seg 2 102 68",  "max",
        "pixel 0 1 0,128,0", "pixel 0 1 255,0,0", "color 0,128,0", "seg 1 1 80",    "color 255,0,0",
        "seg 1 1 8",         "color 0,128,0",     "seg 2 80 272",  "color 255,0,0", "seg 2 8 272"};
    EXPECT_EQ(run.steps, expected);
    EXPECT_EQ(run.maximumCalls, 1);
}

TEST(Response, FileReadingRulesAndGains) {
    struct Case {
        const char* what;
        std::string text;
        double kmax;
        double fm;
    };
    const std::vector<Case> cases = {
        // A = (1, 2, 1): 4 at f = 0, nothing at FD / 2 (checked below).
        {"low-pass section", sections(2, 0, "1 2 1 \r\n", "1 0 0 \r\n"), 4, 0},
        // 300 has 44 in its low 8 bits: 22 sections of gain 2 at f = 0.
        {"order 300", sections(300, 0, repeat("1 1 0 \r\n", 22), repeat("1 0 0 \r\n", 22)), 4194304,
         0},
        // Kind 1 has three coefficients per line: (1 + z^-1)(1 - z^-1) = 1 - z^-2,
        // largest (2) at a quarter of the sampling rate. Five per section would misread.
        {"kind 1", sections(4, 1, "1 1 0 \r\n1 -1 0 \r\n", "1 0 0 \r\n1 0 0 \r\n"), 2, 0.25},
        // Kind 2: A3 and A4 on their own line. 1 - z^-4 is 2 at f = 0.125.
        {"kind 2", sections(2, 2, "1 0 0\r\n0 -1\r\n", "1 0 0\r\n0 0\r\n"), 2, 0.125},
        {"32 sections", sections(64, 0, repeat("1 1 0 \r\n", 32), repeat("1 0 0 \r\n", 32)),
         4294967296.0, 0},
    };
    for (const Case& c : cases) {
        const Outcome run = runOnFile(c.text, ResponseRange{}, 8, 100);
        ASSERT_EQ(run.error, "") << c.what;
        EXPECT_NEAR(run.result.kmax, c.kmax, c.kmax * 1e-14) << c.what;
        EXPECT_EQ(run.result.fm, c.fm) << c.what;
    }
    // The low-pass section against an independent complex evaluation; its zero at FD / 2
    // is lifted to the floor, the bottom of the decibel scale.
    const Outcome run = runOnFile(cases[0].text, ResponseRange{}, 8, 100);
    for (const ResponseColumn& c : run.result.columns)
        EXPECT_NEAR(
            c.magnitude,
            zorkan::testing::cascadeMagnitude({section({1, 2, 1}, {1, 0, 0})}, c.frequency, 1),
            1e-14);
    EXPECT_EQ(run.result.columns[8].decibels, -100);
    EXPECT_EQ(run.result.columns[8].yDecibel, 99);
}

TEST(Response, RefusalsDrawNothing) {
    struct Case {
        const char* what;
        const char* path; // a file holding `text` when null
        std::string text;
        std::string error; // any text when empty
    };
    const std::vector<Case> cases = {
        {"no name", "", "", "Не задано имя файла"},
        {"mask only", "*.flt", "", "Не задано имя файла"},
        {"missing file", "/nonexistent/zorkan/f.flt", "", "File not found"},
        {"33 sections", nullptr, sections(66, 0, "", ""), ""},
        {"malformed number", nullptr, sections(2, 0, "1 x 0 \r\n", "1 0 0 \r\n"),
         "Invalid numeric input"},
        // A design stopped by its order leaves an empty parameter file.
        {"empty file", nullptr, "", "В файле параметров фильтра нет ни одной секции"},
        {"order 0", nullptr, "0\r\n0 \r\n", "В файле параметров фильтра нет ни одной секции"},
        {"order 1", nullptr, "1\r\n0 \r\n 5 5 5 \r\n",
         "В файле параметров фильтра нет ни одной секции"},
        {"order 256: low 8 bits 0", nullptr, sections(256, 0, "", ""),
         "В файле параметров фильтра нет ни одной секции"},
    };
    for (const Case& c : cases) {
        const Outcome run = runOnFile(c.text, ResponseRange{}, 10, 10, c.path);
        EXPECT_NE(run.error, "") << c.what;
        if (!c.error.empty()) {
            EXPECT_EQ(run.error, c.error) << c.what;
        }
        EXPECT_TRUE(run.steps.empty()) << c.what;
    }
}

TEST(Response, ScaleWithEqualEndsIsLeftOutAndTheRestIsDrawn) {
    struct Case {
        ResponseRange range;
        bool linear;
        bool decibel;
    };
    const std::vector<Case> cases = {{{.a1 = 0.5, .a2 = 0.5}, false, true},
                                     {{.b1 = -20, .b2 = -20}, true, false},
                                     {{.a1 = 0, .a2 = 0, .b1 = 0, .b2 = 0}, false, false}};
    for (const Case& c : cases) {
        const Outcome run = runOnFile(sections(2, 0, "1 1 0 \r\n", "1 0 0 \r\n"), c.range, 4, 50);
        ASSERT_EQ(run.error, "");
        EXPECT_EQ(run.result.kmax, 2);
        int green = 0, red = 0, segments = 0;
        for (const std::string& step : run.steps) {
            green += step.find("0,128,0") != std::string::npos;
            red += step.find("255,0,0") != std::string::npos;
            segments += step.find("seg") == 0;
        }
        EXPECT_EQ(green > 0, c.linear);
        EXPECT_EQ(red > 0, c.decibel);
        EXPECT_EQ(segments, 4 + 4 * c.linear + 4 * c.decibel); // the phase trace is whole
        for (const ResponseColumn& col : run.result.columns) {
            EXPECT_EQ(col.yLinear.has_value(), c.linear);
            EXPECT_EQ(col.yDecibel.has_value(), c.decibel);
        }
    }
}

TEST(Response, ZeroMagnitudeEverywhereIsReportedInsteadOfDividing) {
    ResponseRange range;
    range.f1 = 0.2;
    const Outcome run = runOnFile(sections(2, 0, "0 0 0 \r\n", "1 0 0 \r\n"), range, 4, 50);
    EXPECT_EQ(run.error, zeroMagnitudeMessage);
    EXPECT_EQ(run.maximumCalls, 1);
    EXPECT_EQ(run.shownKmax, 0);
    EXPECT_EQ(run.shownFm, 0.2);
    // The phase trace is there, nothing after the maximum.
    ASSERT_FALSE(run.steps.empty());
    EXPECT_EQ(run.steps.back(), "max");
    EXPECT_EQ(std::count(run.steps.begin(), run.steps.end(), "color 0,0,255"), 1);
}

TEST(Response, PositionsRoundHalvesToEven) {
    // A = (3, 1, 0): magnitude 4 at f = 0 and exactly 2 at f = FD / 2, half of Kmax.
    // Linear, H = 5: 5 - round(2.5) = 3. Decibel scale 5..-5 at Kmax:
    // H + round(-H / 2): H = 5 -> 5 + round(-2.5) = 3, H = 7 -> 7 + round(-3.5) = 3.
    ResponseRange range;
    range.b1 = 5;
    range.b2 = -5;
    const std::string file = sections(2, 0, "3 1 0 \r\n", "1 0 0 \r\n");
    for (int h : {5, 7}) {
        const Outcome run = runOnFile(file, range, 1, h);
        ASSERT_EQ(run.error, "");
        ASSERT_EQ(run.result.columns[1].magnitude, 2);
        EXPECT_EQ(run.result.columns[0].yDecibel, 3) << "H = " << h;
        EXPECT_EQ(run.result.columns[0].yPhase, h / 2) << "H = " << h;
    }
    EXPECT_EQ(runOnFile(file, range, 1, 5).result.columns[1].yLinear, 3);
}

TEST(Response, PhaseRulesAndOneCorrectionAfterEverySection) {
    struct Case {
        const char* what;
        std::vector<FilterSection> cascade;
        double f;
        double phase;
        double magnitude;
    };
    // H = z per section: +theta each. Eight sections at theta = 1.5 sum to 12 rad, whose
    // principal value a correction after every section keeps (12 - 4 pi).
    const double f15 = 1.5 / (2 * pi);
    const std::vector<Case> cases = {
        {"numerator delay", {section({0, 1, 0}, {1, 0, 0})}, f15, -1.5, 1},
        {"eight advances", std::vector<FilterSection>(8, section({1, 0, 0}, {0, 1, 0})), f15,
         12 - 4 * pi, 1},
        // ReD = 1 + cos(pi) = 0 with ImD = sin(pi) != 0: + pi / 2 and no division.
        {"denominator real part zero", {section({1, 0, 0}, {1, 0, 1})}, 0.25, pi / 2, -1},
        // ReN = 0 and ImN = 0 at f = 0: -pi / 2 by the rule.
        {"numerator zero", {section({1, -1, 0}, {1, 0, 0})}, 0, -pi / 2, 0},
    };
    for (const Case& c : cases) {
        const ResponsePoint p = evaluateCascade(c.cascade, c.f, 1);
        EXPECT_NEAR(p.phase, c.phase, 1e-12) << c.what;
        if (c.magnitude >= 0) {
            EXPECT_NEAR(p.magnitude, c.magnitude, 1e-12) << c.what;
        }
    }
}

TEST(Response, PictureOfTheWorkedSection) {
    // Two columns on a 3-pixel-wide canvas, so the last column's segments are visible.
    TempDir dir;
    writeBytes(dir.file("f.flt"), sections(2, 0, "1 1 0 \r\n", "1 0 0 \r\n"));
    Canvas canvas(3, 273);
    computeResponse(dir.file("f.flt"), ResponseRange{}, 2, 273, canvas);
    const Rgb blue = phaseColor, green = linearColor, red = decibelColor;
    struct Probe {
        int x, y;
        Rgb color;
    };
    const std::vector<Probe> probes = {
        // Column 1 (pen width 2: columns 0 and 1): red 1..7, green 8..79, blue 103..136.
        {0, 0, white},
        {0, 1, red},
        {0, 7, red},
        {0, 8, green},
        {0, 79, green},
        {0, 80, white},
        {0, 102, white},
        {0, 103, blue},
        {0, 136, blue},
        {0, 137, white},
        // Column 2 (columns 1 and 2): blue 69..102, then green 80..271 and red 8..271
        // over it; the red end row 272 is not painted.
        {2, 7, white},
        {2, 8, red},
        {2, 271, red},
        {2, 272, white},
        {2, 68, red},
        {1, 5, red},
        {1, 120, red},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(canvas.pixel(p.x, p.y), p.color) << p.x << "," << p.y;
}

TEST(Response, ClearedPictureHasFrameAndGridAtRoundedTenths) {
    Canvas canvas(549, 273, Rgb{1, 2, 3});
    canvas.setPenWidth(2);
    clearResponsePicture(canvas);
    EXPECT_EQ(canvas.penWidth(), 1);
    const Rgb grey = gridColor;
    // 5 x 549 / 10 = 274.5 and 5 x 273 / 10 = 136.5 round to the even 274 and 136.
    const std::vector<std::pair<int, int>> greyPoints = {{0, 0},    {548, 0}, {0, 272},  {548, 272},
                                                         {274, 50}, {55, 50}, {110, 50}, {494, 50},
                                                         {50, 136}, {50, 27}, {50, 55},  {50, 246}};
    for (auto [x, y] : greyPoints)
        EXPECT_EQ(canvas.pixel(x, y), grey) << x << "," << y;
    const std::vector<std::pair<int, int>> whitePoints = {
        {275, 50}, {273, 50}, {50, 137}, {50, 135}, {1, 1}, {547, 271}, {200, 200}};
    for (auto [x, y] : whitePoints)
        EXPECT_EQ(canvas.pixel(x, y), white) << x << "," << y;
}

TEST(Response, RangeChecksInTheWindowsOrder) {
    using F = RangeField;
    const std::vector<std::pair<ResponseRange, std::optional<F>>> cases = {
        {{}, std::nullopt},
        {{.f1 = 0.3, .f2 = 0.3, .a1 = 0.5, .a2 = 0.5}, std::nullopt},
        {{.f2 = 1.2}, F::F2},
        {{.f1 = 0.6}, F::F2},
        {{.f1 = -0.1, .b1 = 6}, F::F1}, // the first in the window's order
        {{.b2 = -120}, F::B2},
        {{.b1 = 6}, F::B1},
        {{.a2 = -0.1}, F::A2},
        {{.a1 = 1.5}, F::A1},
    };
    for (const auto& [range, first] : cases)
        EXPECT_EQ(firstInvalidRangeField(range), first)
            << range.f1 << " " << range.f2 << " " << range.b1 << " " << range.a1;
}
