// The section mathematics every tool beyond the response window shares: a table of roots with
// their multiplicity on hand-made polynomials that defeat a plain companion-matrix
// solver, factoring and pairing of fourth-order sections, section order, the
// cascade's value and the norms of partial cascades, each against an independent value.
#include "analysis/filteranalysis.h"
#include "cascade/norms.h"
#include "cascade/response.h"
#include "cascade/roots.h"
#include "cascade/secondorder.h"
#include "common/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

using namespace zorkan;

namespace {

using cplx = std::complex<long double>;

// lead * product of (z - r) against the coefficients, relative to the largest of them.
long double productError(const std::vector<double>& c, const std::vector<cplx>& roots) {
    std::size_t first = 0;
    while (c[first] == 0)
        ++first;
    std::vector<cplx> p{cplx(c[first])};
    for (const cplx& r : roots) {
        p.push_back(0);
        for (std::size_t k = p.size() - 1; k > 0; --k)
            p[k] -= r * p[k - 1];
    }
    long double largest = 0, error = 0;
    for (double v : c)
        largest = std::max(largest, static_cast<long double>(std::fabs(v)));
    for (std::size_t k = 0; k < p.size(); ++k)
        error = std::max(error, std::abs(p[k] - static_cast<long double>(c[first + k])));
    return error / largest;
}

FilterCoefficients bandPassFile(std::vector<double> a, std::vector<double> b) {
    FilterCoefficients f;
    f.kind = bandPass;
    f.order = 4;
    f.sections.resize(1);
    std::copy(a.begin(), a.end(), f.sections[0].a);
    std::copy(b.begin(), b.end(), f.sections[0].b);
    return f;
}

} // namespace

// The root finder row by row: c0 z^d + ... + cd as stored, and every root in the documented
// order (by real part, then by imaginary part from the top) with its multiplicity. The
// roots are closed forms where the coefficients are exact, otherwise those of the stored
// doubles computed with mpmath.polyroots at 60 digits. Rows whose polynomial is a multiple
// root rounded to doubles expect the multiple root, to the size of that rounding.
TEST(SectionRoots, TableOfPolynomials) {
    constexpr long double exact = 1e-17L; // a tenth of the last digit of a double
    constexpr long double rounded = 1e-15L;
    const long double s = 7071067811.8654752977L; // 1e40^(1/4) / sqrt(2)
    const long double halfSqrt3 = 0.86602540378443864676L;
    const long double sqrt2 = 1.4142135623730950488L;
    struct Root {
        cplx z;
        int multiplicity;
    };
    const struct {
        const char* name;
        std::vector<double> c;
        std::vector<Root> roots;
        long double tolerance; // against the root's modulus
    } rows[] = {
        // clang-format off
        {"degree 1", {3, -1}, {{1.0L / 3, 1}}, exact},
        {"degree 1 at the origin", {2, 0}, {{0, 1}}, exact},
        {"degree 2 real", {1, 0, -2}, {{-sqrt2, 1}, {sqrt2, 1}}, exact},
        {"degree 2 at -1 and 1", {1, 0, -1}, {{-1, 1}, {1, 1}}, exact},
        {"degree 2 double", {1, -2, 1}, {{1, 2}, {1, 2}}, exact},
        {"degree 2 complex pair", {1, -1, 0.5}, {{{0.5, 0.5}, 1}, {{0.5, -0.5}, 1}}, exact},
        {"degree 2 on the unit circle", {1, -1, 1}, {{{0.5, halfSqrt3}, 1}, {{0.5, -halfSqrt3}, 1}}, exact},
        {"degree 2 with a root at the origin", {1, -0.5, 0}, {{0, 1}, {0.5, 1}}, exact},
        {"leading zero: a root at infinity", {0, 1, -0.5}, {{0.5, 1}}, exact},
        {"vanishing polynomial", {0, 0, 0}, {}, exact},
        {"simple real", {1, -2.25, 0.375, 0.25}, {{-0.25L, 1}, {0.5L, 1}, {2, 1}}, exact},
        {"double and simple", {1, 1, -1.75, 0.5}, {{-2, 1}, {0.5L, 2}, {0.5L, 2}}, exact},
        {"triple", {1, -2.25, 1.6875, -0.421875}, {{0.75L, 3}, {0.75L, 3}, {0.75L, 3}}, exact},
        {"triple at -1", {1, 3, 3, 1}, {{-1, 3}, {-1, 3}, {-1, 3}}, exact},
        {"complex pair and real", {1, -0.5, 0.25, -0.125}, {{{0, 0.5L}, 1}, {{0, -0.5L}, 1}, {0.5L, 1}}, exact},
        {"double root at the origin", {1, -0.5, 0, 0}, {{0, 2}, {0, 2}, {0.5L, 1}}, exact},
        {"fourth roots of unity", {1, 0, 0, 0, -1}, {{-1, 1}, {{0, 1}, 1}, {{0, -1}, 1}, {1, 1}}, exact},
        {"1e-8 and 1e8", {1, -(1e8 + 1e-8), 1}, {{9.9999999999999995099e-9L, 1}, {100000000.0000000049L, 1}}, exact},
        {"pairs at 1e-8 and 1e8", {1, 0, 1e16, 0, 1}, {{{0, 1e8L}, 1}, {{0, 1e-8L}, 1}, {{0, -1e-8L}, 1}, {{0, -1e8L}, 1}}, exact},
        {"four poles of radius 1e10", {1, 0, 0, 0, 1e40}, {{{-s, s}, 1}, {{-s, -s}, 1}, {{s, s}, 1}, {{s, -s}, 1}}, exact},
        {"tiny leading coefficient", {1e-20, -1, 0.5, 0.25, 0.125}, {{{-0.20982168880354028314L, 0.30314536460359968463L}, 1}, {{-0.20982168880354028314L, -0.30314536460359968463L}, 1}, {0.91964337760708056628L, 1}, {1.0000000000000000548e20L, 1}}, exact},
        // Badly scaled: a root of 1e60 .. 1e81 beside roots of modulus 1, or roots of 1e-35
        // beside one of 1; every root kept, the complex pairs among them too.
        {"1e-60 z^3 + z^2 + 1", {1e-60, 1, 0, 1}, {{-1.000000000000000029567e60L, 1}, {{4.999999999999999852167e-61L, 1}, 1}, {{4.999999999999999852167e-61L, -1}, 1}}, exact},
        {"z^3 + z^2 + 1e-70", {1, 1, 0, 1e-70}, {{-1, 1}, {{4.99999999999999997833e-71L, 9.99999999999999997833e-36L}, 1}, {{4.99999999999999997833e-71L, -9.99999999999999997833e-36L}, 1}}, exact},
        {"a tiny first and a subnormal coefficient", {1.1e-81, -1, 1e-311, -4, -4}, {{-0.8477075981395665427561L, 1}, {{0.423853799069783271378L, 2.130482604706657686137L}, 1}, {{0.423853799069783271378L, -2.130482604706657686137L}, 1}, {9.09090909090909125977e80L, 1}}, exact},
        {"a root of -1e188 beside three of 2e-63", {-1.1384583727308475, -1.4738463752112374e+188, 0, 0, -1.0072471729580958}, {{-1.294598388938795029982e188L, 1}, {-1.897701699312659039972e-63L, 1}, {{9.488508496563295199859e-64L, 1.643457880409660921063e-63L}, 1}, {{9.488508496563295199859e-64L, -1.643457880409660921063e-63L}, 1}}, exact},
        {"a first coefficient of 7e-212", {6.683473214140588e-212, -1.1834164894175219, -1.0105807595670804, 0, 0.6338650114004359}, {{{-0.7298533019814275683752L, 0.5929066532092959200921L}, 1}, {{-0.7298533019814275683752L, -0.5929066532092959200921L}, 1}, {0.6057547040155350797668L, 1}, {1.770660929580301370528e211L, 1}}, exact},
        // (z^2 - 1.44)^2 as stored: double zeros at -1.2 and 1.2.
        {"two double roots, rounded", {1, 0, -2.88, 0, 2.0736}, {{-1.2L, 2}, {-1.2L, 2}, {1.2L, 2}, {1.2L, 2}}, rounded},
        {"(1 + z^-1)^4", {1, 4, 6, 4, 1}, {{-1, 4}, {-1, 4}, {-1, 4}, {-1, 4}}, exact},
        {"(1 - z^-2)^2: double roots on the unit circle", {1, 0, -2, 0, 1}, {{-1, 2}, {-1, 2}, {1, 2}, {1, 2}}, exact},
        // The four roots of the stored doubles lie 6.2e-6 from -0.0471 as the fourth roots
        // of unity do, so that the product of (z + 0.0471)^4 differs from the stored
        // polynomial by 1.5e-21 of it: one zero of multiplicity 4.
        {"48.19 (1 + 0.0471 z^-1)^4 as stored", {48.19, 9.078996, 0.6414310674, 0.020140935516360002, 0.00023715951570513904}, {{-0.0471L, 4}, {-0.0471L, 4}, {-0.0471L, 4}, {-0.0471L, 4}}, rounded},
        // clang-format on
    };
    for (const auto& row : rows) {
        const int degree = static_cast<int>(row.c.size()) - 1;
        const std::vector<PolynomialRoot> found = rootsWithMultiplicity(row.c.data(), degree);
        ASSERT_EQ(found.size(), row.roots.size()) << row.name;
        std::vector<cplx> values;
        for (std::size_t i = 0; i < found.size(); ++i) {
            const cplx expected = row.roots[i].z;
            EXPECT_LE(std::abs(found[i].z - expected), row.tolerance * std::abs(expected))
                << row.name << ", root " << i << ": " << static_cast<double>(found[i].z.real())
                << " " << static_cast<double>(found[i].z.imag());
            EXPECT_EQ(found[i].multiplicity, row.roots[i].multiplicity)
                << row.name << ", root " << i;
            values.push_back(found[i].z);
        }
        if (!values.empty()) {
            EXPECT_LE(productError(row.c, values), 1e-14L) << row.name;
        }
        // Equal values are one multiple root, never simple roots found twice.
        for (std::size_t i = 0; i < found.size(); ++i)
            for (std::size_t j = i + 1; j < found.size(); ++j)
                if (found[i].z == found[j].z) {
                    EXPECT_GT(found[i].multiplicity, 1) << row.name << ", roots " << i << " " << j;
                }
    }
}

// Two close complex pairs near -0.104: each root polished in extended precision to the
// last bit of its real and imaginary parts. The root by Newton's method from mpmath's
// polyroots at 90 digits, rounded to 64-bit mantissas.
TEST(SectionRoots, PolishedToTheLastBitOfExtendedPrecision) {
    const double c[5] = {1, 0x1.aa292665b5b99p-2, 0x1.0a08dde6ee755p-4, 0x1.273e586337c9fp-8,
                         0x1.eb7d3459cd097p-14};
    const cplx expected(-0xd.51336d22d6cef7cp-7L, 0xa.d9455e1cefaa8fcp-22L);
    const std::vector<PolynomialRoot> roots = rootsWithMultiplicity(c, 4);
    ASSERT_EQ(roots.size(), 4u);
    int found = 0;
    for (const PolynomialRoot& r : roots) {
        if (std::abs(r.z - expected) > 1e-9L)
            continue;
        ++found;
        EXPECT_EQ(r.z.real(), expected.real());
        EXPECT_EQ(r.z.imag(), expected.imag());
        EXPECT_EQ(r.multiplicity, 1);
    }
    EXPECT_EQ(found, 1);
}

// The Schur-Cohn test on the coefficients: a root on the circle is not inside (z = 1 of
// 1 - 1.5 z^-1 + 0.5 z^-2 and of 1 - z^-1), while z^2 + 1 - 2^-53, whose poles have the
// radius sqrt(1 - 2^-53) that rounds to 1 in double, is inside.
TEST(SectionRoots, InsideTheUnitCircleStrictly) {
    const struct {
        std::vector<double> c;
        bool inside;
    } rows[] = {
        {{1, -1.5, 0.5}, false},
        {{1, -1}, false},
        {{1, 1}, false},
        {{1, -0.5}, true},
        {{1, 0, 1}, false},
        {{1, 2, 1}, false},
        {{1, -1.8, 0.81}, true},
        {{1, 0, 0.99999999999999989}, true},
        {{1, 0, -0.99999999999999989}, true},
        {{2, 0, 1.9999999999999998}, true},
        {{1, 0, 0, 0, 0.99999999999999989}, true},
        {{1, 0, 0, 0, 1}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(insideUnitCircle(row.c.data(), static_cast<int>(row.c.size()) - 1), row.inside)
            << row.c[1] << " " << row.c.back();
}

// Polynomials built from chosen roots (clusters, roots of very different sizes, multiple
// complex pairs) come back with a product that reproduces the polynomial.
TEST(SectionRoots, ProductOfTheRootsReproducesThePolynomial) {
    const std::vector<std::vector<cplx>> chosen = {
        {0.5, 0.5, {0.3, 0.4}, {0.3, -0.4}},
        {1e-6, 1e6, {0, 1}, {0, -1}},
        {-0.9999, -0.9999, -0.9999, 0.2},
        {{0.7, 0.7}, {0.7, -0.7}, {0.7, 0.7}, {0.7, -0.7}},
        {1e-12, 2e-12, 1e12, -3},
        {0.99, 0.991, 0.992, 0.993},
    };
    for (const auto& roots : chosen) {
        std::vector<cplx> p{1};
        for (const cplx& r : roots) {
            p.push_back(0);
            for (std::size_t k = p.size() - 1; k > 0; --k)
                p[k] -= r * p[k - 1];
        }
        std::vector<double> c;
        for (const cplx& v : p)
            c.push_back(static_cast<double>(v.real()));
        EXPECT_LE(productError(c, polynomialRoots(c.data(), 4)), 1e-14L) << c[1] << " " << c[4];
    }
}

// A pole far outside the unit circle found at the origin would call the filter stable.
TEST(SectionRoots, StabilityOfHandMadeDenominators) {
    const struct {
        std::vector<double> b;
        bool stable;
        double radius;
    } rows[] = {
        {{1, 0, 0, 0, 1e40}, false, 1e10},
        {{1, 0, 0, 0, 0.0625}, true, 0.5},
        {{1, 0, 0, 0, 1}, false, 1},
        {{1, -1.8, 0.81, 0, 0}, true, 0.9}, // double pole at 0.9
        {{1, 0, -1.21, 0, 0}, false, 1.1},
        // Poles at +-j sqrt(1 - 2^-53): inside, though the radius rounds to 1 in double.
        {{1, 0, 0.99999999999999989, 0, 0}, true, 1},
    };
    for (const auto& row : rows) {
        const FilterCoefficients f = bandPassFile({1, 0, 0, 0, 0}, row.b);
        const Stability st = stabilityOf(f, filterRoots(f));
        EXPECT_EQ(st.stable, row.stable) << row.b[1] << " " << row.b[4];
        EXPECT_NEAR(st.maxRadius, row.radius, 1e-15 * row.radius) << row.b[1] << " " << row.b[4];
        EXPECT_EQ(insideUnitCircle(row.b.data(), 4), row.stable) << row.b[1] << " " << row.b[4];
    }
}

// The realised cascade warns of instability by the coefficients: poles of radius
// sqrt(1 - 2^-53), which rounds to 1, are inside; poles on the circle are not.
TEST(SectionFactoring, UnstableWarningFollowsTheCoefficients) {
    const struct {
        double b2;
        bool stable;
    } rows[] = {{0.99999999999999989, true}, {1, false}, {0.5, true}, {1.0000000000000002, false}};
    for (const auto& row : rows) {
        FilterCoefficients f;
        f.kind = lowPass;
        f.order = 2;
        f.sections.resize(1);
        f.sections[0].a[0] = 1;
        f.sections[0].b[0] = 1;
        f.sections[0].b[2] = row.b2;
        const SecondOrderCascade c = secondOrderSections(f);
        EXPECT_EQ(cascadeStable(c.sections), row.stable) << row.b2;
        EXPECT_EQ(sectionStable(c.sections[0]), row.stable) << row.b2;
        const bool warned =
            std::any_of(c.warnings.begin(), c.warnings.end(),
                        [](const CascadeWarning& w) { return w.note.rfind("UNSTABLE", 0) == 0; });
        EXPECT_EQ(warned, !row.stable) << row.b2;
    }
}

// The exported second-order numerators multiply back to the section divided by its B0,
// for the nearly multiple zeros of a hand-made file (the product was off by 4e-5).
TEST(SectionFactoring, NearlyMultipleZerosMultiplyBackToTheSection) {
    const std::vector<double> a = {48.19, 9.078996, 0.6414310674, 0.020140935516360002,
                                   0.00023715951570513904};
    const double b0 = 0.003021240234375;
    const SecondOrderCascade c = secondOrderSections(bandPassFile(a, {b0, 0, 0.01, 0, 0}));
    ASSERT_EQ(c.sections.size(), 2u);
    const double* p = c.sections[0].num;
    const double* q = c.sections[1].num;
    const long double product[5] = {
        static_cast<long double>(p[0]) * q[0],
        static_cast<long double>(p[0]) * q[1] + static_cast<long double>(p[1]) * q[0],
        static_cast<long double>(p[0]) * q[2] + static_cast<long double>(p[1]) * q[1] +
            static_cast<long double>(p[2]) * q[0],
        static_cast<long double>(p[1]) * q[2] + static_cast<long double>(p[2]) * q[1],
        static_cast<long double>(p[2]) * q[2]};
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(static_cast<double>(product[k]), a[k] / b0, 4e-15 * a[0] / b0) << k;
}

// A band-pass section with zeros at angles 0.5 and 2.5 and poles 0.9 at 0.6 and 0.8 at
// 2.4: the inner pole pair comes first and takes the zeros nearest to it.
TEST(SectionFactoring, InnerPolePairFirstWithItsNearestZeros) {
    auto quadratic = [](double r, double angle) {
        return std::vector<double>{1, -2 * r * std::cos(angle), r * r};
    };
    auto times = [](const std::vector<double>& p, const std::vector<double>& q) {
        std::vector<double> r(5, 0);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r[i + j] += p[i] * q[j];
        return r;
    };
    const auto z1 = quadratic(1, 0.5), z2 = quadratic(1, 2.5);
    const auto p1 = quadratic(0.9, 0.6), p2 = quadratic(0.8, 2.4);
    const SecondOrderCascade c = secondOrderSections(bandPassFile(times(z1, z2), times(p1, p2)));
    ASSERT_EQ(c.sections.size(), 2u);
    const struct {
        const std::vector<double>& num;
        const std::vector<double>& den;
    } expected[] = {{z2, p2}, {z1, p1}};
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(c.sections[k].den[i], expected[k].den[i], 1e-15) << k << " den " << i;
            EXPECT_NEAR(c.sections[k].num[i] / c.sections[k].num[0], expected[k].num[i], 1e-14)
                << k << " num " << i;
        }
}

TEST(SectionFactoring, TinyB0IsRefusedInsteadOfWritingInfinities) {
    EXPECT_THROW(secondOrderSections(bandPassFile({1e10, 0, 0, 0, 0}, {3e-310, 0.5, 0, 0, 0})),
                 UserMessage);
}

TEST(SectionOrder, SortsByLargestPoleRadiusEitherWay) {
    SecondOrderCascade c;
    const double radii[] = {0.5, 0.95, 0.7};
    for (double r : radii) {
        SecondOrderSection s;
        s.den[1] = -2 * r * std::cos(1.0);
        s.den[2] = r * r;
        c.sections.push_back(s);
    }
    const struct {
        SectionOrder order;
        double first, last;
    } rows[] = {{SectionOrder::File, 0.5, 0.7},
                {SectionOrder::Ascending, 0.5, 0.95},
                {SectionOrder::Descending, 0.95, 0.5}};
    for (const auto& row : rows) {
        SecondOrderCascade ordered = c;
        orderSections(ordered, row.order);
        EXPECT_NEAR(static_cast<double>(sectionPoleRadius(ordered.sections.front())), row.first,
                    1e-15);
        EXPECT_NEAR(static_cast<double>(sectionPoleRadius(ordered.sections.back())), row.last,
                    1e-15);
    }
}

// H(z) of z^-1 / (1 - 0.5 z^-1): 2 at z = 1, -2/3 at z = -1; a vanishing denominator is
// a pole, a product beyond the double range an overflow and no pole.
TEST(CascadeValue, RealPointsPolesAndOverflow) {
    const std::vector<FilterSection> delay{{{0, 1, 0, 0, 0}, {1, -0.5, 0, 0, 0}}};
    const std::vector<FilterSection> huge{{{1e300, 0, 0, 0, 0}, {1, 0, 0, 0, 0}},
                                          {{1e300, 0, 0, 0, 0}, {1, 0, 0, 0, 0}}};
    const std::vector<FilterSection> integrator{{{1, 0, 0, 0, 0}, {1, -1, 0, 0, 0}}};
    const struct {
        const std::vector<FilterSection>& sections;
        long double z;
        double value;
        bool pole, overflow;
    } rows[] = {
        {delay, 1, 2, false, false},
        {delay, -1, -2.0 / 3, false, false},
        {integrator, 1, 1, true, false},
        {huge, 1, 0, false, true},
    };
    for (const auto& row : rows) {
        const CascadeValue v = cascadeValueAt(row.sections, 2, row.z);
        EXPECT_EQ(v.pole, row.pole);
        EXPECT_EQ(v.overflow, row.overflow);
        if (!v.pole && !v.overflow) {
            EXPECT_DOUBLE_EQ(static_cast<double>(v.value.real()), row.value);
        }
    }
}

// Closed forms: 1 / (1 - a z^-1) has L1 = 1 / (1 - |a|) and L2^2 = 1 / (1 - a^2);
// 1 / (1 - a z^-1)^2 with a > 0 has h[n] = (n + 1) a^n and L1 = 1 / (1 - a)^2;
// 1 / (1 + a1 z^-1 + a2 z^-2) has L2^2 = (1 + a2) / ((1 - a2) ((1 + a2)^2 - a1^2)).
// The peak of (1 + 2w + w^2) / (1 - 0.5w + 0.25w^2) is 1 / 0.185576872239522567 at
// w = 0.48512774819 (found with mpmath at 40 digits), not its value 5.333 at DC.
TEST(CascadeNorms, ClosedFormsOfSimpleSections) {
    auto section = [](double b0, double b1, double b2, double a1, double a2) {
        SecondOrderSection s;
        s.num[0] = b0;
        s.num[1] = b1;
        s.num[2] = b2;
        s.den[1] = a1;
        s.den[2] = a2;
        return s;
    };
    const double a1 = -1.2, a2 = 0.81;
    const struct {
        std::vector<SecondOrderSection> sections;
        long double l1, l2;
    } rows[] = {
        {{section(1, 0, 0, -0.9, 0)}, 10, std::sqrt(1 / (1 - 0.81L))},
        {{section(1, 0, 0, 0.5, 0)}, 2, std::sqrt(1 / 0.75L)},
        {{section(1, 0, 0, -0.8, 0), section(1, 0, 0, -0.8, 0)}, 25, -1},
        {{section(1, 0, 0, a1, a2)},
         -1,
         std::sqrt((1 + a2) / ((1 - a2) * ((1 + a2) * (1 + a2) - a1 * a1)))},
    };
    for (const auto& row : rows) {
        const ImpulseNorms n = impulseNorms(row.sections, row.sections.size());
        ASSERT_TRUE(n.bounded);
        if (row.l1 > 0) {
            EXPECT_NEAR(static_cast<double>(n.l1), static_cast<double>(row.l1), 1e-14 * row.l1);
        }
        if (row.l2 > 0) {
            EXPECT_NEAR(static_cast<double>(n.l2), static_cast<double>(row.l2), 1e-14 * row.l2);
        }
    }
    EXPECT_FALSE(impulseNorms({section(1, 0, 0, -1, 0)}, 1).bounded);
    const std::vector<SecondOrderSection> peaked{section(1, 2, 1, -0.5, 0.25)};
    EXPECT_EQ(static_cast<double>(1 / peakGain(peaked, 1)), 0.18557687223952257);
}
