// The pole-zero core: roots to sections and back, the realisable grids, the quantised
// pole, the Welch spectrum and the crossfading switch, against closed forms, direct
// enumerations and constants computed with scipy.
#include "cascade/rootsections.h"
#include "common/errors.h"
#include "listening/crossfade.h"
#include "polezero/polegrid.h"
#include "polezero/polezeromodel.h"
#include "polezero/rootlist.h"
#include "polezero/welch.h"
#include "spectral/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace zorkan {
namespace {

using cplx = std::complex<long double>;
constexpr double pi = std::numbers::pi;

// prod (1 - z_k w) over the roots, each pair as both of its members, in complex
// arithmetic: the coefficients of w^0..w^d.
std::vector<cplx> multiplyOut(const std::vector<std::complex<double>>& roots) {
    std::vector<cplx> p{1};
    for (const std::complex<double>& z : roots) {
        std::vector<cplx> next(p.size() + 1, 0);
        for (std::size_t i = 0; i < p.size(); ++i) {
            next[i] += p[i];
            next[i + 1] -= p[i] * cplx(z.real(), z.imag());
        }
        p = next;
    }
    return p;
}

// The product of the sections' numerators or denominators, coefficient by coefficient.
std::vector<long double> productOf(const std::vector<SecondOrderSection>& sections, bool num) {
    std::vector<long double> p{1};
    for (const SecondOrderSection& s : sections) {
        const double* c = num ? s.num : s.den;
        std::vector<long double> next(p.size() + 2, 0);
        for (std::size_t i = 0; i < p.size(); ++i)
            for (int k = 0; k < 3; ++k)
                next[i + static_cast<std::size_t>(k)] += p[i] * c[k];
        p = next;
    }
    while (p.size() > 1 && p.back() == 0)
        p.pop_back();
    return p;
}

void expectProduct(const std::vector<long double>& got, const std::vector<cplx>& expected,
                   long double scale) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(got[i]), static_cast<double>(scale * expected[i].real()),
                    4e-15)
            << "w^" << i;
        EXPECT_NEAR(static_cast<double>(expected[i].imag()), 0, 1e-15);
    }
}

TEST(RootSections, TheSectionsMultiplyOutToTheRootsPolynomials) {
    struct Case {
        std::vector<SectionRoot> zeros, poles;
        double gain;
    };
    const Case cases[] = {
        {{{1, 0.3, 1}, {-1, 0, 2}}, {{0.9, 0.3, 1}, {0.5, 0, 1}, {0.8, 1.7, 1}}, 0.25},
        {{{0.2, 0, 3}}, {{0.7, 2.5, 2}, {-0.4, 0, 1}}, -3},
        {{{1, pi / 2, 1}, {0.95, 0.01, 1}, {-0.3, 0, 1}, {0.6, 0, 1}}, {{0.99, 0.02, 1}}, 1.5},
        {{}, {{0.1, 0, 1}, {0.2, 0, 1}, {0.3, 0, 1}, {-0.9, 0, 1}, {0.6, 3, 1}}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::complex<double>> z, p;
        for (const auto& [list, out] : {std::pair{&c.zeros, &z}, std::pair{&c.poles, &p}})
            for (const SectionRoot& r : *list)
                for (int m = 0; m < r.multiplicity; ++m) {
                    out->push_back(std::polar(std::abs(r.radius), r.angle) *
                                   (r.radius < 0 ? -1.0 : 1.0));
                    if (r.angle != 0)
                        out->push_back(std::conj(out->back()));
                }
        const std::vector<SecondOrderSection> s = sectionsFromRoots(c.zeros, c.poles, c.gain);
        expectProduct(productOf(s, true), multiplyOut(z), c.gain);
        expectProduct(productOf(s, false), multiplyOut(p), 1);
        for (std::size_t k = 0; k + 1 < s.size(); ++k)
            EXPECT_LE(sectionPoleRadius(s[k]), sectionPoleRadius(s[k + 1]));
    }
}

TEST(RootSections, EachPolePairTakesTheNearestZerosFromTheMostResonantDown) {
    // Poles 0.95 at 0.5 rad, 0.5 at 2 rad and the real 0.2; zeros on the circle at 2.1 and
    // 0.4 rad and the real -1. The pair at 0.5 rad takes the zeros at 0.4 rad, the pair at
    // 2 rad those at 2.1 rad, the real pole the real zero; the least resonant first.
    const std::vector<SecondOrderSection> s = sectionsFromRoots(
        {{1, 2.1, 1}, {1, 0.4, 1}, {-1, 0, 1}}, {{0.2, 0, 1}, {0.95, 0.5, 1}, {0.5, 2, 1}}, 1);
    ASSERT_EQ(s.size(), 3u);
    const double expected[3][6] = {
        {1, 1, 0, 1, -0.2, 0},
        {1, -2 * std::cos(2.1), 1, 1, -1 * std::cos(2.0), 0.25},
        {1, -2 * std::cos(0.4), 1, 1, -1.9 * std::cos(0.5), 0.9025},
    };
    for (std::size_t k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(s[k].num[i], expected[k][i]) << k << ' ' << i;
            EXPECT_DOUBLE_EQ(s[k].den[i], expected[k][3 + i]) << k << ' ' << i;
        }
}

TEST(RootSections, RealRootsPairTheSmallestWithTheLargest) {
    // Poles 0.1, 0.3, 0.5, 0.9 pair as (0.1, 0.9) and (0.3, 0.5).
    const std::vector<SecondOrderSection> s =
        sectionsFromRoots({}, {{0.5, 0, 1}, {0.1, 0, 1}, {0.9, 0, 1}, {0.3, 0, 1}}, 1);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_DOUBLE_EQ(s[0].den[1], -0.8);
    EXPECT_DOUBLE_EQ(s[0].den[2], 0.15);
    EXPECT_DOUBLE_EQ(s[1].den[1], -1.0);
    EXPECT_DOUBLE_EQ(s[1].den[2], 0.09);
}

TEST(RootSections, TheRootsOfSectionsComeBackInPolarForm) {
    SecondOrderSection a, b;
    // 2 (1 - z^-1 + 0.5 z^-2) / (1 - 0.8 z^-1 + 0.64 z^-2): zeros sqrt(0.5) e^(+-j pi/4),
    // poles 0.8 e^(+-j pi/3).
    a.num[0] = 2, a.num[1] = -2, a.num[2] = 1;
    a.den[1] = -0.8, a.den[2] = 0.64;
    // (1 + 0.5 z^-1) / (1 - 0.25 z^-2): a zero at -0.5 and poles at +-0.5.
    b.num[1] = 0.5;
    b.den[2] = -0.25;
    const CascadeRoots r = rootsOfSections({a, b});
    EXPECT_DOUBLE_EQ(r.gain, 2);
    ASSERT_EQ(r.zeros.size(), 2u);
    EXPECT_NEAR(r.zeros[0].radius, std::sqrt(0.5), 2e-16);
    EXPECT_NEAR(r.zeros[0].angle, pi / 4, 2e-16);
    EXPECT_EQ(r.zeros[1].radius, -0.5);
    EXPECT_EQ(r.zeros[1].angle, 0);
    ASSERT_EQ(r.poles.size(), 3u);
    EXPECT_NEAR(r.poles[0].radius, 0.8, 2e-16);
    EXPECT_NEAR(r.poles[0].angle, pi / 3, 4e-16);
    EXPECT_EQ(std::min(r.poles[1].radius, r.poles[2].radius), -0.5);
    EXPECT_EQ(std::max(r.poles[1].radius, r.poles[2].radius), 0.5);
    // A double pole is one root of multiplicity 2.
    SecondOrderSection c;
    c.den[1] = -1, c.den[2] = 0.25;
    const CascadeRoots d = rootsOfSections({c});
    ASSERT_EQ(d.poles.size(), 1u);
    EXPECT_EQ(d.poles[0].multiplicity, 2);
    EXPECT_EQ(d.poles[0].radius, 0.5);
    // A delay has no such form.
    SecondOrderSection delay;
    delay.num[0] = 0, delay.num[1] = 1;
    EXPECT_THROW(rootsOfSections({delay}), UserMessage);
}

TEST(RootList, ItemsAndRefusals) {
    const std::vector<SectionRoot> r =
        parseRootList("-0.5,0.9:1.2,1@50,0.7:-0.4,0.3:0,2:3.14159265358979323846", 1000.0);
    ASSERT_EQ(r.size(), 6u);
    const SectionRoot expected[] = {{-0.5, 0, 1},  {0.9, 1.2, 1}, {1, 0.1 * pi, 1},
                                    {0.7, 0.4, 1}, {0.3, 0, 2},   {-2, 0, 2}};
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(r[k].radius, expected[k].radius) << k;
        EXPECT_DOUBLE_EQ(r[k].angle, expected[k].angle) << k;
        EXPECT_EQ(r[k].multiplicity, expected[k].multiplicity) << k;
    }
    for (const char* bad :
         {"1,,2", "x", "0.5:", ":1", "1:2:3", "1@2:3", "-0.5:1", "1@500", "1@-1", "1@600"})
        EXPECT_THROW(parseRootList(bad, 1000.0), UserMessage) << bad;
    EXPECT_THROW(parseRootList("1@50", std::nullopt), UserMessage);
}

TEST(PoleZeroModel, TheGainRuleHolds) {
    PoleZeroModel m;
    m.fd = 1000;
    m.add(RootSet::Poles, {0.6, 0, 1});
    // 1 / (1 - 0.6 z^-1) peaks at 0 Hz with 1 / 0.4: g = 0.4 for a peak of 1, 0.8 for 2.
    EXPECT_NEAR(m.gainFactor(), 0.4, 1e-16);
    m.gain.value = 2;
    EXPECT_NEAR(m.gainFactor(), 0.8, 1e-16);
    // At FD/4 (w = pi/2): |1 - 0.6 (-j)| = sqrt(1.36).
    m.gain = {GainKind::AtFrequency, 1, 250};
    EXPECT_NEAR(m.gainFactor(), std::sqrt(1.36), 4e-16);
    m.gain.frequency = 600;
    EXPECT_THROW(m.gainFactor(), UserMessage);
    // A zero at the frequency, a pole on the circle for the peak.
    m.add(RootSet::Zeros, {1, pi / 2, 1});
    m.gain.frequency = 250;
    EXPECT_THROW(m.gainFactor(), UserMessage);
    m.move(RootSet::Poles, 0, {0, 1});
    EXPECT_TRUE(m.roots(RootSet::Poles)[0].pair());
    m.gain = {GainKind::AtPeak, 1, 0};
    EXPECT_THROW(m.gainFactor(), UserMessage);
    EXPECT_THROW(m.setMultiplicity(RootSet::Poles, 0, 0), UserMessage);
}

TEST(PoleZeroModel, AFilesSectionsGiveBackTheirRootsAndGain) {
    PoleZeroModel m;
    m.gain = {GainKind::Fixed, 0.5, 0};
    m.add(RootSet::Zeros, {1, 0.7, 1});
    m.add(RootSet::Poles, {0.9, 0.7, 1});
    m.add(RootSet::Poles, {0.5, 0, 2});
    const PoleZeroModel back = PoleZeroModel::fromSections(m.sections(), 1);
    EXPECT_NEAR(back.gainFactor(), 0.5, 1e-16);
    ASSERT_EQ(back.roots(RootSet::Zeros).size(), 1u);
    EXPECT_NEAR(back.roots(RootSet::Zeros)[0].radius, 1, 2e-16);
    EXPECT_NEAR(back.roots(RootSet::Zeros)[0].angle, 0.7, 4e-16);
    ASSERT_EQ(back.roots(RootSet::Poles).size(), 2u);
    EXPECT_EQ(back.roots(RootSet::Poles)[0].radius, 0.5);
    EXPECT_EQ(back.roots(RootSet::Poles)[0].multiplicity, 2);
    EXPECT_NEAR(back.roots(RootSet::Poles)[1].radius, 0.9, 2e-16);
    EXPECT_NEAR(back.roots(RootSet::Poles)[1].angle, 0.7, 4e-16);
}

// Every a1, a2 of C bits (multiples of 2^-(C-2) in [-2, 2)) with complex roots inside the
// unit circle: a1^2 < 4 a2 and a2 < 1, counted in integers.
std::int64_t directFormPairs(int c) {
    const std::int64_t top = std::int64_t{1} << (c - 1), one = std::int64_t{1} << (c - 2);
    std::int64_t count = 0;
    for (std::int64_t a1 = -top; a1 < top; ++a1)
        for (std::int64_t a2 = -top; a2 < top; ++a2)
            if (a1 * a1 < 4 * a2 * one && a2 < one)
                ++count;
    return count;
}

std::vector<std::complex<double>> gridPoints(Structure s, int c, const GridRegion& region) {
    std::vector<std::complex<double>> points;
    forEachGridPoint(s, c, region, [&](std::complex<double> z) { points.push_back(z); });
    return points;
}

// The largest distance from a point to its nearest other point, by trying every pair.
double bruteLargestGap(const std::vector<std::complex<double>>& p) {
    double largest = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t j = 0; j < p.size(); ++j)
            if (j != i)
                nearest = std::min(nearest, std::abs(p[i] - p[j]));
        largest = std::max(largest, nearest);
    }
    return largest;
}

TEST(PoleGrid, TheDirectFormCountIsThatOfTheCoefficientPairs) {
    for (int c : {4, 5, 8, 11})
        EXPECT_EQ(poleGridFigures(Structure::Df1, c, {}).count, directFormPairs(c)) << c;
    // q15 words: per a2 = j 2^-14, the a1 = i 2^-14 with i^2 < 2^16 j.
    std::int64_t q15 = 0;
    for (std::int64_t j = 1; j < (1 << 14); ++j) {
        std::int64_t i = static_cast<std::int64_t>(std::sqrt(static_cast<double>(j << 16)));
        while (i * i >= (j << 16))
            --i;
        q15 += 2 * i + 1;
    }
    EXPECT_EQ(q15, 715794733);
    EXPECT_EQ(poleGridFigures(Structure::Df1, 16, {}).count, q15);
    // df2, df2t and ef share the denominator's words.
    for (Structure s : {Structure::Df2, Structure::Df2t, Structure::ErrorFeedback})
        EXPECT_EQ(poleGridFigures(s, 8, {}).count, directFormPairs(8));
}

TEST(PoleGrid, TheLargestGapIsTheFarthestNearestNeighbour) {
    struct Case {
        Structure structure;
        int bits;
        GridRegion region;
    };
    const Case cases[] = {
        {Structure::Df1, 7, {}},
        {Structure::Df1, 8, {0.5, 0.9, 0.3, 1.2}},
        {Structure::Df1, 8, {0, 0.3, 1.0, 2.0}},
        {Structure::Lattice, 7, {}},
        {Structure::Lattice, 8, {0.7, 1, 2, 3.14159}},
        {Structure::Normal, 6, {}},
        {Structure::Normal, 8, {0.1, 0.95, 0, 0.5}},
        {Structure::Normal, 8, {0.6, 0.8, 0.2, 2.9}},
    };
    for (const Case& c : cases) {
        const std::vector<std::complex<double>> p = gridPoints(c.structure, c.bits, c.region);
        const PoleGridFigures f = poleGridFigures(c.structure, c.bits, c.region);
        EXPECT_EQ(f.count, static_cast<std::int64_t>(p.size()));
        EXPECT_EQ(f.largestGap, bruteLargestGap(p)) << structureName(c.structure) << ' ' << c.bits;
        for (const std::complex<double>& z : p) {
            ASSERT_GT(z.imag(), 0);
            ASSERT_LT(std::abs(z), 1);
        }
    }
}

TEST(PoleGrid, FiguresComputedWithAKdTree) {
    // scipy.spatial.cKDTree over every position (the second nearest of each, itself the
    // first), the distance of the farthest pair found taken to 60 digits and rounded.
    struct Case {
        Structure structure;
        int bits;
        GridRegion region;
        std::int64_t count;
        double gap;
    };
    const Case cases[] = {
        {Structure::Df1, 10, {}, 174205, 0.016343863185666947},
        {Structure::Df1, 6, {}, 641, 0.08838834764831845},
        {Structure::Lattice, 8, {}, 27983, 0.037642241687167594},
        {Structure::Normal, 8, {}, 25587, 0.0078125},
        {Structure::Df1, 9, {0.5, 0.9, 0.3, 1.2}, 7835, 0.00875399571577881},
        {Structure::Df1, 9, {0.1, 0.95, 0, 0.5}, 2281, 0.023113712978740538},
        {Structure::Lattice, 9, {0.1, 0.95, 0, 0.5}, 6103, 0.02430718389825289},
        {Structure::Lattice, 9, {0, 0.3, 1.0, 2.0}, 2201, 0.0025217072385933952},
    };
    for (const Case& c : cases) {
        const PoleGridFigures f = poleGridFigures(c.structure, c.bits, c.region);
        EXPECT_EQ(f.count, c.count) << structureName(c.structure) << ' ' << c.bits;
        EXPECT_NEAR(f.largestGap, c.gap, std::ldexp(c.gap, -52))
            << structureName(c.structure) << ' ' << c.bits;
    }
}

TEST(PoleGrid, TheNormalFormGridIsUniform) {
    // Every position is (m, n) 2^-(C-1): equal steps in Re and Im, the gap one step.
    for (int c : {5, 8, 10}) {
        const double step = std::ldexp(1.0, -(c - 1));
        std::int64_t expected = 0;
        const std::int64_t top = std::int64_t{1} << (c - 1);
        for (std::int64_t m = -top; m < top; ++m)
            for (std::int64_t n = 1; n < top; ++n)
                if (m * m + n * n < top * top)
                    ++expected;
        const std::vector<std::complex<double>> p = gridPoints(Structure::Normal, c, {});
        EXPECT_EQ(static_cast<std::int64_t>(p.size()), expected);
        for (const std::complex<double>& z : p) {
            ASSERT_EQ(std::fmod(z.real(), step), 0) << z.real();
            ASSERT_EQ(std::fmod(z.imag(), step), 0) << z.imag();
        }
        EXPECT_EQ(poleGridFigures(Structure::Normal, c, {}).largestGap, step);
    }
}

TEST(PoleGrid, RefusedRequests) {
    const GridRegion whole;
    EXPECT_THROW(poleGridFigures(Structure::Df1, 3, whole), UserMessage);
    EXPECT_THROW(poleGridFigures(Structure::Df1, 21, whole), UserMessage);
    EXPECT_THROW(poleGridFigures(Structure::Optimal, 8, whole), UserMessage);
    for (const GridRegion r :
         {GridRegion{0.5, 0.4, 0, 1}, GridRegion{0, 1.5, 0, 1}, GridRegion{-0.1, 1, 0, 1},
          GridRegion{0, 1, 1, 0.5}, GridRegion{0, 1, 0, 4}, GridRegion{0, 1, -1, 1}})
        EXPECT_THROW(poleGridFigures(Structure::Df1, 8, r), UserMessage);
}

TEST(PoleGrid, TheQuantisedPoleAndItsDistance) {
    // Rounded as the formats say (half away from zero), with the roots of the rounded
    // denominator, in exact fractions and 60-digit square roots in Python.
    struct Case {
        Structure structure;
        int bits;
        std::complex<double> p, z;
        bool pair;
        double distance;
    };
    // clang-format off
    const Case cases[] = {
        {Structure::Df1, 8, {0.5, 0.5}, {0.5, 0.5}, true, 0.0},
        {Structure::Df1, 8, {0.3, 0.4}, {0.296875, 0.40232478717449166}, true, 0.0038949018481446674},
        {Structure::Df1, 8, {0.95, 0.01}, {0.90625, 0.0}, false, 0.044878307677540565},
        {Structure::Df1, 12, {-0.7, 0.2}, {-0.7001953125, 0.19999990463254563}, true, 0.0001953125232831185},
        {Structure::Df1, 16, {0.999, 0.03}, {0.998992919921875, 0.03024091819813419}, true, 0.0002410222099692936},
        {Structure::Lattice, 8, {0.5, 0.5}, {0.498046875, 0.5019455252342971}, true, 0.0027567672558473167},
        {Structure::Lattice, 8, {0.3, 0.4}, {0.2978515625, 0.40160234899251845}, true, 0.002680169021765425},
        {Structure::Lattice, 8, {0.95, 0.01}, {0.9456787109375, 0.10927843190487461}, true, 0.09937243370599569},
        {Structure::Lattice, 12, {-0.7, 0.2}, {-0.699906587600708, 0.19978970164433513}, true, 0.00023011143982173588},
        {Structure::Lattice, 16, {0.999, 0.03}, {0.9989931713789701, 0.03023261030224785}, true, 0.00023271051282012424},
        {Structure::Normal, 8, {0.5, 0.5}, {0.5, 0.5}, true, 0.0},
        {Structure::Normal, 8, {0.3, 0.4}, {0.296875, 0.3984375}, true, 0.0034938562148434213},
        {Structure::Normal, 8, {0.95, 0.01}, {0.953125, 0.0078125}, true, 0.003814548629916819},
        {Structure::Normal, 12, {-0.7, 0.2}, {-0.7001953125, 0.2001953125}, true, 0.00027621358640101865},
        {Structure::Normal, 16, {0.999, 0.03}, {0.998992919921875, 0.029998779296875}, true, 7.18454051248046e-06},
    };
    // clang-format on
    for (const Case& c : cases) {
        const QuantisedPole q = quantisedPole(c.structure, c.bits, c.p);
        const std::string row = structureName(c.structure) + " " + std::to_string(c.bits);
        EXPECT_NEAR(q.z.real(), c.z.real(), 2e-16) << row;
        EXPECT_NEAR(q.z.imag(), c.z.imag(), 2e-16) << row;
        EXPECT_EQ(q.pair, c.pair) << row;
        EXPECT_NEAR(q.distance, c.distance, 2e-16) << row;
        // The position of a pair is one of the grid's.
        if (c.pair && c.bits <= 8) {
            const std::vector<std::complex<double>> p = gridPoints(c.structure, c.bits, {});
            EXPECT_NE(std::find(p.begin(), p.end(), q.z), p.end()) << row;
        }
    }
    EXPECT_THROW(quantisedPole(Structure::Optimal, 8, {0.5, 0.5}), UserMessage);
}

TEST(FourierTransform, AgreesWithTheDefinition) {
    for (std::size_t n : {2u, 8u, 64u, 1024u}) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i)
            x[i] = std::sin(0.7 * static_cast<double>(i * i)) + 0.1 * static_cast<double>(i % 5);
        std::vector<std::complex<double>> full(x.begin(), x.end()), half(n / 2 + 1);
        const FourierTransform f(n);
        f.forward(full.data());
        f.forwardReal(x.data(), half.data());
        for (std::size_t k = 0; k < n; ++k) {
            std::complex<long double> sum = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const long double a = -2 * std::numbers::pi_v<long double> *
                                      static_cast<long double>((k * i) % n) / n;
                sum += static_cast<long double>(x[i]) *
                       std::complex<long double>(std::cos(a), std::sin(a));
            }
            const double tolerance = 1e-14 * static_cast<double>(n);
            EXPECT_NEAR(full[k].real(), static_cast<double>(sum.real()), tolerance)
                << n << ' ' << k;
            EXPECT_NEAR(full[k].imag(), static_cast<double>(sum.imag()), tolerance)
                << n << ' ' << k;
            if (k <= n / 2) {
                EXPECT_NEAR(half[k].real(), static_cast<double>(sum.real()), tolerance);
                EXPECT_NEAR(half[k].imag(), static_cast<double>(sum.imag()), tolerance);
            }
        }
    }
}

TEST(RealFourierTransform, AgreesWithTheDefinitionForAnyLength) {
    for (std::size_t n : {2u, 3u, 5u, 16u, 24u, 100u, 1000u}) {
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i)
            x[i] = std::sin(0.7 * static_cast<double>(i * i)) + 0.1 * static_cast<double>(i % 5);
        std::vector<std::complex<double>> half(n / 2 + 1);
        const RealFourierTransform f(n);
        f.forward(x.data(), half.data());
        for (std::size_t k = 0; k <= n / 2; ++k) {
            std::complex<long double> sum = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const long double a = -2 * std::numbers::pi_v<long double> *
                                      static_cast<long double>((k * i) % n) / n;
                sum += static_cast<long double>(x[i]) *
                       std::complex<long double>(std::cos(a), std::sin(a));
            }
            const double tolerance = 1e-14 * static_cast<double>(n);
            EXPECT_NEAR(half[k].real(), static_cast<double>(sum.real()), tolerance)
                << n << ' ' << k;
            EXPECT_NEAR(half[k].imag(), static_cast<double>(sum.imag()), tolerance)
                << n << ' ' << k;
        }
    }
}

TEST(Welch, AgreesWithScipy) {
    // scipy.signal.welch(x, fs=8000, window='hann', nperseg=32, noverlap=16,
    // detrend='constant', scaling='density'): frequency and 10 log10 of the density.
    // clang-format off
    const double expected[][2] = {
        {0.0, -37.329166134627044},   {250.0, -29.086654757166425},  {500.0, -29.839576556846108},
        {750.0, -43.759812249986396}, {1000.0, -49.61902325846415},  {1250.0, -47.6380222807876},
        {1500.0, -43.31200082654202}, {1750.0, -45.6039622813435},   {2000.0, -48.96569611213227},
        {2250.0, -50.08670411576461}, {2500.0, -49.668524446078315}, {2750.0, -48.8915643002041},
        {3000.0, -42.30034357755365}, {3250.0, -37.51973338032009},  {3500.0, -42.81212729313963},
        {3750.0, -50.40360658586367}, {4000.0, -56.90567222688532},
    };
    // clang-format on
    std::vector<double> x(300);
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double v = static_cast<double>(n);
        x[n] = std::sin(0.3 * v) + 0.25 * std::cos(0.01 * v * v) +
               static_cast<double>((n * 7919) % 101) / 101 - 0.5;
    }
    // Fed in uneven pieces: the segments do not depend on how the samples come.
    WelchAverage average(32, 1);
    average.add(x.data(), 7);
    average.add(x.data() + 7, 100);
    average.add(x.data() + 107, 193);
    EXPECT_EQ(average.segments(), 17u); // (300 - 32) / 16 + 1
    const WelchSpectrum s = average.spectrum(8000);
    ASSERT_EQ(s.frequency.size(), 17u);
    for (std::size_t k = 0; k < 17; ++k) {
        EXPECT_EQ(s.frequency[k], expected[k][0]);
        EXPECT_NEAR(10 * std::log10(s.density[k]), expected[k][1], 1e-9) << k;
    }
    EXPECT_THROW(WelchAverage(15, 1), UserMessage);
    WelchAverage tooShort(512, 1);
    tooShort.add(x.data(), x.size());
    EXPECT_THROW(tooShort.spectrum(1), UserMessage);
    for (std::int64_t bad : {-16, 0, 8, 15, (1 << 20) + 1, 1 << 21})
        EXPECT_THROW(checkWelchSegment(bad), UserMessage) << bad;
}

// Any segment length, as scipy takes it: noverlap = N // 2, so an odd segment moves on by
// (N + 1) / 2, and an odd length has no bin at fd / 2 to leave undoubled.
TEST(Welch, AgreesWithScipyForAnySegmentLength) {
    // scipy.signal.welch(x, fs=8000, window='hann', nperseg=N, noverlap=N // 2,
    // detrend='constant', scaling='density') of the signal above.
    // clang-format off
    const double odd25[][2] = {
        {0.0, -35.17312121982827},     {320.0, -29.21240365801627},   {640.0, -33.41481957857166},
        {960.0, -50.10926431856284},   {1280.0, -46.97167528090893},  {1600.0, -43.8816857636284},
        {1920.0, -47.269747700401666}, {2240.0, -49.538925089186534}, {2560.0, -49.761213429405885},
        {2880.0, -44.54124083763767},  {3200.0, -38.542838027556606}, {3520.0, -42.49477993922849},
        {3840.0, -52.23321622629375},
    };
    const double even24[][2] = {
        {0.0, -35.5414457290295},                 {333.3333333333333, -29.409694689144214},
        {666.6666666666666, -34.18415366101092},  {1000.0, -50.658676431444164},
        {1333.3333333333333, -45.57710671525295}, {1666.6666666666665, -44.445778851428116},
        {2000.0, -48.68156446808606},             {2333.333333333333, -50.123712253743136},
        {2666.6666666666665, -49.653272932768566}, {3000.0, -41.41285030418115},
        {3333.333333333333, -39.0585912697432},   {3666.6666666666665, -47.18253509314301},
        {4000.0, -54.60212441851451},
    };
    // clang-format on
    struct Case {
        std::size_t segment;
        std::size_t segments; // (300 - N) // (N - N // 2) + 1
        const double (*expected)[2];
    };
    const Case cases[] = {{25, 22, odd25}, {24, 24, even24}};
    std::vector<double> x(300);
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double v = static_cast<double>(n);
        x[n] = std::sin(0.3 * v) + 0.25 * std::cos(0.01 * v * v) +
               static_cast<double>((n * 7919) % 101) / 101 - 0.5;
    }
    for (const Case& c : cases) {
        WelchAverage average(c.segment, 1);
        average.add(x.data(), 11);
        average.add(x.data() + 11, 289);
        EXPECT_EQ(average.segments(), c.segments) << c.segment;
        const WelchSpectrum s = average.spectrum(8000);
        ASSERT_EQ(s.frequency.size(), 13u) << c.segment;
        for (std::size_t k = 0; k < 13; ++k) {
            EXPECT_NEAR(s.frequency[k], c.expected[k][0], 1e-9) << c.segment << ' ' << k;
            EXPECT_NEAR(10 * std::log10(s.density[k]), c.expected[k][1], 1e-9)
                << c.segment << ' ' << k;
        }
    }
}

// The crossfade against the two cascades run apart: before the change the old one's
// output, during it their weighted sum, after it the new one's (started from silence at
// the change); no step of the output larger than the larger of theirs.
TEST(Crossfade, MovesFromTheOldFilterToTheNew) {
    SecondOrderSection oldSection, newSection;
    oldSection.num[0] = 0.2, oldSection.num[1] = 0.4, oldSection.num[2] = 0.2;
    oldSection.den[1] = -0.6, oldSection.den[2] = 0.4;
    newSection.num[0] = 0.9, newSection.num[1] = -0.9;
    newSection.den[1] = 0.5, newSection.den[2] = 0.3;
    const double rate = 8000;
    const std::size_t change = 301, total = 1000;
    for (CrossfadeShape shape : {CrossfadeShape::Linear, CrossfadeShape::RaisedCosine}) {
        std::vector<double> x(2 * total);
        for (std::size_t n = 0; n < total; ++n) {
            x[2 * n] = std::sin(0.05 * static_cast<double>(n));
            x[2 * n + 1] = 0.5 * std::cos(0.31 * static_cast<double>(n));
        }
        std::vector<double> y = x, a = x, b(x.begin() + 2 * change, x.end());
        CrossfadeFilter fade({oldSection}, 2, rate, shape);
        EXPECT_EQ(fade.length(), 80u); // 10 ms
        fade.run(y.data(), change);
        fade.setSections({newSection});
        fade.run(y.data() + 2 * change, 37); // the crossfade over several blocks
        fade.run(y.data() + 2 * (change + 37), total - change - 37);
        EXPECT_FALSE(fade.fading());
        CrossfadeFilter(std::vector<SecondOrderSection>{oldSection}, 2, rate).run(a.data(), total);
        CrossfadeFilter(std::vector<SecondOrderSection>{newSection}, 2, rate)
            .run(b.data(), total - change);
        double largestOwn = 0, largest = 0;
        for (std::size_t i = 0; i < 2 * total; ++i) {
            const std::size_t n = i / 2;
            const double newer = n >= change ? b[i - 2 * change] : 0;
            double w = 0;
            if (n >= change)
                w = n - change < 80 ? crossfadeWeight(shape, n - change, 80) : 1;
            EXPECT_NEAR(y[i], (1 - w) * a[i] + w * newer, 1e-15) << i;
            if (n > 0) {
                const double previousNewer = n > change ? b[i - 2 * change - 2] : 0;
                largestOwn = std::max(
                    {largestOwn, std::abs(a[i] - a[i - 2]), std::abs(newer - previousNewer)});
                largest = std::max(largest, std::abs(y[i] - y[i - 2]));
            }
        }
        EXPECT_LE(largest, largestOwn);
    }
    const double linear[] = {0.25, 0.5, 0.75, 1};
    const double raised[] = {0.5 - 0.5 * std::cos(pi / 4), 0.5, 0.5 + 0.5 * std::cos(pi / 4), 1};
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(crossfadeWeight(CrossfadeShape::Linear, n, 4), linear[n]);
        EXPECT_NEAR(crossfadeWeight(CrossfadeShape::RaisedCosine, n, 4), raised[n], 1e-16);
    }
}

} // namespace
} // namespace zorkan
