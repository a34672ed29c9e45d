// The figures of an implementation against closed forms: the round-off noise of first-
// and second-order sections, the mean of truncation, the dead band of a resonant
// section, the shortest coefficient word, and the measured noise against the computed.
#include "common/errors.h"
#include "design/designreport.h"
#include "design/designrun.h"
#include "fixedpoint/report.h"
#include "fixedpoint/simulation.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace zorkan
