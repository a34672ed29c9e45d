// A FIR filter in the arithmetic of a device: the taps each target holds, worked out by
// hand; the CMSIS-DSP FIR kernels and the fixed-point output rounding against integer
// arithmetic written out here; the L1 overflow figures and the worst-case sums in closed
// form; the analytic noise of the one rounding against its formula.
#include "fixedpoint/curves.h"
#include "fixedpoint/firimplementation.h"
#include "fixedpoint/firreport.h"

#include "common/errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace zorkan {
namespace {

Arithmetic named(Target target) {
    Arithmetic a;
    a.target = target;
    return a;
}

Arithmetic fixedWords(int dataBits, int coefBits, Rounding r = Rounding::Nearest,
                      Overflow o = Overflow::Saturate) {
    return {Target::Fixed, dataBits, coefBits, r, o};
}

// The integer taps and their scale 2^-fraction, each worked out by hand: round(h 2^f) with
// halves away from zero, f = C - 1 - s, s the smallest shift that keeps the sum of the
// rounded magnitudes below 2^(C-1); the kernels' words 1.15 and 1.31 without a shift.
TEST(FirQuantisation, TapsAreTheHandComputedIntegers) {
    const struct {
        const char* label;
        std::vector<double> taps;
        Arithmetic arithmetic;
        int fraction;
        std::vector<std::int64_t> fixed;
    } cases[] = {
        // 0.25 + 0.5 + 0.25 = 1: the sum 2^31 at f = 31 is not below 2^31; 2^30 at f = 30 is.
        {"q15 unit gain", {0.25, 0.5, 0.25}, named(Target::Q15), 30, {1 << 28, 1 << 29, 1 << 28}},
        {"q15 small taps", {0.1, 0.2}, named(Target::Q15), 31, {214748365, 429496730}},
        // 0.1 * 2^31 = 214748364.8, -0.3 * 2^31 = -644245094.4.
        {"q31", {0.1, -0.3}, named(Target::Q31), 31, {214748365, -644245094}},
        // 0.3 * 2^7 = 38.4: 3 * 38 = 114 < 128.
        {"fixed C 8", {0.3, 0.3, 0.3}, fixedWords(16, 8), 7, {38, 38, 38}},
        // f = 5 gives 3 * 16 = 48 >= 32; f = 4 gives 3 * 8 = 24 < 32.
        {"fixed C 6 shifted", {0.5, 0.5, 0.5}, fixedWords(16, 6), 4, {8, 8, 8}},
        // 0.1875 * 2^3 = 1.5: halves away from zero, 2 and -2; 4 < 8.
        {"fixed C 4 halves", {0.1875, -0.1875}, fixedWords(16, 4), 3, {2, -2}},
        // 0.999 * 32768 = 32735.232.
        {"cmsis-fir-q15",
         {0.5, -0.25, 0.999},
         named(Target::CmsisFirQ15),
         15,
         {16384, -8192, 32735}},
        {"cmsis-fir-q31", {0.5, -1.0}, named(Target::CmsisFirQ31), 31, {1 << 30, -2147483648LL}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const FirImplementation im = realiseFir(FirFilter{c.taps}, c.arithmetic);
        EXPECT_EQ(im.fraction, c.fraction);
        EXPECT_EQ(im.fixed, c.fixed);
        for (std::size_t k = 0; k < c.fixed.size(); ++k)
            EXPECT_EQ(im.quantised[k], std::ldexp(static_cast<double>(c.fixed[k]), -c.fraction));
    }
}

TEST(FirQuantisation, TapsOutsideTheWordsAndTargetsOfSectionsAreRefused) {
    const struct {
        std::vector<double> taps;
        Target target;
        const char* expected;
    } cases[] = {
        {{0.5, 1.0}, Target::CmsisFirQ15, "h[1] = 1"},
        {{-1.0, 0.99999999999}, Target::CmsisFirQ31, "h[1] = 1"},
        {{0.5}, Target::CmsisQ15, "cmsis-q15 относится к каскаду секций"},
        {{0.5}, Target::FloatFma, "float-fma относится к каскаду секций"},
        {{0.5}, Target::CmsisLatticeQ31, "cmsis-lattice-q31 относится к каскаду секций"},
    };
    for (const auto& c : cases) {
        try {
            realiseFir(FirFilter{c.taps}, named(c.target));
            ADD_FAILURE() << targetName(c.target) << " accepted";
        } catch (const UserMessage& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    // The FIR kernels take no cascade of sections.
    SecondOrderCascade cascade;
    cascade.sections.push_back(SecondOrderSection{{0.5, 0, 0}, {1, 0, 0}});
    for (Target t : {Target::CmsisFirQ15, Target::CmsisFirQ31, Target::CmsisFirF32}) {
        ImplementationOptions options;
        options.arithmetic.target = t;
        EXPECT_THROW(realise(cascade, options), UserMessage) << targetName(t);
    }
}

// Each output by hand: the exact sum of the products of the integer taps and the data
// words, then the arithmetic's shift, rounding and overflow rule.
TEST(FirSimulation, FixedPointOutputsAreTheHandComputedIntegers) {
    const struct {
        const char* label;
        std::vector<double> taps;
        Arithmetic arithmetic;
        std::vector<std::int64_t> x, y;
        long long overflows;
    } cases[] = {
        // arm_fir_q15, taps 16384, -8192, 24576: sums 536854528, -805298176, 1090101248,
        // -813498368, 24576000; shifted right by 15 (floor): 16383 (16383.5),
        // -24576 (-24575.75), 33267 saturated to 32767, -24826, 750.
        {"cmsis-fir-q15",
         {0.5, -0.25, 0.75},
         named(Target::CmsisFirQ15),
         {32767, -32768, 1000, 0, 0},
         {16383, -24576, 32767, -24826, 750},
         1},
        // A tap of 2^-15 and x = -1: -1 >> 15 is -1 (floor), not 0.
        {"cmsis-fir-q15 floor",
         {std::ldexp(1.0, -15)},
         named(Target::CmsisFirQ15),
         {-1, 1},
         {-1, 0},
         0},
        // arm_fir_q31, three taps -2^31 and x = -2^31: the sums 2^62, 2^63, 3 * 2^62 wrap
        // modulo 2^64 to 2^62, -2^63, -2^62; shifted right by 31: 2^31, -2^32, -2^31; their
        // low 32 bits: -2^31, 0, -2^31.
        {"cmsis-fir-q31 wraps",
         {-1.0, -1.0, -1.0},
         named(Target::CmsisFirQ31),
         {-2147483648LL, -2147483648LL, -2147483648LL},
         {-2147483648LL, 0, -2147483648LL},
         3},
        // 2^30 * -1 = -2^30, >> 31 = -1 (floor).
        {"cmsis-fir-q31 floor", {0.5}, named(Target::CmsisFirQ31), {-1, 2}, {-1, 1}, 0},
        // q15: the tap 0.5 is 2^30 at f = 31; 3 * 2^30 / 2^31 = 1.5 rounds half up to 2,
        // -1.5 to -1, 0.5 to 1, -0.5 to 0.
        {"q15 halves up", {0.5}, named(Target::Q15), {3, -3, 1, -1}, {2, -1, 1, 0}, 0},
        // W 8, C 8, truncate: the tap is 64 at f = 7; -3 * 64 / 128 = -1.5, floor -2.
        {"fixed truncate",
         {0.5},
         fixedWords(8, 8, Rounding::Truncate),
         {-3, 3, 127, -128},
         {-2, 1, 63, -64},
         0},
        // W 4, C 8: taps 48, 48 at f = 6 (96 each at f = 7 sum to 192 >= 128); x 7, 7:
        // (48 * 7 + 32) / 64 = 5.75 floor 5, then (48 * 14 + 32) / 64 = 11, which saturates
        // to 7 or wraps to 11 - 16 = -5.
        {"fixed saturate", {0.75, 0.75}, fixedWords(4, 8), {7, 7, 0}, {5, 7, 5}, 1},
        {"fixed wrap",
         {0.75, 0.75},
         fixedWords(4, 8, Rounding::Nearest, Overflow::Wrap),
         {7, 7, 0},
         {5, -5, 5},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const FirImplementation im = realiseFir(FirFilter{c.taps}, c.arithmetic);
        FirSimulator sim(im);
        std::vector<std::int64_t> y;
        for (std::int64_t v : c.x)
            y.push_back(sim.stepFixed(v));
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(sim.counts().overflows, c.overflows);
    }
}

// arm_fir_f32 sums from the oldest sample: with taps 1, 1, 1 and x = 1, 1e8, -1e8 the
// third output is (1 + 1e8) - 1e8 = 1e8 - 1e8 = 0 in float (1e8 + 1 rounds to 1e8), where
// a sum from the newest sample would give (-1e8 + 1e8) + 1 = 1.
TEST(FirSimulation, FloatTargetsSumFromTheOldestSample) {
    for (Target t : {Target::CmsisFirF32, Target::Float}) {
        const FirImplementation im = realiseFir(FirFilter{{1.0, 1.0, 1.0}}, named(t));
        const std::vector<double> y = simulateFir(im, {1.0, 1e8, -1e8, 0.0});
        EXPECT_EQ(y, (std::vector<double>{1.0, 1e8, 0.0, 0.0})) << targetName(t);
    }
    // In double the 1 survives the sum: 1e8 + 1 is exact.
    const FirImplementation d = realiseFir(FirFilter{{1.0, 1.0, 1.0}}, named(Target::Double));
    EXPECT_EQ(simulateFir(d, {1.0, 1e8, -1e8})[2], 1.0);
}

// The L1 norm is the sum of the tap magnitudes, and the worst-case inputs, the extremes of
// the data word with the taps' signs, give the sums top * (positive taps) - (negative
// taps) and -(positive taps) + top * (negative taps), top = 1 - 2^-15.
TEST(FirFigures, OverflowFiguresAreTheClosedForms) {
    const double top = 1 - std::ldexp(1.0, -15);
    const struct {
        const char* label;
        std::vector<double> taps;
        double l1, high, low;
        long long overflows;
    } cases[] = {
        {"half-band",
         {-0.03125, 0, 0.28125, 0.5, 0.28125, 0, -0.03125},
         1.125,
         1.0625 * top + 0.0625,
         -1.0625 - 0.0625 * top,
         2},
        {"unit gain", {0.25, 0.5, 0.25}, 1.0, top, -1.0, 0},
        {"negative", {-0.5, -0.25}, 0.75, 0.75, -0.75 * top, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const FirFigures f = firFigures(FirFilter{c.taps}, named(Target::Q15), ReportOptions{});
        EXPECT_EQ(f.l1Norm, c.l1);
        EXPECT_EQ(f.worstHigh, c.high);
        EXPECT_EQ(f.worstLow, c.low);
        EXPECT_EQ(f.worstCaseOverflows, c.overflows);
        EXPECT_EQ(f.overflowPossible, c.overflows > 0);
        EXPECT_EQ(f.worstCaseSamples, static_cast<long long>(2 * c.taps.size()));
    }
}

// The power of the one rounding, q = 2^-(W-1): with the residues of the accumulator
// uniform over M = 2^f / 2^z values of step d = q / M (z the trailing zero bits every
// integer tap shares), nearest gives q^2/12 + d^2/6, truncation d^2 (M - 1)(2M - 1)/6.
TEST(FirFigures, AnalyticNoiseIsTheRoundingFormula) {
    const double q15 = std::ldexp(1.0, -15), q7 = std::ldexp(1.0, -7);
    const struct {
        const char* label;
        std::vector<double> taps;
        Arithmetic arithmetic;
        double power;
    } cases[] = {
        // f = 31, an odd tap: M = 2^31.
        {"q15 odd taps", {0.1, 0.2}, named(Target::Q15), q15 * q15 / 12 + std::ldexp(1.0, -92) / 6},
        // 2^28, 2^29, 2^28 at f = 30: z = 28, M = 4, d = q / 4.
        {"q15 quarter steps",
         {0.25, 0.5, 0.25},
         named(Target::Q15),
         q15 * q15 / 12 + q15 * q15 / 96},
        // 64 at f = 7: M = 2, d = q / 2: d^2 * 1 * 3 / 6 = q^2 / 8.
        {"truncate two steps", {0.5}, fixedWords(8, 8, Rounding::Truncate), q7 * q7 / 8},
        // 1 is 64 at f = 6: every sum lies on the output word.
        {"exact", {1.0}, fixedWords(8, 8), 0.0},
        // arm_fir_q15 truncates at f = 15; 16384 = 2^14: M = 2, q^2 / 8.
        {"cmsis-fir-q15", {0.5}, named(Target::CmsisFirQ15), q15 * q15 / 8},
        // 1.31 taps, 1 at f = 31, M = 2^31: d^2 (M - 1)(2M - 1) / 6.
        {"cmsis-fir-q31",
         {std::ldexp(1.0, -31)},
         named(Target::CmsisFirQ31),
         std::ldexp(1.0, -124) * (std::ldexp(1.0, 31) - 1) * (std::ldexp(1.0, 32) - 1) / 6},
        {"float", {0.1}, named(Target::Float), 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const FirImplementation im = realiseFir(FirFilter{c.taps}, c.arithmetic);
        EXPECT_DOUBLE_EQ(firRoundingNoise(im), c.power);
    }
}

// The response against a request: the half-band filter's |H(w)| = 0.5 + 0.5625 cos w -
// 0.0625 cos 3w falls monotonically (its derivative is -0.75 sin^3 w), so the ripple over
// [0, F1] is 20 log10(1 / |H(2 pi F1)|) and the attenuation from F4 on 20 log10(1 /
// |H(2 pi F4)|); in C = 5 bits the taps become 0.25, 0.5, 0.25 (|H| = 0.5 + 0.5 cos w).
TEST(FirFigures, RippleAndAttenuationAreTheClosedForms) {
    const std::vector<double> taps = {-0.03125, 0, 0.28125, 0.5, 0.28125, 0, -0.03125};
    const double pi = std::numbers::pi;
    const auto halfBand = [&](double f) {
        return 0.5 + 0.5625 * std::cos(2 * pi * f) - 0.0625 * std::cos(6 * pi * f);
    };
    const auto coarse = [&](double f) { return 0.5 + 0.5 * std::cos(2 * pi * f); };
    DesignRequest r;
    r.f1 = 0.1;
    r.f4 = 0.3;
    r.da = 3;
    r.b1 = 10;
    ReportOptions o;
    o.request = r;
    const FirFigures fine = firFigures(FirFilter{taps}, named(Target::Q15), o);
    EXPECT_NEAR(fine.measured.ripple, -20 * std::log10(halfBand(0.1)), 1e-12);
    EXPECT_NEAR(fine.measured.attenuation, -20 * std::log10(halfBand(0.3)), 1e-12);
    EXPECT_TRUE(fine.meetsRequest);
    const FirFigures five = firFigures(FirFilter{taps}, fixedWords(16, 5), o);
    EXPECT_EQ(five.fraction, 3);
    EXPECT_NEAR(five.measured.ripple, -20 * std::log10(coarse(0.1)), 1e-12);
    EXPECT_NEAR(five.measured.attenuation, -20 * std::log10(coarse(0.3)), 1e-12);
    // 9.23 dB misses 10 dB, which the file's taps (11.19 dB) meet.
    EXPECT_FALSE(five.meetsRequest);
    EXPECT_NEAR(five.ideal.attenuation, -20 * std::log10(halfBand(0.3)), 1e-12);
}

// The magnitude curves of two equal taps h: |H(e^jw)| = 2 |h| cos(w/2), for the file's
// 0.3 and for the tap each arithmetic holds (worked out by hand as above); double has no
// round-off noise to draw, the others do.
TEST(FirCurves, MagnitudesAreTheClosedForms) {
    const struct {
        const char* label;
        Arithmetic arithmetic;
        double held; // the tap the arithmetic holds
    } cases[] = {
        {"double", named(Target::Double), 0.3},
        // 0.3 * 2^31 = 644245094.4; the sum of two stays below 2^31.
        {"q15", named(Target::Q15), 644245094.0 / 2147483648.0},
        // 0.3 * 2^15 = 9830.4.
        {"cmsis-fir-q15", named(Target::CmsisFirQ15), 9830.0 / 32768.0},
        // 0.3 * 2^7 = 38.4: 2 * 38 = 76 < 128.
        {"fixed C 8", fixedWords(16, 8), 38.0 / 128.0},
    };
    constexpr int points = 8;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const ImplementationCurves curves =
            firCurves(realiseFir(FirFilter{{0.3, 0.3}}, c.arithmetic), points, 1, 4096, 7);
        ASSERT_EQ(curves.frequency.size(), std::size_t{points + 1});
        const bool noisy = c.arithmetic.target != Target::Double;
        EXPECT_EQ(curves.noiseFrequency.size(), noisy ? std::size_t{noiseBins + 1} : 0u);
        EXPECT_EQ(curves.noiseMeasuredDb.size(), noisy ? std::size_t{noiseBins + 1} : 0u);
        // FD/2 itself is a zero of H: its decibels are only "very low".
        for (int i = 0; i < points; ++i) {
            const double w = std::numbers::pi * i / points;
            EXPECT_EQ(curves.frequency[i], 0.5 * i / points);
            EXPECT_NEAR(curves.idealDb[i], 20 * std::log10(0.6 * std::cos(w / 2)), 1e-12);
            EXPECT_NEAR(curves.quantisedDb[i], 20 * std::log10(2 * c.held * std::cos(w / 2)),
                        1e-12);
        }
        EXPECT_LT(curves.quantisedDb[points], -200);
    }
}

// The noise curves of two taps 38/128 in 16-bit data: every sum 38 (x1 + x2) / 128 leaves
// one of M = 64 residues below the output step q = 2^-15, of step d = q/64, evenly on white
// noise. Either rounding's error is then uniform on 64 points: its variance (M^2 - 1) d^2 / 12,
// of full scale squared, spread over 2 * 128 bins, the two sides of each added, in dB of a
// full-scale sine's 0.5. The measured periodogram of 65536 samples agrees within 0.2 dB away
// from 0 (where the mean sits).
TEST(FirCurves, NoiseOfTheOneRoundingIsWhite) {
    const double q = std::ldexp(1.0, -15), d = q / 64;
    const double variance = (64.0 * 64.0 - 1) * d * d / 12;
    for (const Rounding rounding : {Rounding::Nearest, Rounding::Truncate}) {
        const Arithmetic a = fixedWords(16, 8, rounding);
        const ImplementationCurves curves =
            firCurves(realiseFir(FirFilter{{0.3, 0.3}}, a), 8, 1, 65536, 20261209);
        ASSERT_EQ(curves.noiseComputedDb.size(), std::size_t{noiseBins + 1});
        for (int k = 0; k <= noiseBins; ++k) {
            const double sides = k == 0 || k == noiseBins ? 1 : 2;
            EXPECT_NEAR(curves.noiseComputedDb[k],
                        10 * std::log10(sides * variance / (2 * noiseBins) / 0.5), 1e-12)
                << k;
        }
        double measured = 0;
        for (int k = 8; k < noiseBins; ++k)
            measured += std::pow(10.0, curves.noiseMeasuredDb[k] / 10);
        measured /= noiseBins - 8;
        EXPECT_NEAR(10 * std::log10(measured), curves.noiseComputedDb[64], 0.2);
    }
}

} // namespace
} // namespace zorkan
