// The norms of partial cascades against closed forms and sums computed elsewhere (mpmath at
// 50 digits). Every coefficient is a binary fraction, so the oracle is exact for the
// section as stored and the computed value must agree to the last digits of a double.
//
// Closed forms:
//   1 / (1 - a z^-1):        L1 = 1 / (1 - |a|), L2 = 1 / sqrt(1 - a^2), peak = L1 (at 0 or pi)
//   1 / (1 - a z^-1)^2:      h[n] = (n + 1) a^n, L1 = 1 / (1 - |a|)^2,
//                            L2 = sqrt((1 + a^2) / (1 - a^2)^3), peak = L1
//   1 / (1 + a1 z^-1 + a2 z^-2) with complex poles: L2 = sqrt((1 + a2) / ((1 - a2)((1 + a2)^2 -
//                            a1^2))); with c = cos w, |A|^2 = (1 - a2)^2 + a1^2 + 2 a1 (1 + a2) c
//                            + 4 a2 c^2, smallest at
//                            c = -a1 (1 + a2) / (4 a2), where the peak is
//                            1 / sqrt((1 - a2)^2 + a1^2 - a1^2 (1 + a2)^2 / (4 a2));
//                            its L1 has no closed form and is the sum of 6000 terms in mpmath.
//   (1 - r^2) / 2 (1 - z^-2) / (1 - 2 r cos t z^-1 + r^2 z^-2): peak exactly 1 at
//                            cos w = 2 r cos t / (1 + r^2) (r = 3/4, 2 r cos t = 1: w = acos 0.64).
//   x / (d0 + d1 z^-1):      the impulse response of 1 / (1 + (d1 / d0) z^-1) divided by d0.
#include "cascade/norms.h"
#include "cascade/tolerances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace zorkan {
namespace {

SecondOrderSection section(double b0, double b1, double b2, double a0, double a1, double a2) {
    SecondOrderSection s;
    s.num[0] = b0;
    s.num[1] = b1;
    s.num[2] = b2;
    s.den[0] = a0;
    s.den[1] = a1;
    s.den[2] = a2;
    return s;
}

SecondOrderSection onePole(double a) {
    return section(1, 0, 0, 1, -a, 0);
}

SecondOrderSection allPole(double a1, double a2) {
    return section(1, 0, 0, 1, a1, a2);
}

constexpr double none = std::numeric_limits<double>::quiet_NaN();

struct NormRow {
    std::string name;
    std::vector<SecondOrderSection> sections;
    double l1, l2, peak; // none where the row has no independent value
};

// Four units of the last place of a double: the sums run in extended precision, so only the
// final rounding and a few roundings of the long sums are left.
void expectLastDigits(double actual, double expected, const std::string& what) {
    if (expected != expected)
        return;
    EXPECT_DOUBLE_EQ(actual, expected) << what;
}

TEST(CascadeNormsTable, ClosedFormsAndIndependentSums) {
    const NormRow rows[] = {
        {"one pole 0.875", {onePole(0.875)}, 8, 2.065591117977289, 8},
        {"one pole -0.875 (alternating signs)", {onePole(-0.875)}, 8, 2.065591117977289, 8},
        {"one pole 0.5", {onePole(0.5)}, 2, 1.1547005383792515, 2},
        {"one pole -0.375", {onePole(-0.375)}, 1.6, 1.0787197799411873, 1.6},
        {"one pole 127/128 (long tail)", {onePole(0.9921875)}, 128, 8.0156709258899135, 128},
        {"double pole 0.75", {onePole(0.75), onePole(0.75)}, 16, 4.3195939772483112, 16},
        {"double pole -0.625",
         {section(1, 0, 0, 1, 1.25, 0.390625)},
         7.1111111111111111,
         2.4790087904955896,
         7.1111111111111111},
        {"resonator -1.25 0.78125",
         {allPole(-1.25, 0.78125)},
         7.7794486215538847,
         2.2486820766931603,
         6.4649762851341488},
        {"resonator 0.5 0.875",
         {allPole(0.5, 0.875)},
         10.542756465279849,
         2.1431988791072793,
         8.3019923466043332},
        {"band-pass peak 1 at acos 0.64",
         {section(0.21875, 0, -0.21875, 1, -1, 0.5625)},
         none,
         none,
         1},
        {"B0 of 2", {section(1, 0, 0, 2, -1, 0)}, 1, 0.57735026918962576, 1},
        {"second-order FIR", {section(1, 2, 1, 1, 0, 0)}, 4, 2.4494897427831781, 4},
        {"first difference", {section(1, -1, 0, 1, 0, 0)}, 2, 1.4142135623730951, 2},
        {"poles at 1/2 and -1/2",
         {onePole(0.5), onePole(-0.5)},
         1.3333333333333333,
         1.0327955589886445,
         1.3333333333333333},
    };
    for (const NormRow& row : rows) {
        const ImpulseNorms n = impulseNorms(row.sections, row.sections.size());
        ASSERT_TRUE(n.bounded) << row.name;
        expectLastDigits(static_cast<double>(n.l1), row.l1, row.name + ": L1");
        expectLastDigits(static_cast<double>(n.l2), row.l2, row.name + ": L2");
        expectLastDigits(static_cast<double>(peakGain(row.sections, row.sections.size())), row.peak,
                         row.name + ": peak");
    }
}

// Element k of the partial norms and the peak of `count` sections measure sections 1..k+1
// only: here 1 / (1 - z^-1 / 2), then that times 1 / (1 + z^-1 / 2) = 1 / (1 - z^-2 / 4).
TEST(CascadeNormsTable, PartialCascadesStopAtTheirSection) {
    const std::vector<SecondOrderSection> sections{onePole(0.5), onePole(-0.5)};
    const struct {
        std::size_t count;
        double l1, l2, peak;
    } rows[] = {
        {1, 2, 1.1547005383792515, 2},
        {2, 1.3333333333333333, 1.0327955589886445, 1.3333333333333333},
    };
    const std::vector<ImpulseNorms> partial = partialImpulseNorms(sections);
    ASSERT_EQ(partial.size(), 2u);
    for (const auto& row : rows) {
        const std::string name = std::to_string(row.count) + " sections";
        const ImpulseNorms& n = partial[row.count - 1];
        expectLastDigits(static_cast<double>(n.l1), row.l1, name + ": L1");
        expectLastDigits(static_cast<double>(n.l2), row.l2, name + ": L2");
        const ImpulseNorms single = impulseNorms(sections, row.count);
        expectLastDigits(static_cast<double>(single.l1), row.l1, name + ": L1 alone");
        expectLastDigits(static_cast<double>(peakGain(sections, row.count)), row.peak,
                         name + ": peak");
    }
}

// A pole on or outside the unit circle has no finite norms; a stable front of such a
// cascade keeps its own.
TEST(CascadeNormsTable, PolesOnOrOutsideTheCircleAreUnbounded) {
    const struct {
        std::string name;
        std::vector<SecondOrderSection> sections;
        std::vector<bool> bounded; // per partial cascade
    } rows[] = {
        {"pole at 1", {onePole(1)}, {false}},
        {"pole at -129/128", {onePole(-1.0078125)}, {false}},
        {"complex pair of radius 1", {allPole(-1, 1)}, {false}},
        {"stable then unstable", {onePole(0.5), onePole(1)}, {true, false}},
        {"unstable then stable", {onePole(1), onePole(0.5)}, {false, false}},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(impulseNorms(row.sections, row.sections.size()).bounded) << row.name;
        const std::vector<ImpulseNorms> partial = partialImpulseNorms(row.sections);
        ASSERT_EQ(partial.size(), row.bounded.size()) << row.name;
        for (std::size_t k = 0; k < partial.size(); ++k)
            EXPECT_EQ(partial[k].bounded, row.bounded[k]) << row.name << " section " << k + 1;
    }
    const std::vector<ImpulseNorms> front = partialImpulseNorms({onePole(0.5), onePole(1)});
    expectLastDigits(static_cast<double>(front[0].l1), 2, "stable front: L1");
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// A resonance far narrower than the peak grid's step (1 - r = 1e-9 against pi / 16384),
// beside a broad high-pass section: the peak of 1 / (1 - 2 r cos t z^-1 + r^2 z^-2) is
// 1 / ((1 - r^2) sin t) (at cos w = (1 + r^2) cos t / (2 r)), times the high-pass
// section's gain there, |1 - e^-jw| / 1 = 2 sin(w / 2); r and t from the section's own
// double coefficients. The sum of |h| stops at the sample limit here, and the L1 norm is
// still never below that peak.
TEST(CascadeNormsPeak, NarrowResonanceBetweenGridPointsIsFound) {
    const double theta = 0.0046, radius = 1 - 1e-9;
    const SecondOrderSection resonance =
        section(1, 0, 0, 1, -2 * radius * std::cos(theta), radius * radius);
    const SecondOrderSection highPass = section(1, -1, 0, 1, 0, 0);
    const long double r = std::sqrt(static_cast<long double>(resonance.den[2]));
    const long double cosT = -static_cast<long double>(resonance.den[1]) / (2 * r);
    const long double sinT = std::sqrt(1 - cosT * cosT);
    const long double w = std::acos((1 + r * r) * cosT / (2 * r));
    const long double peak = 1 / ((1 - r * r) * sinT) * 2 * std::sin(w / 2);
    const std::vector<SecondOrderSection> cascade = {highPass, resonance};
    EXPECT_NEAR(static_cast<double>(peakGain(cascade, 2) / peak), 1, 1e-6);
    const ImpulseNorms norms = impulseNorms({resonance}, 1);
    EXPECT_GE(norms.l1, peakGain({resonance}, 1) * (1 - 1e-12));
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// The squared L2 norm in closed form against the energies of the stored coefficients worked
// out elsewhere (mpmath at 50 digits):
//   1 / (1 + a1 z^-1 + a2 z^-2):   (1 + a2) / ((1 - a2) ((1 + a2)^2 - a1^2)), with
//                                  a1 = -2 r cos t and a2 = r^2 rounded to doubles, the form
//                                  (1 + r^2) / ((1 - r^2) (1 - 2 r^2 cos 2t + r^4)) of r and t;
//   1 / ((1 - a z^-1)(1 - b z^-1)): (1 + ab) / ((1 - a^2) (1 - b^2) (1 - ab));
//   (1 + z^-1) / (1 - a z^-1):     1 + (1 + a)^2 / (1 - a^2) = 2 / (1 - a);
//   (1 + z^-1 / 2) / (1 - z^-1 / 2) then 1 / (1 + z^-1 / 4): its impulse response summed in
//                                  exact fractions (Python) over 400 samples.
// A tail summed to a fixed length, or a doubling stopped early, misses the poles nearest the
// circle; a state space with a wrong sign or order of the numerator misses every row.
// tolerance: 4e-14 for the roundings of the doubling, except where the two poles lie 1e-3 apart
// within 1e-5 of z = 1: (1 + a2)^2 - a1^2 is then 4e-10 of its terms, and any extended
// precision arithmetic keeps only 1e-19 / 4e-10 of it.
struct EnergyRow {
    double r, t;
    long double energy;
    double tolerance;
};

TEST(CascadeEnergyTable, ResonatorsUpToTheCircle) {
    const EnergyRow rows[] = {
        {0.5, 1.0, 1.311743692018442217057372L, 4e-14},
        {0.9, 0.3, 29.85778896900339508114786L, 4e-14},
        {0.99, 0.1, 2520.99728112603150254529L, 4e-14},
        {0.999, 2.0, 302.8164678334368551601532L, 4e-14},
        {0.9999, 0.05, 1000979.890091587914001721L, 4e-14},
        {0.99999, 0.6, 78415.05224419151180561872L, 4e-14},
        {0.99999, 0.001, 24997883525.2514321237541L, 1e-9},
    };
    for (const EnergyRow& row : rows) {
        const std::vector<SecondOrderSection> resonator = {
            allPole(-2 * row.r * std::cos(row.t), row.r * row.r)};
        const long double energy = squaredL2Norm(resonator);
        EXPECT_NEAR(static_cast<double>(energy / row.energy), 1, row.tolerance)
            << "r = " << row.r << ", t = " << row.t;
    }
}

// The energy of the cascade's output with section `head`'s numerator replaced by `num`,
// to the last digit of a long double's conversion to double.
void expectHeadedEnergy(const std::string& name, const std::vector<SecondOrderSection>& sections,
                        std::size_t head, std::span<const double> num, long double expected) {
    const CascadeEnergy energy(sections);
    ASSERT_TRUE(energy.bounded()) << name;
    EXPECT_NEAR(static_cast<double>(energy.headed(head, num) / expected), 1, 1e-16) << name;
}

struct HeadedRow {
    std::string name;
    std::vector<SecondOrderSection> sections;
    std::size_t head;
    double num[3];
    long double energy;
};

TEST(CascadeEnergyTable, HeadsAndLaterSections) {
    const HeadedRow rows[] = {
        {"two poles 1/2 and -1/4",
         {onePole(0.5), onePole(-0.25)},
         0,
         {1, 0, 0},
         1.106172839506172839506173L},
        {"(1 + z^-1) / (1 - 3/4 z^-1)", {onePole(0.75)}, 0, {1, 1, 0}, 8},
        {"head at the second section, the first left out",
         {onePole(0.875), onePole(0.5)},
         1,
         {1, 1, 0},
         4},
        {"head of 2 over a0 of 2", {section(1, 0, 0, 2, -1, 0)}, 0, {2, 0, 0}, 4.0L / 3},
        {"(1 + 1/2 z^-1) / (1 - 1/2 z^-1) then 1 / (1 + 1/4 z^-1)",
         {onePole(0.5), onePole(-0.25)},
         0,
         {1, 0.5, 0},
         1.698765432098765432098765L},
    };
    for (const HeadedRow& row : rows)
        expectHeadedEnergy(row.name, row.sections, row.head, row.num, row.energy);
    EXPECT_FALSE(CascadeEnergy({onePole(0.5), onePole(1)}).bounded());
    EXPECT_TRUE(std::isinf(squaredL2Norm({allPole(-2, 1.0000001)})));
}

// Cascades of several second-order sections, heads anywhere: the oracle is the squared L2 norm
// of num(z) / A_k(z) times every later section, multiplied out and realised in direct form II,
// from its controllability Gramian solved densely at 60 digits in mpmath (the first rows
// checked again against the impulse response summed in integers scaled by 2^300). "near" is a
// fourth-order Butterworth-like low-pass: two pole pairs of radius 0.995 and 0.9887 a few
// hundredths of a radian from z = 1, where a Stein equation of the two sections in extended
// precision keeps only about 13 digits and the doubling of the whole state about 14.
TEST(CascadeEnergyTable, SeveralSectionsAndCloseResonances) {
    const std::vector<SecondOrderSection> three = {section(1, 0, 0, 1, -1, 0.5),
                                                   section(1, 0.5, 0.25, 1, -0.5, 0.25),
                                                   section(0.5, -1, 0.5, 1, 1.25, 0.5625)};
    const std::vector<SecondOrderSection> near = {section(1, 2, 1, 1, -1.98828125, 0.990234375),
                                                  section(1, 2, 1, 1, -1.9765625, 0.9775390625)};
    const std::vector<SecondOrderSection> nearOverTwo = {
        section(2, 4, 2, 2, -3.9765625, 1.98046875), near[1]};
    struct Row {
        std::string name;
        std::vector<SecondOrderSection> sections;
        std::size_t head;
        std::vector<double> num;
        long double energy;
    };
    const Row rows[] = {
        {"three sections", three, 0, {1}, 0.7335347403364428649655322602L},
        {"three, head at the second, degree 3",
         three,
         1,
         {1, -0.5, 0.25, 0.125},
         12.88663605819128538005523598L},
        {"three, head at the last", three, 2, {0.25, 0.5}, 0.4571428571428571428571428571L},
        {"near", near, 0, {1, 2, 1}, 5509036275102.586701414894526L},
        {"near, head at the second, degree 3",
         near,
         1,
         {1, -1, 0.5, 0.25},
         12784.50095031516101667615192L},
        {"near, first section over a0 = 2",
         nearOverTwo,
         0,
         {2, 4, 2},
         5509036275102.586701414894526L},
    };
    for (const Row& row : rows)
        expectHeadedEnergy(row.name, row.sections, row.head, row.num, row.energy);
    EXPECT_NEAR(static_cast<double>(squaredL2Norm(three) / 0.7335347403364428649655322602L), 1,
                1e-16);
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// Long sums stop as soon as no sample to come can change them, and must still give the sums of
// every sample. The oracles are the L1 and L2 norms of resonators close to the circle, summed in
// mpmath at 40 digits over 1.3 times the samples the code sums (so the tail is in the oracle),
// from the stored double coefficients:
//   1 / (1 - 1.5 z^-1 + a2 z^-2),     a2 = (1 - 2^-10)^2 = 1 - 2^-9 + 2^-20 (r = 1 - 2^-10):
//                                     L1 = 987.3000546327679319..., L2 = 24.237932861597789...
//                                     (L2 also from the closed form sqrt((1 + a2) / ((1 - a2)
//                                     ((1 + a2)^2 - a1^2))));
//   1 / (1 - 1.875 z^-1 + a2 z^-2),   a2 = (1 - 2^-13)^2 (r = 1 - 2^-13, 680 000 samples summed):
//                                     L1 = 15001.023174830249566..., L2 = 130.17543688933563...
//   the first resonator followed by 1 / (1 - z^-1 / 2): L1 = 1397.6056508178202634...,
//                                     L2 = 34.322254770436114...
SecondOrderSection nearCircle(double a1, int bits) {
    const double r = 1 - std::ldexp(1.0, -bits);
    return allPole(a1, r * r);
}

TEST(CascadeNormsTail, LongSumsNearTheCircleAgreeWithMpmath) {
    const struct {
        std::string name;
        std::vector<SecondOrderSection> sections;
        double l1, l2;
    } rows[] = {
        {"r = 1 - 2^-10", {nearCircle(-1.5, 10)}, 987.3000546327679, 24.23793286159779},
        {"r = 1 - 2^-13", {nearCircle(-1.875, 13)}, 15001.02317483025, 130.17543688933563},
        {"r = 1 - 2^-10, then a pole at 1/2",
         {nearCircle(-1.5, 10), onePole(0.5)},
         1397.6056508178203,
         34.32225477043612},
    };
    for (const auto& row : rows) {
        ASSERT_GE(normSamples(row.sections), boundedTailFrom) << row.name;
        const ImpulseNorms n = impulseNorms(row.sections, row.sections.size());
        expectLastDigits(static_cast<double>(n.l1), row.l1, row.name + ": L1");
        expectLastDigits(static_cast<double>(n.l2), row.l2, row.name + ": L2");
    }
}

// A sum is final when the largest term to come, with the margin 2^-16, is below half a unit
// of its last place: 2^-64 for a long double in [1, 2), 2^-63 in [2, 4), 2^-65 in [1/2, 1).
TEST(CascadeNormsTail, SumIsFinalBelowHalfAUnitOfTheLastPlace) {
    const struct {
        long double sum, term;
        bool final;
    } rows[] = {
        {1, std::ldexp(1.0L, -80), false}, // exactly half a unit times the margin
        {1, std::ldexp(1.0L, -81), true},
        {1.9L, std::ldexp(1.0L, -81), true},
        {2, std::ldexp(1.0L, -80), true},      // [2, 4): half a unit is 2^-63
        {0.75L, std::ldexp(1.0L, -81), false}, // [1/2, 1): half a unit is 2^-65
        {0.75L, std::ldexp(1.0L, -82), true},
        {0, std::ldexp(1.0L, -200), false}, // an empty sum is never final
        {1, std::numeric_limits<long double>::infinity(), false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(sumIsFinal(row.sum, row.term), row.final)
            << static_cast<double>(row.sum) << " + " << static_cast<double>(row.term);
}

// The largest output to come from a state is the square root of the energy x^T Q x:
//   y[n] = 0.5^n x:                   Q = 1 / (1 - 1/4) = 4/3, from x = 1: sqrt(4/3);
//   x' = [[0, 1], [0, 0]] x, y = x1 + x2: from (1, 0) y = 1, 0, ...: 1; from (0, 1) y = 1, 1:
//                                     sqrt(2); from (1, 1): y = 2, 1: sqrt(5);
//   y[n] = 0.75^n x with two outputs x and 2x: 5 / (1 - 9/16) = 80/7, from x = 1/2: sqrt(20/7).
TEST(CascadeNormsTail, FreeResponseBoundIsTheRootOfTheEnergyToCome) {
    const struct {
        std::string name;
        std::size_t states;
        std::vector<long double> a, c, x;
        double largest;
    } rows[] = {
        {"one pole 1/2", 1, {0.5L}, {1}, {1}, 1.1547005383792515},
        {"shift (1, 0)", 2, {0, 1, 0, 0}, {1, 1}, {1, 0}, 1},
        {"shift (0, 1)", 2, {0, 1, 0, 0}, {1, 1}, {0, 1}, 1.4142135623730951},
        {"shift (1, 1)", 2, {0, 1, 0, 0}, {1, 1}, {1, 1}, 2.2360679774997897},
        {"two outputs of 3/4", 1, {0.75L}, {1, 2}, {0.5L}, 1.6903085094570331},
    };
    for (const auto& row : rows) {
        const FreeResponseBound bound(row.states, row.a, row.c);
        ASSERT_TRUE(bound.valid()) << row.name;
        expectLastDigits(static_cast<double>(bound.largest(row.x)), row.largest, row.name);
    }
    EXPECT_FALSE(
        FreeResponseBound(1, std::vector<long double>{1}, std::vector<long double>{1}).valid());
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// A pole 2^-26 from the circle leaves most of its response beyond any sum of 10^7 samples.
// The norms are then the sums of the first N samples and a bound of the rest from the partial
// fractions, here in closed form with r = 1 - 2^-26 (r^2 exact in double):
//   1 / (1 - r z^-1):               h[n] = r^n, L1 = 1 / (1 - r); the bound of the rest,
//                                   r^N / (1 - r), is exact, so L1 = (1 + m r^N) / (1 - r)
//                                   for the margin m of the roundings.
//   1 / (1 - r z^-1 + r^2 z^-2):    poles r e^(+-j pi/3), h[n] = r^n sin((n + 1) pi/3) /
//                                   sin(pi/3), that is r^n, r^n, 0, -r^n, -r^n, 0 ...:
//                                   L1 = (1 + r) / (1 - r^3), L2^2 = (1 + r^2) / (1 - r^6);
//                                   each residue has modulus 1 / (2 sin(pi/3)), so the rest is
//                                   bounded by (2 / sqrt 3) r^N / (1 - r) and
//                                   (4 / 3) r^2N / (1 - r^2). N = 3M + 1 here (the sums end
//                                   on a sample r^3M).
// Summed to 10^7 samples and raised to the peak, the resonator's L1 was 0.87 of the norm.
TEST(CascadeNormsTail, PolesAtTheCircleAreBoundedFromAbove) {
    const long double r = 1 - std::ldexp(1.0L, -26);
    const long double gap = std::ldexp(1.0L, -26); // 1 - r
    const long double m = tolerance::tailBoundMargin;
    const auto power = [&](long n) {
        return std::exp(static_cast<long double>(n) * std::log1p(-gap));
    };
    {
        const ImpulseNorms n = impulseNorms({allPole(static_cast<double>(-r), 0)}, 1);
        ASSERT_TRUE(n.bounded);
        ASSERT_LT(n.samples, tolerance::normSamplesLimit);
        EXPECT_GE(n.l1, 1 / gap);
        EXPECT_NEAR(static_cast<double>(n.l1 / ((1 + m * power(n.samples)) / gap)), 1, 1e-12);
    }
    {
        const ImpulseNorms n =
            impulseNorms({allPole(static_cast<double>(-r), static_cast<double>(r * r))}, 1);
        ASSERT_TRUE(n.bounded);
        ASSERT_EQ(n.samples % 3, 1);
        const long threes = n.samples / 3;
        const long double r3 = power(3 * threes);
        const long double cube = gap * (1 + r + r * r);   // 1 - r^3
        const long double sixth = cube * (1 + r * r * r); // 1 - r^6
        const long double l1 = (1 + r) / cube;
        const long double squares = (1 + r * r) / sixth;
        const long double head = (1 + r) * (1 - r3) / cube + r3;
        const long double headSquares = (1 + r * r) * (1 - r3 * r3) / sixth + r3 * r3;
        const long double rN = power(n.samples);
        const long double restL1 = 2 / std::sqrt(3.0L) * rN / gap * (1 + m);
        const long double restSquares = 4.0L / 3 * rN * rN / (gap * (1 + r)) * (1 + 2 * m);
        EXPECT_GE(n.l1, l1);
        EXPECT_GE(n.l2 * n.l2, squares);
        EXPECT_NEAR(static_cast<double>(n.l1 / (head + restL1)), 1, 1e-12);
        EXPECT_NEAR(static_cast<double>(n.l2 * n.l2 / (headSquares + restSquares)), 1, 1e-12);
    }
}

// Poles that coincide have no partial fractions of that form: a double pole at r is summed as
// far as the sample limit allows, as before.
TEST(CascadeNormsTail, DoublePoleIsSummed) {
    const double r = 1 - std::ldexp(1.0, -26);
    const std::vector<SecondOrderSection> twice = {allPole(-r, 0), allPole(-r, 0)};
    EXPECT_FALSE(tailBounded(twice));
    EXPECT_EQ(normSamples(twice), tolerance::normSamplesLimit);
    EXPECT_FALSE(impulseTail(twice, 1000).has_value());
}

} // namespace
} // namespace zorkan
