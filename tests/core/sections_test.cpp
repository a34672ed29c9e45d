#include "design/prototype.h"
#include "design/sections.h"

#include "cascade.h"

#include <gtest/gtest.h>

#include <complex>

using namespace zorkan;
using enum zorkan::Approximation;
using zorkan::testing::cascadeMagnitude;
using zorkan::testing::decibels;

namespace {

std::vector<FilterSection> sectionsFor(Approximation approximation, BandEdges edges,
                                       double da = 1.5, double b1 = 30, double fd = 1) {
    PrototypeFilter p;
    EXPECT_TRUE(designPrototype(approximation, edges, da, b1, fd, p));
    return makeSections(p);
}

void expectSection(const FilterSection& s, std::vector<double> a, std::vector<double> b,
                   double tolerance) {
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(s.a[i], a[i], tolerance) << "A" << i;
    for (std::size_t i = 0; i < b.size(); ++i)
        EXPECT_NEAR(s.b[i], b[i], tolerance) << "B" << i;
}

} // namespace

TEST(Sections, DefaultButterworthLowPass) {
    auto s = sectionsFor(Butterworth, {0.2, 0, 0, 0.25});
    ASSERT_EQ(s.size(), 7u);
    for (int k = 0; k < 6; ++k)
        expectSection(s[k], {1, 2, 1, 0, 0}, {1}, 0);
    expectSection(s[0], {}, {1, -0.498120, 0.792454}, 5e-7);
    expectSection(s[6], {1, 1, 0, 0, 0}, {1, -0.141741, 0, 0, 0}, 5e-7);
    EXPECT_EQ(s[6].b[2], 0.0);
}

TEST(Sections, DefaultEllipticLowPass) {
    auto s = sectionsFor(Elliptic, {0.2, 0, 0, 0.25});
    ASSERT_EQ(s.size(), 2u);
    expectSection(s[0], {1, 1.306125, 1}, {1, -0.995907, 0.444726}, 5e-7);
    expectSection(s[1], {1, 0.099803, 1}, {1, -0.590209, 0.859184}, 5e-7);
}

TEST(Sections, HighPassMirrorsTheLowPass) {
    auto s = sectionsFor(Butterworth, {0, 0.25, 0.2, 0});
    ASSERT_EQ(s.size(), 7u);
    expectSection(s[0], {1, -2, 1}, {1}, 0);
    expectSection(s[6], {1, -1, 0, 0, 0}, {1}, 0);
    EXPECT_EQ(s[6].b[2], 0.0);
    // Mirroring z -> -z maps the low-pass at f onto the high-pass at 1/2 - f.
    auto lp = sectionsFor(Butterworth, {0.25, 0, 0, 0.3});
    for (double f : {0.05, 0.2, 0.24, 0.3})
        EXPECT_NEAR(cascadeMagnitude(s, f, 1) / cascadeMagnitude(s, 0.5, 1),
                    cascadeMagnitude(lp, 0.5 - f, 1) / cascadeMagnitude(lp, 0, 1), 1e-9);
}

TEST(Sections, BandPassRealPoleSectionIsFourthOrderWithZeroTail) {
    auto s = sectionsFor(Elliptic, {0.25, 0.15, 0.1, 0.3});
    ASSERT_EQ(s.size(), 2u);
    expectSection(s[1], {1, 0, -1, 0, 0}, {1}, 0);
    EXPECT_EQ(s[1].b[3], 0.0);
    EXPECT_EQ(s[1].b[4], 0.0);
    // The complex section has a symmetric numerator A1 = A3, A0 = A4 = 1.
    EXPECT_EQ(s[0].a[1], s[0].a[3]);
    EXPECT_EQ(s[0].a[4], 1.0);
}

TEST(Sections, BandPassEllipticEdgesLieAtTheSameLevel) {
    auto s = sectionsFor(Elliptic, {0.25, 0.15, 0.1, 0.3});
    const double centre = cascadeMagnitude(s, 0.2, 1);
    const double lower = decibels(cascadeMagnitude(s, 0.15, 1) / centre);
    const double upper = decibels(cascadeMagnitude(s, 0.25, 1) / centre);
    EXPECT_NEAR(lower, -1.33, 0.01);
    EXPECT_NEAR(upper, lower, 1e-9);
}

TEST(Sections, GainIsNotNormalised) {
    auto lp = sectionsFor(Chebyshev, {0.2, 0, 0, 0.25});
    EXPECT_GT(std::abs(cascadeMagnitude(lp, 0, 1) - 1), 1e-3);
    for (const auto& sec : lp) {
        EXPECT_EQ(sec.a[0], 1.0);
        EXPECT_EQ(sec.b[0], 1.0);
    }
}

// The designed cascade is checked against its own requirements with complex
// arithmetic that shares nothing with the design run's tables.
TEST(Sections, DesignsMeetTheirRequirements) {
    struct Band {
        const char* name;
        BandEdges edges;
    };
    const Band bands[] = {
        {"lp 0.2/0.25", {0.2, 0, 0, 0.25}},     {"lp 0.1/0.15", {0.1, 0, 0, 0.15}},
        {"lp 0.3/0.4", {0.3, 0, 0, 0.4}},       {"hp 0.25/0.2", {0, 0.25, 0.2, 0}},
        {"hp 0.3/0.2", {0, 0.3, 0.2, 0}},       {"bp wide", {0.25, 0.15, 0.1, 0.3}},
        {"bp narrow", {0.22, 0.18, 0.12, 0.3}}, {"bp fd 8000", {2000, 1000, 500, 3000}},
    };
    for (const Band& band : bands)
        for (Approximation approximation : {Butterworth, Chebyshev, Elliptic})
            for (double da : {0.5, 1.5, 3.0})
                for (double b1 : {25.0, 40.0, 60.0}) {
                    const double fd = band.edges.f1 > 1 || band.edges.f2 > 1 ? 8000 : 1;
                    SCOPED_TRACE(::testing::Message()
                                 << band.name << " approx " << approximationCode(approximation)
                                 << " DA " << da << " B1 " << b1);
                    PrototypeFilter p;
                    if (!designPrototype(approximation, band.edges, da, b1, fd, p))
                        continue; // beyond 32 sections
                    auto s = makeSections(p);
                    const BandEdges& e = band.edges;
                    double passLow = 0, passHigh = fd / 2;
                    if (fileKind(p.band) == lowPass)
                        passHigh = e.f1;
                    else if (fileKind(p.band) == highPass)
                        passLow = e.f2;
                    else {
                        passLow = e.f2;
                        passHigh = e.f1;
                    }
                    double passMax = 0, passMin = 1e300, stopMax = 0;
                    const int steps = 400;
                    for (int i = 0; i <= steps; ++i) {
                        double f = fd / 2 * i / steps;
                        double m = cascadeMagnitude(s, f, fd);
                        bool inPass = f >= passLow && f <= passHigh;
                        bool inStop = (fileKind(p.band) == lowPass && f >= e.f4) ||
                                      (fileKind(p.band) == highPass && f <= e.f3) ||
                                      (fileKind(p.band) == bandPass && (f <= e.f3 || f >= e.f4));
                        if (inPass) {
                            passMax = std::max(passMax, m);
                            passMin = std::min(passMin, m);
                        }
                        if (inStop)
                            stopMax = std::max(stopMax, m);
                    }
                    // The pass-band edges themselves, exactly.
                    for (double f : {passLow, passHigh}) {
                        double m = cascadeMagnitude(s, f, fd);
                        passMax = std::max(passMax, m);
                        passMin = std::min(passMin, m);
                    }
                    // The elliptic order estimate is itself approximate: one design of
                    // this sweep (low-pass 0.3/0.4, DA 3, B1 25, order 2) reaches 24.98 dB.
                    const double slack = approximation == Elliptic ? 0.05 : 1e-6;
                    EXPECT_GE(decibels(passMax / stopMax), b1 - slack) << "stop band";
                    if (approximation != Elliptic)
                        EXPECT_LE(decibels(passMax / passMin), da + 1e-6) << "pass band";
                    else
                        EXPECT_LE(decibels(passMax / passMin), 2 * da + 1.0)
                            << "elliptic ripple is approximate";
                    for (int k = 1; k <= p.sections; ++k) {
                        // The last denominator coefficient is the product of the
                        // section's poles: below one for poles inside the unit circle.
                        EXPECT_LT(std::abs(s[k - 1].b[fileKind(p.band) == bandPass ? 4 : 2]), 1.0);
                    }
                }
}
