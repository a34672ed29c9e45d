// Roots of polynomials of the degree of a long FIR filter, whose roots are known in
// closed form: z^N - a^N (the N points a e^(2 pi j k / N)), the sum of z^k for k < N (the
// N-th roots of unity but 1), and a product of two such rings of very different radii.
#include "cascade/roots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

using namespace zorkan;

namespace {

using cplx = std::complex<long double>;

// The points r e^(j pi (2k + odd) / n) for k in [first, n), as a ring of roots: the
// roots of z^n - r^n, or with odd = 1 those of z^n + r^n.
std::vector<cplx> ring(long double r, int n, int first, int odd = 0) {
    std::vector<cplx> z;
    for (int k = first; k < n; ++k)
        z.push_back(std::polar(r, std::numbers::pi_v<long double> * (2 * k + odd) / n));
    return z;
}

// The largest distance from a found root to the nearest expected one, relative to the
// expected root's modulus; each expected root must be the nearest of exactly one found
// root (none missed, none found twice), else the result is infinite.
long double largestError(const std::vector<cplx>& found, const std::vector<cplx>& expected) {
    if (found.size() != expected.size())
        return HUGE_VALL;
    // Expected roots by angle; the nearest lies among the neighbours in angle of the
    // found root's place, the two ends being neighbours too.
    std::vector<std::pair<long double, std::size_t>> byAngle;
    for (std::size_t i = 0; i < expected.size(); ++i)
        byAngle.push_back({std::arg(expected[i]), i});
    std::sort(byAngle.begin(), byAngle.end());
    std::vector<int> taken(expected.size(), 0);
    long double worst = 0;
    const std::size_t n = byAngle.size();
    for (const cplx& z : found) {
        const auto at = std::lower_bound(byAngle.begin(), byAngle.end(),
                                         std::make_pair(std::arg(z), std::size_t{0}));
        const std::size_t place = static_cast<std::size_t>(at - byAngle.begin());
        long double best = HUGE_VALL;
        std::size_t nearest = 0;
        // Rings of several radii share angles: a few neighbours on either side.
        for (std::size_t d = 0; d < 8; ++d)
            for (const std::size_t j : {(place + d) % n, (place + n - 1 - d) % n}) {
                const cplx& e = expected[byAngle[j].second];
                const long double error = std::abs(z - e) / std::abs(e);
                if (error < best) {
                    best = error;
                    nearest = byAngle[j].second;
                }
            }
        ++taken[nearest];
        worst = std::max(worst, best);
    }
    if (std::any_of(taken.begin(), taken.end(), [](int t) { return t != 1; }))
        return HUGE_VALL;
    return worst;
}

struct RingCase {
    std::string name;
    std::vector<double> c; // highest power first
    std::vector<cplx> roots;
    long double tolerance; // relative
};

std::vector<double> binomialRing(int n, double tail) {
    std::vector<double> c(static_cast<std::size_t>(n) + 1, 0.0);
    c.front() = 1;
    c.back() = tail;
    return c;
}

std::vector<cplx> joined(std::vector<cplx> a, const std::vector<cplx>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<double> twoRings(int n, double tail) {
    // (z^n - 1)(z^n - tail) = z^2n - (1 + tail) z^n + tail; 1 + tail rounds to 1 when
    // tail is tiny, which moves the outer ring by tail / n only.
    std::vector<double> c(2 * static_cast<std::size_t>(n) + 1, 0.0);
    c.front() = 1;
    c[static_cast<std::size_t>(n)] = -(1 + tail);
    c.back() = tail;
    return c;
}

} // namespace

// Two units of the last digit of a double, against the root's modulus.
constexpr long double doubleDigits = 2 * 2.220446049250313e-16L;
// Horner's scheme in extended precision errs by up to 2n units of its last digit of the
// sum of the coefficients' moduli: for the 8192 ones of the sum of z^k, whose derivative
// at -1 is 4096, 2 * 8191 * 2^-64 * 8192 / 4096 = 1.8e-15, eight units of a double's.
constexpr long double boxcarDigits = 8 * 2.220446049250313e-16L;

TEST(LongRoots, RingsOfKnownRootsUpToTheLongestFilter) {
    const long double a2048 = std::pow(0.75L, 2048);
    const std::vector<RingCase> rows = {
        // clang-format off
        {"z^8191 - 1", binomialRing(maxRootDegree, -1.0), ring(1, maxRootDegree, 0), doubleDigits},
        {"z^8191 + 1", binomialRing(maxRootDegree, 1.0), ring(1, maxRootDegree, 0, 1), doubleDigits},
        {"1 + z + ... + z^8191", std::vector<double>(maxRootDegree + 1, 1.0), ring(1, maxRootDegree + 1, 1), boxcarDigits},
        {"z^2048 - 0.75^2048", binomialRing(2048, -static_cast<double>(a2048)), ring(0.75L, 2048, 0), doubleDigits},
        {"z^129 - 1 (the first degree past the eigenvalues)", binomialRing(eigenvalueDegreeLimit + 1, -1.0), ring(1, eigenvalueDegreeLimit + 1, 0), doubleDigits},
        {"rings of radii 1 and 2^-1 of 1000 roots each", twoRings(1000, std::ldexp(1.0, -1000)), joined(ring(1, 1000, 0), ring(0.5L, 1000, 0)), doubleDigits},
        // clang-format on
    };
    for (const RingCase& row : rows) {
        const std::vector<cplx>& expected = row.roots;
        const std::vector<cplx> found =
            polynomialRoots(row.c.data(), static_cast<int>(row.c.size()) - 1);
        EXPECT_LE(largestError(found, expected), row.tolerance) << row.name;
    }
}
