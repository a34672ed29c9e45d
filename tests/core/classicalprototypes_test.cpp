// Prototypes against closed forms and against constants computed elsewhere
// (scipy.signal 1.10 cheb2ap, besselap(norm='mag'), ellipap; scipy.special.ellipj).
#include "design/classicalprototypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace {

using namespace zorkan;
const double pi = 3.141592653589793238462643383279502884;
constexpr double tight = 1e-12;

PrototypeFilter ofOrder(int n) {
    PrototypeFilter p;
    p.n = static_cast<std::uint16_t>(n);
    return p;
}

struct Pole {
    double re, im;
};

void expectPoles(const PrototypeFilter& p, const std::vector<Pole>& expected) {
    ASSERT_EQ(p.sections, expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(p.pRe[k + 1], expected[k].re, tight) << "pole " << k + 1;
        EXPECT_NEAR(p.pIm[k + 1], expected[k].im, tight) << "pole " << k + 1;
    }
}

// ---- Butterworth: every pole on the unit circle at angle pi/2 + (2k-1) pi / (2n) ----
TEST(ClassicalPrototypes, ButterworthPolesLieOnTheUnitCircle) {
    for (int n : {1, 2, 3, 8, 13, 64}) {
        PrototypeFilter p = ofOrder(n);
        butterworthPrototype(p);
        ASSERT_EQ(p.sections, (n + 1) / 2);
        EXPECT_EQ(p.zeroPairs, 0);
        for (int k = 1; k <= p.sections; ++k) {
            const double angle = pi / 2 + (2 * k - 1) * pi / (2 * n);
            EXPECT_NEAR(p.pRe[k], std::cos(angle), tight) << n << " " << k;
            EXPECT_NEAR(p.pIm[k], std::fabs(std::sin(angle)) < 1e-15 ? 0 : std::sin(angle), tight);
        }
    }
}

// ---- Chebyshev II: zeros at the secants, poles as scipy's cheb2ap ----
TEST(ClassicalPrototypes, ChebyshevTwoZerosLieAtTheSecantPoints) {
    for (int n : {2, 5, 8, 31}) {
        for (double edge : {1.0, 1.7}) {
            PrototypeFilter p = ofOrder(n);
            chebyshev2Prototype(p, 40, edge);
            ASSERT_EQ(p.zeroPairs, n / 2);
            for (int k = 1; k <= n / 2; ++k)
                EXPECT_NEAR(p.zero[k] / edge, 1 / std::cos((2 * k - 1) * pi / (2 * n)), tight)
                    << n << " " << k;
        }
    }
}

TEST(ClassicalPrototypes, ChebyshevTwoPolesMatchAnIndependentDesign) {
    PrototypeFilter p = ofOrder(5);
    chebyshev2Prototype(p, 40, 1.0);
    expectPoles(p, {{-0.15591559527845494, 0.6108703176398758},
                    {-0.5247994786131587, 0.4853890112988224},
                    {-0.7877702668569233, 0}});
}

// ---- Bessel ----
TEST(ClassicalPrototypes, BesselPolynomialCoefficientsAreExact) {
    const std::vector<std::vector<long double>> table{
        {1, 1},
        {3, 3, 1},
        {15, 15, 6, 1},
        {105, 105, 45, 10, 1},
        {945, 945, 420, 105, 15, 1},
        {10395, 10395, 4725, 1260, 210, 21, 1},
    };
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(besselPolynomial(static_cast<int>(i) + 1), table[i]) << "order " << i + 1;
}

// The roots multiplied out give back the polynomial's coefficients.
TEST(ClassicalPrototypes, BesselRootsRebuildThePolynomial) {
    for (int n : {1, 2, 5, 9, 12}) {
        const std::vector<std::complex<long double>> roots = besselRoots(n);
        ASSERT_EQ(roots.size(), static_cast<std::size_t>(n));
        std::vector<std::complex<long double>> c{1};
        for (const auto& r : roots) {
            std::vector<std::complex<long double>> next(c.size() + 1);
            for (std::size_t i = 0; i < c.size(); ++i) {
                next[i + 1] += c[i];
                next[i] -= r * c[i];
            }
            c = next;
        }
        const std::vector<long double> exact = besselPolynomial(n);
        for (int k = 0; k <= n; ++k) {
            EXPECT_NEAR(static_cast<double>(c[k].real() / exact[k]), 1.0, tight) << n << " " << k;
            EXPECT_NEAR(static_cast<double>(c[k].imag() / exact[k]), 0.0, tight) << n << " " << k;
        }
    }
}

// The roots nearest the real axis are the hardest; scipy's besselap(norm='delay').
TEST(ClassicalPrototypes, BesselRootsOfHighOrdersNearTheRealAxis) {
    struct Row {
        int n;
        Pole root;
    };
    const std::vector<Row> table{
        {33, {-22.20217605741891, 0}},
        {33, {-22.155011984187613, 1.7357076071033035}},
        {33, {-22.013061246411045, 3.473054868635163}},
        {64, {-42.74097164647267, 0.8677589449060916}},
        {64, {-42.69198831412431, 2.60349641006841}},
        {64, {-42.593893654412774, 4.339894825270954}},
    };
    for (const Row& row : table) {
        double nearest = 1e300;
        for (const auto& r : besselRoots(row.n))
            nearest =
                std::min(nearest, static_cast<double>(std::abs(
                                      r - std::complex<long double>(row.root.re, row.root.im))));
        EXPECT_LT(nearest, 1e-12 * std::hypot(row.root.re, row.root.im)) << row.n;
    }
}

TEST(ClassicalPrototypes, BesselPolesAreThreeDecibelsDownAtTheEdge) {
    PrototypeFilter four = ofOrder(4);
    besselPrototype(four, 10 * std::log10(2.0));
    expectPoles(
        four, {{-0.9952087643502722, 1.257105739454665}, {-1.370067830551443, 0.4102497174937517}});
    PrototypeFilter seven = ofOrder(7);
    besselPrototype(seven, 10 * std::log10(2.0));
    expectPoles(seven, {{-0.9098677806234733, 1.8364513530363988},
                        {-1.3789032167954787, 1.191566777800656},
                        {-1.61203876622613, 0.5892445069314736},
                        {-1.6843681792731855, 0}});
}

// Up to the order limit the normalised poles give |H(j)|^2 = 1/2 and stay in the left
// half-plane.
TEST(ClassicalPrototypes, BesselHalfPowerAtTheEdgeUpToTheLimit) {
    for (int n : {20, 33, 64}) {
        PrototypeFilter p = ofOrder(n);
        besselPrototype(p, 10 * std::log10(2.0));
        long double gain2 = 1;
        for (int k = 1; k <= p.sections; ++k) {
            const std::complex<long double> pole(p.pRe[k], p.pIm[k]);
            const std::complex<long double> j(0, 1);
            ASSERT_LT(p.pRe[k], 0) << n;
            long double term = std::norm(pole) / std::norm(j - pole);
            if (p.pIm[k] != 0)
                term *= std::norm(pole) / std::norm(j - std::conj(pole));
            gain2 *= term;
        }
        EXPECT_NEAR(static_cast<double>(gain2), 0.5, 1e-10) << n;
    }
}

// ---- elliptic ----
TEST(ClassicalPrototypes, EllipticZerosFollowTheJacobiFunctionsOfTheModulus) {
    struct Row {
        int n;
        double k;
        std::vector<double> zeros; // 1 / (k cd(u_i K, k)) from scipy.special.ellipj
    };
    const std::vector<Row> table{
        {5, 0.6, {1.7352830220997135, 2.644940513357255}},
        {6, 0.9, {1.1271520850822891, 1.3314291469231947, 3.049632875237032}},
    };
    for (const Row& row : table) {
        const std::vector<long double> zeros = ellipticZeros(row.n, row.k);
        ASSERT_EQ(zeros.size(), row.zeros.size());
        for (std::size_t i = 0; i < zeros.size(); ++i)
            EXPECT_NEAR(static_cast<double>(zeros[i]), row.zeros[i], tight) << row.n << " " << i;
    }
}

// K by an independent route: the arithmetic-geometric mean written here.
long double agmK(long double k) {
    long double a = 1, b = std::sqrt(1 - k * k);
    for (int i = 0; i < 30; ++i) {
        const long double m = (a + b) / 2;
        b = std::sqrt(a * b);
        a = m;
    }
    return 3.141592653589793238462643383279502884L / (2 * a);
}

// n K'(k) / K(k) = K'(k1) / K(k1).
TEST(ClassicalPrototypes, EllipticModulusSolvesTheDegreeEquation) {
    // Orders and discriminations that keep k' = sqrt(1 - k^2) well away from rounding.
    for (int n : {2, 3, 5, 9}) {
        for (long double k1 : {1e-3L, 0.03L, 0.2L}) {
            const long double k = ellipticModulus(n, k1);
            const long double left = n * agmK(std::sqrt(1 - k * k)) / agmK(k);
            const long double right = agmK(std::sqrt(1 - k1 * k1)) / agmK(k1);
            EXPECT_NEAR(static_cast<double>(left / right), 1.0, tight) << n << " " << k1;
        }
    }
}

TEST(ClassicalPrototypes, EllipticPolesAndZerosMatchAnIndependentDesign) {
    PrototypeFilter five = ofOrder(5);
    ellipticPrototype(five, 0.5, 40);
    EXPECT_NEAR(five.zero[1], 1.3126047636776972, tight);
    EXPECT_NEAR(five.zero[2], 1.8799561652780787, tight);
    expectPoles(five, {{-0.06608604147806706, 1.0122405769852378},
                       {-0.27570472081082814, 0.7504662123887257},
                       {-0.47000658823344227, 0}});
    PrototypeFilter four = ofOrder(4);
    ellipticPrototype(four, 1, 50);
    EXPECT_NEAR(four.zero[1], 2.042553412668934, tight);
    EXPECT_NEAR(four.zero[2], 4.66443971062271, tight);
    expectPoles(four, {{-0.11948933236712775, 0.9897673272700626},
                       {-0.35287156175571927, 0.4466760059879716}});
}

} // namespace
