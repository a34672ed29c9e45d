// Test signals, the modelling tables and their loader, and the filtering engine, with
// the literal pass-by-pass file filter as the oracle of the streaming one.
#include "design/designrun.h"
#include "literalfilter.h"
#include "modelling/filtering.h"
#include "modelling/modellingchart.h"
#include "modelling/randomgenerator.h"
#include "modelling/testsignals.h"
#include "response/response.h"
#include "tempfiles.h"

#include "common/errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <filesystem>
#include <random>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

TEST(TestSignals, ShapesAndMaxima) {
    struct Row {
        SignalKind kind;
        double first, second, last, maximum;
    };
    const Row rows[] = {
        {stepSignal, 0, 1, 1, 1},
        {impulseSignal, 1, 0, 0, 1},
    };
    for (const Row& r : rows) {
        TestSignalBuffer b;
        b.fill(7);
        EXPECT_EQ(generateTestSignal(r.kind, 0.01, 0.1, b), r.maximum) << r.kind;
        EXPECT_EQ(b[0], r.first) << r.kind;
        EXPECT_EQ(b[1], r.second) << r.kind;
        EXPECT_EQ(b[1023], r.last) << r.kind;
        EXPECT_EQ(std::count(b.begin() + 1, b.end(), r.second), 1023) << r.kind;
    }
}

TEST(TestSignals, QuarterFrequencySineLagsOneSample) {
    TestSignalBuffer b;
    EXPECT_NEAR(generateTestSignal(plainSine, 0.25, 0.1, b), 1.0, 1e-15);
    const double expected[] = {0, 1, 0, -1, 0, 1, 0, -1};
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(b[i], expected[i], 1e-15) << i;
    // The argument (2 pi f) n and the sine are extended, rounded to double once.
    generateTestSignal(plainSine, 0.013, 0.1, b);
    int differFromDouble = 0;
    for (int n = 1; n < 1024; ++n) {
        EXPECT_EQ(b[n], static_cast<double>(std::sin((6.283185307179586477L * 0.013) * n))) << n;
        differFromDouble += b[n] != std::sin(2 * M_PI * 0.013 * n);
    }
    EXPECT_GT(differFromDouble, 0); // the check above can tell the two apart
}

TEST(TestSignals, NoiseDrawsContinueTheSequence) {
    struct Row {
        SignalKind kind;
        int draws;
    };
    for (const Row& r : {Row{uniformNoiseSine, 1024}, Row{gaussianNoiseSine, 12288},
                         Row{plainSine, 0}, Row{stepSignal, 0}}) {
        setRandomSeed(0);
        TestSignalBuffer b;
        generateTestSignal(r.kind, 0.01, 0.1, b);
        const std::uint32_t after = randomSeed();
        setRandomSeed(0);
        for (int i = 0; i < r.draws; ++i)
            nextRandom();
        EXPECT_EQ(after, randomSeed()) << r.kind;
    }
    // Sample 2 of kind 3 is sin(2 pi f) plus the first uniform draw scaled by sigma.
    setRandomSeed(0);
    TestSignalBuffer b, again;
    generateTestSignal(uniformNoiseSine, 0.01, 0.5, b);
    const long double s = std::sin(6.283185307179586477L * 0.01);
    EXPECT_EQ(b[1], static_cast<double>(
                        s + static_cast<long double>((1.0 / 4294967296.0 - 0.5) * 2.0) * 0.5));
    generateTestSignal(uniformNoiseSine, 0.01, 0.5, again);
    EXPECT_NE(b, again); // a second press draws new noise
}

TEST(LayoutRoundTrip, MatchesWritingAndReadingTheText) {
    std::mt19937_64 bits(42);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-330, 310);
    auto viaText = [](double v) {
        char text[realFieldWidth];
        formatRealTo(text, v);
        std::string_view t(text, realFieldWidth);
        t.remove_prefix(t.find_first_not_of(' '));
        double r;
        return parseDecimalReal(t, r) ? std::optional<double>(r) : std::nullopt;
    };
    auto check = [&](double v) {
        const std::optional<double> expected = viaText(v);
        if (!expected) {
            EXPECT_THROW(throughRealLayout(v), InOutError) << v;
            return;
        }
        const double got = throughRealLayout(v);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(*expected)) << v;
    };
    std::uniform_int_distribution<std::int64_t> fifteen(100000000000000, 999999999999999);
    for (int i = 0; i < 300000; ++i) {
        check(std::bit_cast<double>(bits()));
        check(mantissa(bits) * std::pow(10.0, exponent(bits) % 40));
        // Near halves of the last kept digit, where the rounding is decided.
        const double tie =
            (static_cast<double>(fifteen(bits)) + 0.5) * std::pow(10.0, exponent(bits) % 12 - 14);
        check(tie);
        check(std::nextafter(tie, 0.0));
        check(std::nextafter(tie, 1e300));
    }
    for (double v : {0.0, -0.0, 1.0, -128.0, 1.0 / 3, 0.1, 9.999999999999995, 1e22, 1e23, 1e-300,
                     4.9e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                     -1.7976931348623157e308, 1.79769313486231e308, HUGE_VAL, std::nan("")})
        check(v);
}

// ---- the tables and their loader ----

SectionTables loadText(const std::string& text, SectionTables tables = {}) {
    TextReader in = TextReader::fromBytes(text);
    loadModellingFilter(in, tables);
    return tables;
}

TEST(ModellingLoader, SectionShapesFollowTheKind) {
    // Order 6: three sections; kind 0 takes three values a line, kinds 1 and 2 five over
    // two lines (a high-pass file of the design routine is misread, as the reader does).
    const SectionTables low = loadText("6\r\n0\r\n1 2 3\r\n4 5 6\r\n7 8 9\r\n"
                                       "1 -1 -2\r\n1 -3 -4\r\n1 -5 -6\r\n");
    EXPECT_EQ(low.sectionCount(), 3);
    EXPECT_EQ(low.sections[2].a[2], 9);
    EXPECT_EQ(low.sections[2].b[2], -6);
    EXPECT_EQ(low.sections[0].a[3], 0);

    const SectionTables band = loadText("6\r\n2\r\n1 2 3\r\n4 5\r\n6 7 8\r\n9 10\r\n11 12 13\r\n"
                                        "14 15\r\n1 0 0\r\n0 0\r\n");
    EXPECT_EQ(band.sections[1].a[4], 10);
    EXPECT_EQ(band.sections[2].a[4], 15);
    EXPECT_EQ(band.sections[0].b[0], 1);
    EXPECT_EQ(band.kind, 2);
}

TEST(ModellingLoader, OddOrderKeepsTablesAndKindButSetsN) {
    SectionTables before = loadText("4\r\n2\r\n1 2 3\r\n4 5\r\n6 7 8\r\n9 10\r\n");
    const SectionTables after = loadText("5\r\nnot read\r\n", before);
    EXPECT_EQ(after.order, 5);
    EXPECT_EQ(after.sectionCount(), 2);
    EXPECT_EQ(after.kind, 2);
    EXPECT_EQ(after.sections[1].a[4], 10);
}

TEST(ModellingLoader, FailuresLeaveTheTablesAsTheyWere) {
    const SectionTables before = loadText("2\r\n0\r\n0.5 0.25 0.125\r\n1 -0.5 0\r\n");
    struct Row {
        const char* name;
        const char* text;
        bool userMessage;
    };
    const Row rows[] = {
        {"bad number in the second section", "4\r\n0\r\n9 9 9\r\n9 x 9\r\n1 0 0\r\n1 0 0\r\n",
         false},
        {"bad denominator", "2\r\n0\r\n9 9 9\r\n1 0 zz\r\n", false},
        {"31 sections", "62\r\n0\r\n1 0 0\r\n", true},
        {"odd order past the tables", "63\r\n0\r\n", true},
        {"negative order is 65534", "-2\r\n0\r\n", true},
    };
    for (const Row& r : rows) {
        SectionTables tables = before;
        if (r.userMessage)
            EXPECT_THROW(loadText(r.text, tables), UserMessage) << r.name;
        else
            EXPECT_THROW(loadText(r.text, tables), InOutError) << r.name;
        TextReader in = TextReader::fromBytes(r.text);
        try {
            loadModellingFilter(in, tables);
        } catch (const Error&) {
        }
        EXPECT_EQ(tables.order, 2) << r.name;
        EXPECT_EQ(tables.sections[0].a[0], 0.5) << r.name;
        EXPECT_EQ(tables.sections[0].b[1], -0.5) << r.name;
        EXPECT_EQ(tables.sections[1].a[0], 0) << r.name;
    }
    SectionTables tables = before;
    EXPECT_THROW(loadModellingFilter("/nonexistent/1.flt", tables), InOutError);
    EXPECT_EQ(tables.order, 2);
}

// ---- filterBlock ----

TestSignalBuffer impulse() {
    TestSignalBuffer b{};
    b[0] = 1;
    return b;
}

TEST(FilterBlock, WorkedCases) {
    struct Row {
        const char* name;
        const char* file;
        double expected[4];
        double maximum;
    };
    const Row rows[] = {
        {"pass-through", "2\r\n0\r\n1 0 0\r\n1 0 0\r\n", {1, 0, 0, 0}, 1},
        {"B1 = -0.5", "2\r\n0\r\n1 0 0\r\n1 -0.5 0\r\n", {1, 0.5, 0.25, 0.125}, 1},
        {"B0 is not used", "2\r\n0\r\n1 0 0\r\n7 -0.5 0\r\n", {1, 0.5, 0.25, 0.125}, 1},
        {"two sections",
         "4\r\n0\r\n1 0 0\r\n1 0 0\r\n1 -0.5 0\r\n1 -0.5 0\r\n",
         {1, 1, 0.75, 0.5},
         1},
        {"five coefficients", "2\r\n1\r\n0 0 0\r\n0 2\r\n1 0 0\r\n0 0\r\n", {0, 0, 0, 0}, 2},
        // The largest magnitude is taken after every section, not only the last.
        {"maximum over sections",
         "4\r\n0\r\n3 0 0\r\n0.1 0 0\r\n1 0 0\r\n1 0 0\r\n",
         {0.30000000000000004, 0, 0, 0},
         3},
    };
    for (const Row& r : rows) {
        const SectionTables t = loadText(r.file);
        TestSignalBuffer out;
        const TestSignalBuffer in = impulse();
        EXPECT_EQ(filterBlock(in, t, t.sectionCount(), out), r.maximum) << r.name;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(out[i], r.expected[i]) << r.name << " " << i;
        EXPECT_EQ(in, impulse()) << r.name;
    }
    // A4 reaches sample 5.
    TestSignalBuffer out;
    filterBlock(impulse(), loadText("2\r\n1\r\n0 0 0\r\n0 2\r\n1 0 0\r\n0 0\r\n"), 1, out);
    EXPECT_EQ(out[4], 2);
}

TEST(FilterBlock, NoSectionsGivesZeroAndOddOrderUsesOldTables) {
    TestSignalBuffer out;
    out.fill(5);
    EXPECT_EQ(filterBlock(impulse(), SectionTables{}, 0, out), 0);
    EXPECT_EQ(out, TestSignalBuffer{});
    // Order 5 on fresh tables: two sections of zeros.
    const SectionTables t = loadText("5\r\n");
    EXPECT_EQ(filterBlock(impulse(), t, t.sectionCount(), out), 0);
    EXPECT_EQ(out, TestSignalBuffer{});
    EXPECT_THROW(filterBlock(impulse(), t, 31, out), UserMessage);
}

TEST(FilterBlock, OverflowIsAFloatingPointFault) {
    const SectionTables t = loadText("2\r\n0\r\n1e300 0 0\r\n1 0 0\r\n");
    TestSignalBuffer in = impulse(), out;
    in[0] = 1e10;
    EXPECT_THROW(filterBlock(in, t, 1, out), FloatError);
}

// The impulse response of a designed, stable cascade, transformed at a few frequencies,
// is the cascade's frequency response.
TEST(FilterBlock, ImpulseResponseMatchesTheFrequencyResponse) {
    TempDir dir;
    DesignRequest lowPass;
    DesignRequest bandPass;
    bandPass.f1 = 0.3;
    bandPass.f2 = 0.2;
    bandPass.f3 = 0.15;
    bandPass.f4 = 0.35;
    bandPass.approximation = 2;
    for (const DesignRequest& request : {lowPass, bandPass}) {
        const std::string flt = dir.file("d.flt");
        designFilter(request, dir.file("d.out"), flt, {});
        SectionTables tables;
        loadModellingFilter(flt, tables);
        const FilterCoefficients asDesigned = readFilterFile(flt, responseReader);
        TestSignalBuffer h;
        filterBlock(impulse(), tables, tables.sectionCount(), h);
        for (double f : {0.0, 0.05, 0.1, 0.17, 0.25, 0.4}) {
            std::complex<double> sum = 0;
            for (int n = 0; n < 1024; ++n)
                sum += h[n] * std::polar(1.0, -2 * M_PI * f * n);
            const ResponsePoint p = evaluateCascade(asDesigned.sections, f, 1);
            EXPECT_NEAR(std::abs(sum), p.magnitude, 1e-7) << f;
            if (p.magnitude > 1e-3) {
                EXPECT_NEAR(std::abs(std::remainder(std::arg(sum) - p.phase, 2 * M_PI)), 0, 1e-6)
                    << f;
            }
        }
    }
}

// ---- filterSignalFile ----

struct FileRun {
    std::string output, work;
};

FileRun streamed(const TempDir& dir, const std::string& input, const SectionTables& t, int n) {
    writeBytes(dir.file("in.xicd"), input);
    {
        TextReader in(dir.file("in.xicd"));
        TextWriter out(dir.file("fast.yicd"));
        TextWriter work(dir.file("fast.zicd"));
        filterSignalFile(in, out, work, t, n);
        out.close();
        work.close();
    }
    return {readBytes(dir.file("fast.yicd")), readBytes(dir.file("fast.zicd"))};
}

FileRun literal(const TempDir& dir, const std::string& input, const SectionTables& t, int n) {
    writeBytes(dir.file("in.xicd"), input);
    testing::literalFilterSignalFile(dir.file("in.xicd"), dir.file("slow.yicd"),
                                     dir.file("slow.zicd"), t, n);
    return {readBytes(dir.file("slow.yicd")), readBytes(dir.file("slow.zicd"))};
}

TEST(FilterSignalFile, MatchesTheLiteralPassesOnRandomFiltersAndSignals) {
    TempDir dir;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coefficient(-1, 1);
    std::uniform_real_distribution<double> sample(-1000, 1000);
    for (int trial = 0; trial < 24; ++trial) {
        SectionTables t;
        t.kind = static_cast<FilterKind>(trial % 3);
        const int n = 1 + trial % 6;
        for (int k = 0; k < n; ++k) {
            FilterSection& s = t.sections[k];
            const int terms = t.kind == 0 ? 3 : 5;
            for (int m = 0; m < terms; ++m) {
                s.a[m] = coefficient(random);
                s.b[m] = m == 0 ? 1 : coefficient(random) * 0.2; // mostly stable
            }
        }
        std::string input;
        const int count = 200 + trial * 37;
        for (int i = 0; i < count; ++i) {
            // Samples in several notations, some with more digits than the layout keeps.
            const double v = sample(random) * std::pow(10.0, static_cast<int>(random() % 9) - 4);
            char line[64];
            std::snprintf(line, sizeof line, trial % 2 ? "%.17g\r\n" : "%23.14E\r\n", v);
            input += line;
        }
        const FileRun fast = streamed(dir, input, t, n);
        const FileRun slow = literal(dir, input, t, n);
        ASSERT_EQ(fast.output, slow.output) << trial;
        ASSERT_EQ(fast.work, slow.work) << trial;
        EXPECT_EQ(std::count(fast.output.begin(), fast.output.end(), '\n'), count);
    }
}

TEST(FilterSignalFile, EdgeCasesOfTheSignalFile) {
    TempDir dir;
    const SectionTables halving = loadText("2\r\n0\r\n1 0 0\r\n1 -0.5 0\r\n");
    struct Row {
        const char* name;
        std::string input;
        int lines;
    };
    const Row rows[] = {
        {"empty", "", 0},
        {"no final line end", "1\r\n2", 2},
        {"blank last line reads a zero", "1\r\n2\r\n \r\n", 3},
        {"end mark stops the data", "1\r\n\x1A\r\n5\r\n", 1},
        {"empty lines are skipped", "1\r\n\r\n\r\n2\r\n", 2},
        {"tiny values", "1e-310\r\n-4.9e-324\r\n2.2250738585072e-308\r\n", 3},
    };
    for (const Row& r : rows) {
        const FileRun fast = streamed(dir, r.input, halving, 1);
        const FileRun slow = literal(dir, r.input, halving, 1);
        EXPECT_EQ(fast.output, slow.output) << r.name;
        EXPECT_EQ(fast.work, slow.work) << r.name;
        EXPECT_EQ(static_cast<int>(fast.output.size()), 25 * r.lines) << r.name;
    }
    // N = 0: an empty output and a copy of the input in the work file.
    const FileRun none = streamed(dir, "5\r\n-0.25\r\n", halving, 0);
    EXPECT_EQ(none.output, "");
    EXPECT_EQ(none.work, " 5.00000000000000E+0000\r\n-2.50000000000000E-0001\r\n");
    // Garbage is the reader's error.
    EXPECT_THROW(streamed(dir, "1\r\n0,5\r\n", halving, 1), InOutError);
}

TEST(FilterSignalFile, FiveThousandInFiveThousandOut) {
    TempDir dir;
    std::string input;
    for (int i = 0; i < 5000; ++i)
        input += formatReal(std::sin(i * 0.1)) + "\r\n";
    const SectionTables t = loadText("4\r\n2\r\n0.2 0.1 0.1\r\n0 0\r\n1 0.5 0.25\r\n0.1 0\r\n"
                                     "1 -0.3 0.1\r\n0 0.01\r\n1 0.2 0.05\r\n0 0\r\n");
    const FileRun fast = streamed(dir, input, t, 2);
    EXPECT_EQ(fast.output.size(), 5000u * 25);
    EXPECT_EQ(fast.output, literal(dir, input, t, 2).output);
}

TEST(FilterSignalFile, CancelStopsAtALineAndReportsProgress) {
    TempDir dir;
    std::string input;
    for (int i = 0; i < 100000; ++i)
        input += "1\r\n";
    writeBytes(dir.file("in.xicd"), input);
    const SectionTables t = loadText("2\r\n0\r\n1 0 0\r\n1 0 0\r\n");
    std::atomic<bool> cancel = false;
    std::uint64_t lastProgress = 0;
    FilterRunControl control;
    control.cancel = &cancel;
    control.onProgress = [&](std::uint64_t done) {
        lastProgress = done;
        if (done >= 20000)
            cancel = true;
    };
    TextReader in(dir.file("in.xicd"));
    TextWriter out(dir.file("out.yicd"));
    TextWriter work(dir.file(workFileName));
    const FilterRunResult r = filterSignalFile(in, out, work, t, 1, control);
    out.close();
    work.close();
    EXPECT_FALSE(r.completed);
    EXPECT_GT(lastProgress, 0u);
    EXPECT_LT(r.samples, 100000u);
    EXPECT_EQ(readBytes(dir.file("out.yicd")).size(), r.samples * 25);
}

// The output takes its place only when the run ends: whole on completion, the lines so
// far on cancel, not at all on an unreadable line, where the work file holds the input
// copied up to that line. A link is written through to the file it names.
TEST(FilterSignalFile, OutputReplacedOnlyWhenTheRunEnds) {
    TempDir dir;
    const SectionTables halving = loadText("2\r\n0\r\n1 0 0\r\n1 -0.5 0\r\n");
    const std::string one = " 1.00000000000000E+0000\r\n", half = " 5.00000000000000E-0001\r\n",
                      zero = " 0.00000000000000E+0000\r\n";
    struct Row {
        const char* name;
        std::string input;
        bool cancelled, fails;
        std::string output, work;
    };
    const Row rows[] = {
        {"completed", "1\r\n0\r\n", false, false, one + half, one + half},
        {"bad third line", "1\r\n0\r\n0,5\r\n4\r\n", false, true, "old\r\n", one + zero},
        {"cancelled before the first line", "1\r\n0\r\n", true, false, "", ""},
    };
    for (const Row& r : rows) {
        writeBytes(dir.file("in.xicd"), r.input);
        writeBytes(dir.file("real.yicd"), "old\r\n");
        writeBytes(dir.file("w.zicd"), "older\r\n");
        std::filesystem::remove(dir.file("out.yicd"));
        std::filesystem::create_symlink("real.yicd", dir.file("out.yicd"));
        std::atomic<bool> cancel = r.cancelled;
        FilterRunControl control;
        control.cancel = &cancel;
        TextReader in(dir.file("in.xicd"));
        const auto run = [&] {
            return filterSignalFile(in, dir.file("in.xicd"), dir.file("out.yicd"),
                                    dir.file("w.zicd"), halving, 1, control);
        };
        if (r.fails)
            EXPECT_THROW(run(), InOutError) << r.name;
        else
            EXPECT_EQ(run().completed, !r.cancelled) << r.name;
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("out.yicd"))) << r.name;
        EXPECT_EQ(readBytes(dir.file("real.yicd")), r.output) << r.name;
        EXPECT_EQ(readBytes(dir.file("w.zicd")), r.work) << r.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4) << r.name;
    }
    // A read-only output is refused and left as it was.
    writeBytes(dir.file("real.yicd"), "old\r\n");
    std::filesystem::permissions(dir.file("real.yicd"), std::filesystem::perms::owner_read);
    TextReader in(dir.file("in.xicd"));
    EXPECT_THROW(filterSignalFile(in, dir.file("in.xicd"), dir.file("out.yicd"), dir.file("w.zicd"),
                                  halving, 1),
                 InOutError);
    EXPECT_EQ(readBytes(dir.file("real.yicd")), "old\r\n");
}

TEST(ModellingChart, ScalesAndStrobes) {
    Canvas c(modellingChartWidth, modellingChartHeight);
    clearPlot(c);
    EXPECT_EQ(c.pixel(30, 5), (Rgb{128, 128, 128}));
    EXPECT_EQ(c.pixel(31, 5), white);
    EXPECT_EQ(c.pixel(5, 11), (Rgb{128, 128, 128}));
    TestSignalBuffer step, half{};
    generateTestSignal(stepSignal, 0.01, 0.1, step);
    half[500] = -0.5;
    plotTraces(c, {1, 1024}, step, half, 1, 0.5);
    EXPECT_EQ(c.pixel(300, 10), (Rgb{0, 128, 0}));  // the step 100 pixels above zero
    EXPECT_EQ(c.pixel(300, 110), (Rgb{0, 0, 255})); // output on the zero line
    // Sample 501 at x = round(500 * 600 / 1024) = 293, drawn 100 pixels below the line.
    EXPECT_EQ(c.pixel(293, 210), (Rgb{0, 0, 255}));
    EXPECT_DOUBLE_EQ(strobeStep({1, 1024}), 1024 / 30.0);
    EXPECT_DOUBLE_EQ(strobeStep({1, 1}), 1 / 30.0);
    // An all-zero input (MI = 0) lies on the zero line.
    Canvas z(modellingChartWidth, modellingChartHeight);
    clearPlot(z);
    plotTraces(z, {1, 1}, TestSignalBuffer{}, TestSignalBuffer{}, 0, 0);
    EXPECT_EQ(z.pixel(0, 110), (Rgb{255, 0, 0}));
    // Strobe 1..112: d = 600/112 held as a double puts sample 8 at round(7·d) = 37, where
    // the extended quotient would give 37.5 and so 38. A step there starts its top at 37.
    TestSignalBuffer late{};
    for (std::size_t i = 7; i < late.size(); ++i)
        late[i] = 1;
    plotTraces(z, {1, 112}, late, TestSignalBuffer{}, 1, 0);
    EXPECT_EQ(z.pixel(37, 10), (Rgb{0, 128, 0}));
    EXPECT_NE(z.pixel(36, 10), (Rgb{0, 128, 0}));
}

} // namespace
} // namespace zorkan
