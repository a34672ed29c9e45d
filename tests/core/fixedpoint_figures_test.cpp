// The figures of an implementation against closed forms: the round-off noise of first-
// and second-order sections, the mean of truncation, the dead band of a resonant
// section, the shortest coefficient word, and the measured noise against the computed.
#include "common/errors.h"
#include "design/designreport.h"
#include "design/designrun.h"
#include "fixedpoint/report.h"
#include "fixedpoint/simulation.h"
#include "fixedpoint/warnings.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace zorkan {
namespace {

using testing::TempDir;

FilterCoefficients sections(const std::vector<std::array<double, 3>>& dens) {
    FilterCoefficients f;
    f.kind = lowPass;
    for (const auto& d : dens) {
        FilterSection s;
        s.a[0] = 1;
        for (int i = 0; i < 3; ++i)
            s.b[i] = d[static_cast<std::size_t>(i)];
        f.sections.push_back(s);
    }
    f.order = static_cast<std::uint32_t>(2 * f.sections.size());
    return f;
}

ImplementationOptions fixedOptions(int w, Rounding rounding) {
    ImplementationOptions o;
    o.arithmetic = {Target::Fixed, w, 16, rounding, Overflow::Saturate};
    o.scaling = Scaling::None;
    o.order = SectionOrder::File;
    return o;
}

ReportOptions quick() {
    ReportOptions r;
    r.limitCycleTrials = 4;
    r.limitCycleSamples = 256;
    return r;
}

// 1 / (1 - a z^-1) rounded at its output: N = q^2/12 / (1 - a^2); truncated, its mean
// -q/2 passes the DC gain 1 / (1 - a), adding (q / (2 (1 - a)))^2. Two first-order
// sections 1/(1 - a z^-1) then 1/(1 - b z^-1): ||g_1||^2 = (1 + ab) / ((1 - a^2)(1 - b^2)
// (1 - ab)) for the first rounding, which passes the second section, and 1/(1 - b^2).
TEST(ImplementationFigures, RoundOffNoiseOfClosedForms) {
    const double a = 0.5, b = -0.25;
    const struct {
        FilterCoefficients filter;
        int w;
        Rounding rounding;
        double gainSum; // sum of ||g_i||^2
        double mean;    // of the output error, in units of q
    } rows[] = {
        {sections({{1, -a, 0}}), 16, Rounding::Nearest, 1 / (1 - a * a), 0},
        {sections({{1, -a, 0}}), 12, Rounding::Nearest, 1 / (1 - a * a), 0},
        {sections({{1, -a, 0}}), 16, Rounding::Truncate, 1 / (1 - a * a), -0.5 / (1 - a)},
        {sections({{1, -a, 0}, {1, -b, 0}}), 16, Rounding::Nearest,
         (1 + a * b) / ((1 - a * a) * (1 - b * b) * (1 - a * b)) + 1 / (1 - b * b), 0},
        // Coefficients on the 16-bit grid (shift 2), so that the closed form is exact.
        {sections({{1, -1.25, 0.8125}}), 16, Rounding::Nearest,
         (1 + 0.8125) / ((1 - 0.8125) * ((1 + 0.8125) * (1 + 0.8125) - 1.5625)), 0},
    };
    for (const auto& row : rows) {
        const ImplementationFigures f =
            implementationFigures(row.filter, fixedOptions(row.w, row.rounding), quick());
        ASSERT_TRUE(f.analyticNoise);
        const double q = std::ldexp(1.0, -(row.w - 1));
        const double n = q * q / 12 * row.gainSum + row.mean * row.mean * q * q;
        EXPECT_NEAR(f.noiseAnalyticDbfs, 10 * std::log10(n / 0.5), 1e-10)
            << row.w << " " << row.gainSum;
    }
}

// Poles of radius 0.99 in q15 with rounding keep a granular limit cycle, within the dead
// band 0.5 / (1 - |a2|) last bits; a first-order section with |a| < 0.5 has none.
TEST(ImplementationFigures, LimitCyclesAndTheDeadBand) {
    const double r = 0.99;
    ImplementationOptions o;
    o.scaling = Scaling::None;
    ReportOptions report;
    report.limitCycleTrials = 40;
    // Angles away from 0 and pi: there, with a1 near -2 or 2, the cycles outgrow the
    // bound (an independent model of the same arithmetic finds 193 last bits at 0.05).
    for (double theta : {0.5, 1.0, 1.5, 2.0}) {
        const ImplementationFigures resonant =
            implementationFigures(sections({{1, -2 * r * std::cos(theta), r * r}}), o, report);
        ASSERT_TRUE(resonant.limitCycle.searched);
        EXPECT_TRUE(resonant.limitCycle.found) << theta;
        EXPECT_GT(resonant.limitCycle.amplitude, 0) << theta;
        EXPECT_LE(resonant.limitCycle.amplitude, 0.5 / (1 - r * r)) << theta;
    }
    for (double a : {0.45, -0.45, 0.2}) {
        const ImplementationFigures quiet =
            implementationFigures(sections({{1, -a, 0}}), o, report);
        EXPECT_FALSE(quiet.limitCycle.found) << a;
    }
}

// 1 / (1 + 0.75 z^-1) in 16 bits, rounded to nearest: without input y = floor(-0.75 y + 1/2)
// goes from 1 to -1 and from -1 to 1 (from 2 to -1, from -2 to 2 to -1): every start that
// is not 0 settles into the cycle 1, -1 of amplitude 1 and period 2.
TEST(ImplementationFigures, LimitCycleOfAlternatingSign) {
    ReportOptions report = quick();
    report.limitCycleTrials = 20;
    const ImplementationFigures f = implementationFigures(
        sections({{1, 0.75, 0}}), fixedOptions(16, Rounding::Nearest), report);
    ASSERT_TRUE(f.limitCycle.searched);
    ASSERT_TRUE(f.limitCycle.found);
    EXPECT_EQ(f.limitCycle.amplitude, 1);
    EXPECT_EQ(f.limitCycle.period, 2);
    ASSERT_EQ(f.limitCycle.trace.size(), 2u);
    EXPECT_EQ(std::fabs(f.limitCycle.trace[0]), 1);
    EXPECT_EQ(f.limitCycle.trace[1], -f.limitCycle.trace[0]);
}

// Without input, 1 / (1 - 0.99 z^-1) rounded to nearest holds any |y| <= 50 last bits (the
// dead band 0.5 / 0.01) and shrinks any larger y by 1% a sample. Small random starts sink
// into the band within the 16-sample window and stay (a cycle of period 1); the state a
// full-scale noise burst leaves, millions of last bits, keeps shrinking for the next 16
// samples: that one trial of the five neither repeats nor dies out. 1 / (1 + 0.75 z^-1)
// reaches its 1, -1 cycle from any 16-bit state within 34 samples, so none of its trials
// is unsettled in a 256-sample window.
TEST(ImplementationFigures, ZeroInputOutputThatDoesNotSettle) {
    ReportOptions report;
    report.limitCycleTrials = 4;
    report.limitCycleSamples = 16;
    const ImplementationFigures slow = implementationFigures(
        sections({{1, -0.99, 0}}), fixedOptions(32, Rounding::Nearest), report);
    ASSERT_TRUE(slow.limitCycle.searched);
    EXPECT_EQ(slow.limitCycle.trials, 5);
    EXPECT_EQ(slow.limitCycle.unsettled, 1);
    EXPECT_GT(slow.limitCycle.unsettledAmplitude, 1e6);
    const std::vector<std::string> lines = figureLines(slow);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Внимание: без входного сигнала выход не установился за 32 отсчета в 1 "
                        "испытании из 5 (до" +
                            figureNumber(slow.limitCycle.unsettledAmplitude) +
                            " младших разрядов)"),
              lines.end());
    const std::string amplitude =
        std::to_string(static_cast<long long>(slow.limitCycle.unsettledAmplitude));
    const std::vector<CascadeWarning> warnings = implementationWarnings(slow);
    EXPECT_TRUE(std::any_of(warnings.begin(), warnings.end(), [&](const CascadeWarning& w) {
        return w.message == "при нулевом входе выход не установился за 32 отсчета (до " +
                                amplitude + " младших разрядов)" &&
               w.note == "the zero-input output did not settle within 32 samples (up to " +
                             amplitude + " last bits)";
    }));

    report.limitCycleSamples = 256;
    const ImplementationFigures quick = implementationFigures(
        sections({{1, 0.75, 0}}), fixedOptions(16, Rounding::Nearest), report);
    EXPECT_EQ(quick.limitCycle.unsettled, 0);
    EXPECT_EQ(quick.limitCycle.unsettledAmplitude, 0);
    for (const CascadeWarning& w : implementationWarnings(quick))
        EXPECT_EQ(w.message.find("не установился"), std::string::npos) << w.message;
}

// b0 = 0.5 alone, unscaled: y = floor(x / 2 + 1/2) is off by half a last bit q for every
// odd input (half of the white-noise samples), a noise power of q^2 / 8; the signal is a
// full-scale sine through the gain 0.5, of power 0.5 * 0.25. The SNR is 1 / q^2, 6.0206 (W - 1)
// dB: 48.16 at W = 9, 54.19 at 10, 60.21 at 11, so that each target takes the W shown.
TEST(ImplementationFigures, ShortestDataWordAgainstTheSinesPower) {
    FilterCoefficients half;
    half.kind = lowPass;
    half.order = 2;
    half.sections.resize(1);
    half.sections[0].a[0] = 0.5;
    half.sections[0].b[0] = 1;
    ImplementationOptions o;
    o.arithmetic = namedArithmetic(Target::Q15);
    o.scaling = Scaling::None;
    o.order = SectionOrder::File;
    const struct {
        double target;
        int bits;
    } rows[] = {{55.7, 11}, {51, 10}, {45, 9}};
    for (const auto& row : rows) {
        ReportOptions report = quick();
        report.smallestWords = true;
        report.snrTarget = row.target;
        const ImplementationFigures f = implementationFigures(half, o, report);
        ASSERT_TRUE(f.minDataBits) << row.target;
        EXPECT_EQ(*f.minDataBits, row.bits) << row.target;
    }
}

// The shortest coefficient word: the quantised filter meets the request at C and misses
// it at C - 1; the elliptic band-pass, whose design misses its ripple by 0.07 dB, is held
// to what it achieves unquantised.
TEST(ImplementationFigures, ShortestCoefficientWordMeetsTheRequestAndOneLessDoesNot) {
    TempDir dir;
    const DesignRequest requests[] = {
        {1, 0.2, 0, 0, 0.25, 1.5, 30, 1, 0, 0.5, 20},
        {2, 0.25, 0.15, 0.12, 0.28, 1, 40, 1, 0, 0.5, 20},
        {3, 0.25, 0.15, 0.1, 0.3, 1.5, 30, 1, 0, 0.5, 20},
    };
    for (const DesignRequest& rq : requests) {
        designFilter(rq, dir.file("1.out"), dir.file("1.flt"), {});
        const FilterCoefficients filter = readFilterFile(dir.file("1.flt"), responseReader);
        ReportOptions report = quick();
        report.request = readDesignRequest(dir.file("1.out"));
        report.smallestWords = true;
        report.noiseSamples = 4096;
        ImplementationOptions o;
        const ImplementationFigures f = implementationFigures(filter, o, report);
        ASSERT_TRUE(f.minCoefBits.has_value()) << rq.approximation;
        ImplementationOptions exact = o;
        exact.arithmetic.target = Target::Double;
        ReportOptions check = report;
        check.smallestWords = false;
        const DesignMeasurement ideal = implementationFigures(filter, exact, check).measured;
        const double da = std::max(rq.da, ideal.ripple), b1 = std::min(rq.b1, ideal.attenuation);
        const int c = *f.minCoefBits;
        auto meetsAt = [&](int bits) {
            ImplementationOptions t = o;
            t.arithmetic = {Target::Fixed, 16, bits, Rounding::Nearest, Overflow::Saturate};
            try {
                const ImplementationFigures q = implementationFigures(filter, t, check);
                return q.stable && q.measured.ripple <= da + designTolerance &&
                       q.measured.attenuation >= b1 - designTolerance;
            } catch (const UserMessage&) {
                return false;
            }
        };
        EXPECT_TRUE(meetsAt(c)) << rq.approximation << " at " << c;
        EXPECT_FALSE(meetsAt(c - 1)) << rq.approximation << " at " << c - 1;
    }
}

// For an ordinary design the measured noise is the computed one: within 1 dB.
TEST(ImplementationFigures, MeasuredNoiseAgreesWithTheComputedForOrdinaryDesigns) {
    TempDir dir;
    const DesignRequest requests[] = {
        {1, 0.2, 0, 0, 0.3, 1.5, 30, 1, 0, 0.5, 20},  // 4 sections
        {2, 0.2, 0, 0, 0.25, 0.5, 50, 1, 0, 0.5, 20}, // 5 sections
    };
    for (const DesignRequest& rq : requests) {
        designFilter(rq, dir.file("1.out"), dir.file("1.flt"), {});
        const FilterCoefficients filter = readFilterFile(dir.file("1.flt"), responseReader);
        const ImplementationFigures f = implementationFigures(filter, {}, quick());
        ASSERT_TRUE(f.analyticNoise && f.simulatedNoise);
        EXPECT_NEAR(f.noiseSimulatedDbfs, f.noiseAnalyticDbfs, 1.0) << rq.approximation;
    }
}

// The golden stimulus in q15 for N = 16: the sweep's samples are round(32767 sin(pi k^2 / 16))
// (8 sweep samples, frequency k/16 of the sampling rate), four noise samples on the word,
// four of silence.
TEST(ImplementationFigures, GoldenStimulusIsASweepThenNoiseThenSilence) {
    ImplementationOptions o = fixedOptions(16, Rounding::Nearest);
    o.arithmetic = namedArithmetic(Target::Q15);
    const Implementation im = realise(sections({{1, 0, 0}}), o);
    const std::vector<double> x = goldenStimulus(im, 16);
    ASSERT_EQ(x.size(), 16u);
    // python3: [round(32767 * math.sin(math.pi * k * k / 16)) for k in range(8)]
    const int sweep[8] = {0, 6393, 23170, 32137, 0, -32137, 23170, -6393};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(x[static_cast<std::size_t>(k)] * 32768, sweep[k]) << k;
    for (int k = 8; k < 12; ++k) {
        const double v = x[static_cast<std::size_t>(k)] * 32768;
        EXPECT_EQ(v, std::floor(v)) << k;
        EXPECT_LE(std::fabs(v), 32767) << k;
        EXPECT_NE(v, 0) << k;
    }
    for (int k = 12; k < 16; ++k)
        EXPECT_EQ(x[static_cast<std::size_t>(k)], 0) << k;
}

// A file of one section with numerator A and denominator B (a0 = B0).
FilterCoefficients oneSection(std::array<double, 3> a, std::array<double, 3> b) {
    FilterCoefficients f;
    f.kind = lowPass;
    FilterSection s;
    for (std::size_t i = 0; i < 3; ++i) {
        s.a[i] = a[i];
        s.b[i] = b[i];
    }
    f.sections.push_back(s);
    f.order = 2;
    return f;
}

ImplementationOptions targetOptions(Target target, Scaling scaling) {
    ImplementationOptions o;
    o.arithmetic = namedArithmetic(target);
    o.scaling = scaling;
    o.order = SectionOrder::File;
    return o;
}

// A = 0.5 -0.5 0 has L1 = 1 exactly, yet -1 then 1 - 2^-(W-1) gives 1 - 2^-W, which rounds
// half up to 1, beyond the largest word 1 - 2^-(W-1): exactly one overflow on the
// worst-case input, and overflow is not impossible. L1 scaling in the fixed target keeps
// the gain below 1 by the margin of two LSB (the range and the one section's rounding).
TEST(ImplementationFigures, OverflowAtTheBoundOfFullScaleIsNotImpossible) {
    const FilterCoefficients f = oneSection({0.5, -0.5, 0}, {1, 0, 0});
    const struct {
        Target target;
        Scaling scaling;
        bool possible, atBound;
        long long overflows;
    } rows[] = {
        {Target::Q15, Scaling::None, true, true, 1},
        {Target::Q31, Scaling::None, true, true, 1},
        {Target::Fixed, Scaling::L1, false, false, 0},
    };
    for (const auto& row : rows) {
        ImplementationOptions o = targetOptions(row.target, row.scaling);
        if (row.target == Target::Fixed)
            o.arithmetic = {Target::Fixed, 16, 32, Rounding::Nearest, Overflow::Saturate};
        const ImplementationFigures fig = implementationFigures(f, o, quick());
        EXPECT_EQ(fig.overflowPossible, row.possible) << targetName(row.target);
        EXPECT_EQ(fig.overflowAtBound, row.atBound) << targetName(row.target);
        EXPECT_EQ(fig.worstCaseOverflows, row.overflows) << targetName(row.target);
        ASSERT_EQ(fig.l1Gains.size(), 1u);
        if (row.scaling == Scaling::None)
            EXPECT_EQ(fig.l1Gains[0], 1.0);
        else
            EXPECT_LE(fig.l1Gains[0], 1 - 2 * std::ldexp(1.0, -15));
    }
}

// A = 1e-12 0 0 in q15: the numerator rounds to 0 (1e-12 * 2^30 < 1/2) and the
// implementation is silent; it has no signal-to-noise ratio, and no figure is infinite.
TEST(ImplementationFigures, FilterThatQuantisesToSilenceIsSaidToBeSilent) {
    const ImplementationFigures f = implementationFigures(
        oneSection({1e-12, 0, 0}, {1, 0, 0}), targetOptions(Target::Q15, Scaling::None), quick());
    EXPECT_EQ(f.silentSection, 1u);
    double snr = 0;
    EXPECT_FALSE(statedSnr(f, snr));
    std::string text;
    for (const std::string& line : figureLines(f))
        text += line + "\n";
    EXPECT_NE(text.find("числитель секции 1 после квантования равен нулю"), std::string::npos);
    EXPECT_EQ(text.find("Inf"), std::string::npos) << text;
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
}

// Infinite coefficients are refused for every target: a numerator over a subnormal B0
// (1 / 4.9e-324), and a band-pass numerator 4.9e-324 z^0 + z^-1 + 2 z^-2 + z^-3 + z^-4,
// whose factoring into second-order sections divides by that leading coefficient.
TEST(ImplementationFigures, InfiniteCoefficientsAreRefusedForEveryTarget) {
    FilterCoefficients bandPassFile;
    bandPassFile.kind = bandPass;
    bandPassFile.order = 4;
    FilterSection s;
    const double a[5] = {4.9e-324, 1, 2, 1, 1}, b[5] = {1, 0, 0.5, 0, 0.1};
    std::copy(a, a + 5, s.a);
    std::copy(b, b + 5, s.b);
    bandPassFile.sections.push_back(s);
    for (const FilterCoefficients& f : {oneSection({1, 0, 0}, {4.9e-324, 0, 0}), bandPassFile})
        for (Target t :
             {Target::Double, Target::Float, Target::Q15, Target::CmsisQ15, Target::CmsisF32})
            EXPECT_THROW(realise(f, targetOptions(t, Scaling::None)), UserMessage)
                << targetName(t) << " kind " << f.kind;
}

// Limit cycles: 0 trials means none looked for; an unstable filter (poles 1 and 1.5:
// B = 1 -2.5 1.5) has none searched and unbounded norms; B = 1 0.75 0 in W = C = 16
// settles into 1, -1, ... (y = floor(-0.75 y + 1/2)): amplitude 1, period 2, said as
// "2 отсчета".
TEST(ImplementationFigures, LimitCyclesNotSearchedAreNotReported) {
    ReportOptions none = quick();
    none.limitCycleTrials = 0;
    const ImplementationOptions o = fixedOptions(16, Rounding::Nearest);
    const ImplementationFigures skipped =
        implementationFigures(oneSection({1, 0, 0}, {1, 0.75, 0}), o, none);
    EXPECT_TRUE(skipped.limitCycle.skipped);
    EXPECT_FALSE(skipped.limitCycle.found);
    const ImplementationFigures unstable =
        implementationFigures(oneSection({1, 0, 0}, {1, -2.5, 1.5}), o, quick());
    EXPECT_TRUE(unstable.limitCycle.skipped);
    EXPECT_FALSE(unstable.limitCycle.found);
    EXPECT_FALSE(unstable.normsBounded);
    ReportOptions found = quick();
    found.limitCycleTrials = 40;
    const ImplementationFigures cycle =
        implementationFigures(oneSection({1, 0, 0}, {1, 0.75, 0}), o, found);
    ASSERT_TRUE(cycle.limitCycle.found);
    EXPECT_EQ(cycle.limitCycle.amplitude, 1);
    EXPECT_EQ(cycle.limitCycle.period, 2);
    bool said = false;
    for (const std::string& line : figureLines(cycle))
        said = said || line.find("периодом 2 отсчета") != std::string::npos;
    EXPECT_TRUE(said);
}

TEST(ImplementationFigures, SampleCountsAgreeWithTheirNumber) {
    const struct {
        long long n;
        const char* text;
    } rows[] = {{1, "1 отсчет"},     {2, "2 отсчета"},      {4, "4 отсчета"},     {5, "5 отсчетов"},
                {11, "11 отсчетов"}, {12, "12 отсчетов"},   {14, "14 отсчетов"},  {21, "21 отсчет"},
                {22, "22 отсчета"},  {111, "111 отсчетов"}, {1001, "1001 отсчет"}};
    for (const auto& row : rows)
        EXPECT_EQ(samplesText(row.n), row.text);
}

// A negative figure keeps a space after its label: "расчет: -9.8...", never "расчет:-9.8".
TEST(ImplementationFigures, NegativeFiguresAreSeparatedFromTheirLabels) {
    const ImplementationFigures f = implementationFigures(
        oneSection({0.5, 0, 0}, {1, 0, 0}), targetOptions(Target::Q15, Scaling::None), quick());
    bool found = false;
    for (const std::string& line : figureLines(f)) {
        EXPECT_EQ(line.find(":-"), std::string::npos) << line;
        found = found || line.rfind("Шум округления, расчет: -", 0) == 0;
    }
    EXPECT_TRUE(found);
}

// The variant of the report's own scaling and order states the report's measured SNR: the
// same stimulus, seed and computation.
TEST(ImplementationFigures, OneFigureWhereverItIsStated) {
    const FilterCoefficients f = sections({{1, -1.2, 0.5}, {1, 0.3, 0.1}});
    ReportOptions report = quick();
    report.variants = true;
    const ImplementationOptions o = targetOptions(Target::Q15, Scaling::Peak);
    const ImplementationFigures fig = implementationFigures(f, o, report);
    bool matched = false;
    for (const Variant& v : fig.variants)
        if (v.scaling == o.scaling && v.order == o.order) {
            EXPECT_EQ(v.snrSimulatedDb, fig.snrSimulatedDb);
            matched = true;
        }
    EXPECT_TRUE(matched);
}

} // namespace
} // namespace zorkan
