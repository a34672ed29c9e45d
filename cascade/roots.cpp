#include "cascade/roots.h"

#include "cascade/tolerances.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <limits>

namespace zorkan {

namespace {

using real = long double;
using creal = std::complex<long double>;

// A polynomial in z, highest power first: p[0] z^n + ... + p[n].
using Polynomial = std::vector<real>;

// Sweeps of the joint refinement at most.
constexpr int refinementSweeps = 500;

creal valueAt(const Polynomial& p, creal z) {
    creal v = 0;
    for (real c : p)
        v = v * z + c;
    return v;
}

// Sums and products in twice the extended precision (a pair hi + lo), from the
// error-free transformations: enough to evaluate a polynomial near a root of a close
// cluster, where the plain extended sum is all rounding.
struct Twice {
    real hi = 0, lo = 0;
};

Twice twoSum(real a, real b) {
    const real s = a + b;
    const real bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Veltkamp's split of a 64-bit mantissa into two halves of 32 bits.
void split(real a, real& high, real& low) {
    const real c = 4294967297.0L * a; // 2^32 + 1
    high = c - (c - a);
    low = a - high;
}

Twice twoProduct(real a, real b) {
    const real p = a * b;
    real ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Twice normalised(real hi, real lo) {
    const real s = hi + lo;
    return {s, lo - (s - hi)};
}

Twice plus(Twice a, Twice b) {
    const Twice s = twoSum(a.hi, b.hi);
    return normalised(s.hi, s.lo + a.lo + b.lo);
}

Twice times(Twice a, real b) {
    const Twice p = twoProduct(a.hi, b);
    return normalised(p.hi, p.lo + a.lo * b);
}

Twice negated(Twice a) {
    return {-a.hi, -a.lo};
}

// The value at z in twice the extended precision, rounded once at the end.
creal accurateValueAt(const Polynomial& p, creal z) {
    Twice re, im;
    for (real c : p) {
        const Twice nextRe = plus(plus(times(re, z.real()), negated(times(im, z.imag()))), {c, 0});
        const Twice nextIm = plus(times(re, z.imag()), times(im, z.real()));
        re = nextRe;
        im = nextIm;
    }
    return {re.hi + re.lo, im.hi + im.lo};
}

// The sum of the terms' moduli at |z| = radius: the size against which a value is small.
real scaleAt(const Polynomial& p, real radius) {
    real s = 0;
    for (real c : p)
        s = s * radius + std::fabs(c);
    return s;
}

Polynomial derivative(const Polynomial& p) {
    const std::size_t n = p.size() - 1;
    Polynomial d(n);
    for (std::size_t i = 0; i < n; ++i)
        d[i] = p[i] * static_cast<real>(n - i);
    return d;
}

bool finite(const creal& z) {
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

// Newton's method from z while the value, evaluated in twice the extended precision,
// keeps shrinking; along the real axis only when z is real.
creal polish(const Polynomial& p, creal z) {
    const Polynomial dp = derivative(p);
    const bool onAxis = z.imag() == 0;
    real best = std::abs(accurateValueAt(p, z));
    for (int i = 0; i < 100 && best != 0; ++i) {
        const creal slope = valueAt(dp, z);
        if (slope == creal(0))
            break;
        creal next = z - accurateValueAt(p, z) / slope;
        if (onAxis)
            next = creal(next.real(), 0);
        if (!finite(next))
            break;
        const real value = std::abs(accurateValueAt(p, next));
        if (!(value < best))
            break;
        z = next;
        best = value;
    }
    return z;
}

using Matrix = Eigen::Matrix<real, Eigen::Dynamic, Eigen::Dynamic>;

// Diagonal similarity by powers of two that makes each row and its column about equal in
// size (Parlett and Reinsch): the eigenvalues stay as they are, exactly, while their
// rounding errors, which scale with the matrix's norm, shrink for a badly graded
// companion matrix.
void balance(Matrix& m) {
    const Eigen::Index n = m.rows();
    for (bool changed = true; changed;) {
        changed = false;
        for (Eigen::Index i = 0; i < n; ++i) {
            real row = 0, column = 0;
            for (Eigen::Index j = 0; j < n; ++j) {
                if (j != i) {
                    row += std::fabs(m(i, j));
                    column += std::fabs(m(j, i));
                }
            }
            if (row == 0 || column == 0)
                continue;
            const real sum = row + column;
            real f = 1;
            while (column < row / 2) {
                f *= 2;
                column *= 4;
            }
            while (column > row * 2) {
                f /= 2;
                column /= 4;
            }
            if ((column + row) / f < 0.95L * sum) {
                changed = true;
                m.row(i) /= f;
                m.col(i) *= f;
            }
        }
    }
}

// First approximations of the roots of a monic polynomial: exact for degrees 1 and 2
// (a double root stays exact), the eigenvalues of the balanced companion matrix above,
// and points on the unit circle where the eigenvalue solver gives up.
std::vector<creal> firstApproximations(const Polynomial& p) {
    const std::size_t n = p.size() - 1;
    if (n == 1)
        return {creal(-p[1])};
    if (n == 2) {
        const real b = p[1], c = p[2];
        const real disc = b * b - 4 * c;
        if (disc >= 0) {
            // The larger root first, without cancellation, then the other from the product.
            const real q = -(b + std::copysign(std::sqrt(disc), b)) / 2;
            return {creal(q), q == 0 ? creal(0) : creal(c / q)};
        }
        const real re = -b / 2;
        const real im = std::sqrt(-disc) / 2;
        return {creal(re, im), creal(re, -im)};
    }
    const auto size = static_cast<Eigen::Index>(n);
    Matrix companion = Matrix::Zero(size, size);
    for (Eigen::Index j = 0; j < size; ++j)
        companion(0, j) = -p[static_cast<std::size_t>(j) + 1];
    for (Eigen::Index i = 1; i < size; ++i)
        companion(i, i - 1) = 1;
    balance(companion);
    Eigen::EigenSolver<Matrix> solver(companion, false);
    std::vector<creal> roots;
    if (solver.info() == Eigen::Success)
        for (Eigen::Index i = 0; i < solver.eigenvalues().size(); ++i)
            roots.push_back(solver.eigenvalues()[i]);
    if (roots.size() != n || !std::all_of(roots.begin(), roots.end(), finite)) {
        roots.clear();
        for (std::size_t k = 0; k < n; ++k)
            roots.push_back(std::polar(1.0L, 0.4L + 6.283185307179586476925L * k / n));
    }
    return roots;
}

// Aberth's iteration on the values in twice the extended precision, after moving apart
// coinciding starts that are no root, for which the corrections are undefined.
void refineTogether(const Polynomial& p, std::vector<creal>& z) {
    const Polynomial dp = derivative(p);
    const std::size_t n = z.size();
    for (std::size_t i = 1; i < n; ++i) {
        for (std::size_t j = 0; j < i; ++j)
            if (z[i] == z[j] && accurateValueAt(p, z[i]) != creal(0))
                z[i] = z[i] * creal(1, 1e-9L) + creal(1e-12L, 0);
    }
    const auto newtonStep = [&](const creal& x, creal& w) {
        const creal value = accurateValueAt(p, x);
        if (value == creal(0))
            return false;
        w = value / valueAt(dp, x);
        return true;
    };
    aberthIteration(
        z, newtonStep, [](const creal& x) { return std::abs(x); }, tolerance::refinementStep,
        refinementSweeps);
}

// A real polynomial's roots are real or come in conjugate pairs: each approximation is
// either paired with the one nearest its conjugate (both moved to exact conjugates) or,
// with no other nearer to its conjugate than itself, taken as real.
void makeConjugate(std::vector<creal>& z) {
    const std::size_t n = z.size();
    std::vector<bool> done(n, false);
    for (std::size_t i = 0; i < n; ++i) {
        if (done[i])
            continue;
        done[i] = true;
        const creal mirror = std::conj(z[i]);
        std::size_t partner = n;
        real nearest = std::norm(z[i] - mirror);
        for (std::size_t j = 0; j < n; ++j) {
            if (!done[j] && std::norm(z[j] - mirror) < nearest) {
                nearest = std::norm(z[j] - mirror);
                partner = j;
            }
        }
        if (partner == n || z[i].imag() == 0) {
            z[i] = creal(z[i].real(), 0);
            continue;
        }
        creal upper = (z[i] + std::conj(z[partner])) / real(2);
        if (upper.imag() < 0)
            upper = std::conj(upper);
        z[i] = upper;
        z[partner] = std::conj(upper);
        done[partner] = true;
    }
}

// Whether p and its first m - 1 derivatives all vanish at a to the tolerance.
bool confirmsMultiple(const Polynomial& p, creal a, std::size_t m) {
    Polynomial q = p;
    const real r = std::abs(a);
    for (std::size_t j = 0; j < m; ++j) {
        if (std::abs(accurateValueAt(q, a)) > tolerance::multipleRootResidual * scaleAt(q, r))
            return false;
        q = derivative(q);
    }
    return true;
}

// Groups of approximations that are one multiple root take its place and multiplicity.
void findMultiple(const Polynomial& p, std::vector<creal>& z, std::vector<int>& multiplicity) {
    const std::size_t n = z.size();
    for (real distance = tolerance::clusterDistance; distance >= tolerance::clusterDistanceSmallest;
         distance /= 10) {
        // Groups by chains of near neighbours among the roots not yet placed.
        std::vector<int> group(n, -1);
        int groups = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (multiplicity[i] > 1 || group[i] >= 0)
                continue;
            group[i] = groups;
            std::vector<std::size_t> queue{i};
            for (std::size_t q = 0; q < queue.size(); ++q)
                for (std::size_t j = 0; j < n; ++j) {
                    const creal a = z[queue[q]], b = z[j];
                    if (multiplicity[j] == 1 && group[j] < 0 &&
                        std::abs(a - b) <= distance * std::max(std::abs(a), std::abs(b))) {
                        group[j] = groups;
                        queue.push_back(j);
                    }
                }
            ++groups;
        }
        for (int g = 0; g < groups; ++g) {
            std::vector<std::size_t> members;
            creal centre = 0;
            for (std::size_t i = 0; i < n; ++i)
                if (group[i] == g) {
                    members.push_back(i);
                    centre += z[i];
                }
            const std::size_t m = members.size();
            if (m < 2)
                continue;
            centre /= static_cast<real>(m);
            // A group about the real axis is a real multiple root; one above it is the
            // mirror of one below, which is placed with it.
            const bool real = std::all_of(members.begin(), members.end(), [&](std::size_t i) {
                return std::any_of(members.begin(), members.end(),
                                   [&](std::size_t j) { return z[j] == std::conj(z[i]); });
            });
            if (!real && !std::all_of(members.begin(), members.end(),
                                      [&](std::size_t i) { return z[i].imag() > 0; }))
                continue;
            Polynomial q = p;
            for (std::size_t k = 1; k < m; ++k)
                q = derivative(q);
            const creal a = polish(q, real ? creal(centre.real(), 0) : centre);
            if (!confirmsMultiple(p, a, m))
                continue;
            std::vector<std::size_t> mirrors;
            if (!real) {
                for (std::size_t i : members) {
                    const auto found = std::find_if(
                        z.begin(), z.end(), [&](const creal& w) { return w == std::conj(z[i]); });
                    if (found == z.end())
                        break;
                    mirrors.push_back(static_cast<std::size_t>(found - z.begin()));
                }
                if (mirrors.size() != m)
                    continue;
            }
            for (std::size_t i : members) {
                z[i] = a;
                multiplicity[i] = static_cast<int>(m);
            }
            for (std::size_t i : mirrors) {
                z[i] = std::conj(a);
                multiplicity[i] = static_cast<int>(m);
            }
        }
    }
}

// The largest difference between the coefficients of the product of (z - r) and the
// monic polynomial's, each against the size it may have: the same coefficient of the
// product of (z + |r|), the sum of the moduli of the terms that make it up (or the
// polynomial's own, where that is larger). Against the largest coefficient alone, the
// roots of a badly scaled polynomial (one of 1e80 beside three of 1) could all be wrong
// but the largest and still reproduce it.
real productResidual(const Polynomial& monic, const std::vector<creal>& z) {
    std::vector<creal> product{creal(1)};
    std::vector<real> size{1};
    for (const creal& r : z) {
        product.push_back(0);
        size.push_back(0);
        const real modulus = std::abs(r);
        for (std::size_t k = product.size() - 1; k > 0; --k) {
            product[k] -= r * product[k - 1];
            size[k] += modulus * size[k - 1];
        }
    }
    real residual = 0;
    for (std::size_t k = 0; k < monic.size(); ++k) {
        const real scale = std::max(size[k], std::fabs(monic[k]));
        const real difference = std::abs(product[k] - monic[k]);
        if (difference != 0)
            residual = std::max(residual, difference / scale);
    }
    return std::isfinite(residual) ? residual : std::numeric_limits<real>::infinity();
}

// Starting points by the Newton polygon (the upper convex hull of the points
// (i, log |a_i|) for the coefficients a_i of y^i): an edge from i = k to i = l stands for
// l - k roots of modulus (|a_k| / |a_l|)^(1 / (l - k)), placed evenly on that circle. For
// coefficients of very different sizes these are near the roots' true moduli.
std::vector<creal> polygonStarts(const Polynomial& monic) {
    const std::size_t n = monic.size() - 1;
    std::vector<std::size_t> points;
    std::vector<real> height(n + 1);
    for (std::size_t i = 0; i <= n; ++i) {
        const real a = std::fabs(monic[n - i]);
        height[i] = a > 0 ? std::log(a) : -std::numeric_limits<real>::infinity();
    }
    for (std::size_t i = 0; i <= n; ++i) {
        if (!std::isfinite(height[i]))
            continue;
        // Drops the last hull point while it lies on or below the line to the new one.
        while (points.size() >= 2) {
            const std::size_t a = points[points.size() - 2], b = points.back();
            const real cross = (height[b] - height[a]) * static_cast<real>(i - a) -
                               (height[i] - height[a]) * static_cast<real>(b - a);
            if (cross > 0)
                break;
            points.pop_back();
        }
        points.push_back(i);
    }
    std::vector<creal> starts;
    for (std::size_t e = 0; e + 1 < points.size(); ++e) {
        const std::size_t k = points[e], l = points[e + 1];
        const real radius = std::exp((height[k] - height[l]) / static_cast<real>(l - k));
        for (std::size_t j = 0; j < l - k; ++j)
            starts.push_back(std::polar(
                radius, 0.7L + 6.283185307179586476925L *
                                   (static_cast<real>(j) / (l - k) + static_cast<real>(k) / n)));
    }
    return starts;
}

// Refined approximations from the first ones; where their product does not reproduce the
// polynomial, from them moved off the real axis (a real start stays real in the
// iteration, which then cannot reach a complex pair), then from points on circles of
// the Newton polygon's radii; the best of these.
std::vector<creal> refinedApproximations(const Polynomial& monic) {
    const std::vector<creal> first = firstApproximations(monic);
    std::vector<creal> best;
    real bestResidual = std::numeric_limits<real>::infinity();
    for (int attempt = 0; attempt < 3 && !(bestResidual <= tolerance::productResidual); ++attempt) {
        std::vector<creal> z = attempt == 2 ? polygonStarts(monic) : first;
        for (std::size_t i = 0; i < z.size(); ++i) {
            if (attempt == 1 && z[i].imag() == 0) {
                const real offset = 1e-3L * std::max(std::abs(z[i]), real(1e-30L));
                z[i] += creal(0, i % 2 == 0 ? offset : -offset);
            }
        }
        refineTogether(monic, z);
        makeConjugate(z);
        const real residual = productResidual(monic, z);
        if (best.empty() || residual < bestResidual) {
            best = z;
            bestResidual = residual;
        }
    }
    return best;
}

// How many roots of a long polynomial are evaluated together: their Horner recurrences
// are independent, so that one's products run while another's wait.
constexpr std::size_t evaluatedTogether = 4;

// Newton's ratios p(z) / p'(z) of a long polynomial with coefficients in T at up to
// evaluatedTogether points at once, by Horner's scheme in T (parts kept apart: the
// library's complex product checks for infinities at every step); outside the unit
// circle on the reversed polynomial q(w) = w^n p(1/w) at w = 1/z, where
// p / p' = z q / (n q - w q'), so that no power of z grows beyond its roots' size.
// `known[i]` is false where the value lies within the rounding of its evaluation
// (twice n units of the last digit of T of the sum of the terms' moduli): that root is
// as good as the arithmetic can tell.
template <class T>
void longNewtonRatios(const std::vector<T>& p, const std::vector<T>& reversed, const creal* z,
                      std::size_t count, creal* ratio, bool* known) {
    const std::size_t n = p.size() - 1;
    constexpr std::size_t m = evaluatedTogether;
    const T* c[m];
    T xr[m], xi[m], radius[m], vr[m], vi[m], dr[m], di[m], size[m];
    bool inside[m];
    for (std::size_t i = 0; i < m; ++i) {
        const creal at = z[i < count ? i : 0];
        inside[i] = std::norm(at) <= 1;
        const creal x = inside[i] ? at : real(1) / at;
        c[i] = inside[i] ? p.data() : reversed.data();
        xr[i] = static_cast<T>(x.real());
        xi[i] = static_cast<T>(x.imag());
        radius[i] = static_cast<T>(std::abs(x));
        vr[i] = c[i][0];
        vi[i] = dr[i] = di[i] = 0;
        size[i] = std::fabs(vr[i]);
    }
    for (std::size_t k = 1; k <= n; ++k) {
        for (std::size_t i = 0; i < m; ++i) {
            const T ndr = dr[i] * xr[i] - di[i] * xi[i] + vr[i];
            di[i] = dr[i] * xi[i] + di[i] * xr[i] + vi[i];
            dr[i] = ndr;
            const T nvr = vr[i] * xr[i] - vi[i] * xi[i] + c[i][k];
            vi[i] = vr[i] * xi[i] + vi[i] * xr[i];
            vr[i] = nvr;
            size[i] = size[i] * radius[i] + std::fabs(c[i][k]);
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const real noise = 2 * static_cast<real>(n) * std::numeric_limits<T>::epsilon() * size[i];
        known[i] = std::hypot(static_cast<real>(vr[i]), static_cast<real>(vi[i])) > noise;
        if (!known[i])
            continue;
        const creal value(vr[i], vi[i]), slope(dr[i], di[i]);
        const creal x(xr[i], xi[i]);
        ratio[i] =
            inside[i] ? value / slope : z[i] * value / (static_cast<real>(n) * value - x * slope);
        known[i] = finite(ratio[i]);
    }
}

// Aberth's iteration for a polynomial of high degree with the values computed in T: the
// corrections for the other roots, which only steer the iteration and do not change
// where it settles, are summed in double precision; a root stops moving once its value
// is rounding or its step is below `settledStep` of its modulus, and is no longer
// evaluated. The roots still moving are evaluated evaluatedTogether at a time, each group
// with the others' latest places.
template <class T>
void refineLong(const std::vector<T>& p, std::vector<creal>& z, long double settledStep) {
    const std::size_t n = z.size();
    const std::vector<T> reversed(p.rbegin(), p.rend());
    std::vector<double> re(n), im(n);
    for (std::size_t i = 0; i < n; ++i) {
        re[i] = static_cast<double>(z[i].real());
        im[i] = static_cast<double>(z[i].imag());
    }
    std::vector<char> settled(n, 0);
    for (int sweep = 0; sweep < refinementSweeps; ++sweep) {
        bool moving = false;
        for (std::size_t first = 0; first < n;) {
            std::size_t group[evaluatedTogether];
            creal at[evaluatedTogether];
            std::size_t count = 0;
            for (; first < n && count < evaluatedTogether; ++first)
                if (!settled[first]) {
                    group[count] = first;
                    at[count++] = z[first];
                }
            if (count == 0)
                break;
            creal ratio[evaluatedTogether];
            bool known[evaluatedTogether];
            longNewtonRatios(p, reversed, at, count, ratio, known);
            for (std::size_t g = 0; g < count; ++g) {
                const std::size_t i = group[g];
                if (!known[g]) {
                    settled[i] = 1;
                    continue;
                }
                double sr = 0, si = 0;
                const double ar = re[i], ai = im[i];
                for (std::size_t j = 0; j < n; ++j) {
                    const double dr = ar - re[j], di = ai - im[j];
                    const double m = dr * dr + di * di;
                    const double inverse = m > 0 ? 1 / m : 0;
                    sr += dr * inverse;
                    si -= di * inverse;
                }
                const creal w = ratio[g];
                const creal step = w / (real(1) - w * creal(sr, si));
                const creal next = z[i] - step;
                if (!finite(next)) {
                    settled[i] = 1;
                    continue;
                }
                z[i] = next;
                re[i] = static_cast<double>(next.real());
                im[i] = static_cast<double>(next.imag());
                moving = true;
                if (std::abs(step) <= settledStep * std::abs(next))
                    settled[i] = 1;
            }
        }
        if (!moving)
            break;
    }
}

// A step in extended precision this small against the root leaves it settled: the
// iteration converges at least quadratically near a simple root, so that the error left
// is of the order of the step's square, far below the last digit of extended precision.
constexpr long double extendedSettledStep = 1e-12L;

// The refinement of a long polynomial: in double precision, several times faster, as
// far as it goes where the coefficients fit a double, then in extended precision, which
// a root settled in double reaches in one step.
void refineLong(const Polynomial& p, std::vector<creal>& z) {
    std::vector<double> inDouble(p.begin(), p.end());
    if (std::all_of(inDouble.begin(), inDouble.end(), [](double c) {
            return std::isfinite(c) && (c == 0 || std::fabs(c) >= DBL_MIN);
        })) {
        refineLong(inDouble, z, 4 * std::numeric_limits<double>::epsilon());
        refineLong(p, z, extendedSettledStep);
    } else {
        refineLong(p, z, tolerance::refinementStep);
    }
}

// Roots of a polynomial of high degree (the taps of a long FIR filter) whose first and
// last coefficients are not zero: refined from the Newton polygon's circles, made
// conjugate, all simple (a multiple root comes out as a ring of simple roots, as close
// as the arithmetic allows).
std::vector<PolynomialRoot> longRoots(const Polynomial& monic) {
    std::vector<creal> z = polygonStarts(monic);
    refineLong(monic, z);
    makeConjugate(z);
    std::vector<PolynomialRoot> roots;
    for (const creal& r : z)
        roots.push_back({r, 1});
    return roots;
}

// Roots of a polynomial whose first and last coefficients are not zero.
std::vector<PolynomialRoot> innerRoots(const Polynomial& monic) {
    const std::vector<creal> refined = refinedApproximations(monic);
    std::vector<creal> z = refined;
    std::vector<int> multiplicity(z.size(), 1);
    findMultiple(monic, z, multiplicity);
    // A group taken as one root must still reproduce the polynomial: one of many close
    // roots (a cluster of four, three of them closer) can pass the derivatives' test
    // without being one.
    if (productResidual(monic, z) >
        std::max(tolerance::mergedProductResidual, productResidual(monic, refined))) {
        z = refined;
        std::fill(multiplicity.begin(), multiplicity.end(), 1);
    }
    // Simple roots polished one by one; where two of them come to one value (a simple
    // root must not be found twice), they keep the values of the joint refinement.
    std::vector<creal> polished = z;
    for (std::size_t i = 0; i < z.size(); ++i)
        if (multiplicity[i] == 1 && z[i].imag() >= 0) {
            polished[i] = polish(monic, z[i]);
            // A complex root stays complex: its conjugate below is listed with it.
            if (z[i].imag() > 0 && !(polished[i].imag() > 0))
                polished[i] = z[i];
        }
    for (std::size_t i = 0; i < z.size(); ++i)
        for (std::size_t j = i + 1; j < z.size(); ++j)
            if (multiplicity[i] == 1 && multiplicity[j] == 1 && z[i].imag() >= 0 &&
                z[j].imag() >= 0 && polished[i] == polished[j] && z[i] != z[j]) {
                polished[i] = z[i];
                polished[j] = z[j];
            }
    std::vector<PolynomialRoot> roots;
    for (std::size_t i = 0; i < z.size(); ++i) {
        if (multiplicity[i] == 1) {
            if (z[i].imag() < 0)
                continue; // the conjugate of the one above, set with it
            z[i] = polished[i];
            roots.push_back({z[i], 1});
            if (z[i].imag() != 0)
                roots.push_back({std::conj(z[i]), 1});
        } else {
            roots.push_back({z[i], multiplicity[i]});
        }
    }
    return roots;
}

bool rootOrder(const PolynomialRoot& a, const PolynomialRoot& b) {
    if (a.z.real() != b.z.real())
        return a.z.real() < b.z.real();
    return a.z.imag() > b.z.imag();
}

} // namespace

std::vector<PolynomialRoot> rootsWithMultiplicity(const double* c, int degree) {
    const std::vector<real> extended(c, c + degree + 1);
    return rootsWithMultiplicity(extended.data(), degree);
}

std::vector<PolynomialRoot> rootsWithMultiplicity(const long double* c, int degree) {
    int first = 0, last = degree;
    while (first <= degree && c[first] == 0)
        ++first; // each a root at infinity
    if (first > degree)
        return {};
    while (c[last] == 0)
        --last; // each a root at the origin
    // The arithmetic of the search may pass through infinities and invalid values on
    // its way (a correction that is discarded); they are no fault of the polynomial.
    std::fenv_t environment;
    std::feholdexcept(&environment);
    std::vector<PolynomialRoot> roots;
    const int n = last - first;
    if (n > 0) {
        // Monic, then scaled in z by a power of two s so that the last coefficient is
        // about 1: the roots in y = z / s are of order 1 on the whole.
        const real lead = c[first];
        const real tail = c[last] / lead;
        const int exponent = static_cast<int>(std::lround(std::log2(std::fabs(tail)) / n));
        Polynomial p;
        for (int k = 0; k <= n; ++k)
            p.push_back(std::ldexp(c[first + k] / lead, -exponent * k));
        roots = n > eigenvalueDegreeLimit ? longRoots(p) : innerRoots(p);
        for (PolynomialRoot& r : roots)
            r.z = std::ldexp(r.z.real(), exponent) + creal(0, std::ldexp(r.z.imag(), exponent));
    }
    std::fesetenv(&environment);
    const int zeros = degree - last;
    for (int k = 0; k < zeros; ++k)
        roots.push_back({creal(0, 0), zeros});
    for (PolynomialRoot& r : roots) {
        const real noise = tolerance::partNoise * std::abs(r.z);
        const real re = std::fabs(r.z.real()) <= noise ? 0 : r.z.real();
        const real im = std::fabs(r.z.imag()) <= noise ? 0 : r.z.imag();
        r.z = creal(re, im);
    }
    // Roots that came to one value are one multiple root, each copy carrying their
    // number: never simple roots listed twice.
    std::vector<int> copies(roots.size());
    for (std::size_t i = 0; i < roots.size(); ++i)
        copies[i] = static_cast<int>(
            std::count_if(roots.begin(), roots.end(),
                          [&](const PolynomialRoot& r) { return r.z == roots[i].z; }));
    for (std::size_t i = 0; i < roots.size(); ++i)
        if (copies[i] > 1)
            roots[i].multiplicity = copies[i];
    std::sort(roots.begin(), roots.end(), rootOrder);
    return roots;
}

std::vector<creal> polynomialRoots(const double* c, int degree) {
    std::vector<creal> z;
    for (const PolynomialRoot& r : rootsWithMultiplicity(c, degree))
        z.push_back(r.z);
    return z;
}

QuadraticRoots quadraticRoots(long double a, long double b, long double c) {
    const real disc = b * b - 4 * a * c;
    if (disc < 0) {
        const real re = -b / (2 * a);
        const real im = std::sqrt(-disc) / (2 * std::fabs(a));
        return {creal(re, im), creal(re, -im)};
    }
    const real q = -(b + std::copysign(std::sqrt(disc), b)) / 2;
    if (q == 0)
        return {creal(0), creal(0)};
    return {creal(q / a), creal(c / q)};
}

long double poleRadius(long double d1, long double d2) {
    const QuadraticRoots r = quadraticRoots(1, d1, d2);
    return std::max(std::abs(r.first), std::abs(r.second));
}

bool insideUnitCircle(const double* c, int degree) {
    std::vector<real> a(c, c + degree + 1);
    for (int d = degree; d > 0; --d) {
        const real k = a[static_cast<std::size_t>(d)] / a[0];
        if (!(std::fabs(k) < 1))
            return false;
        std::vector<real> next(static_cast<std::size_t>(d));
        for (int i = 0; i < d; ++i)
            next[static_cast<std::size_t>(i)] =
                (a[static_cast<std::size_t>(i)] - k * a[static_cast<std::size_t>(d - i)]) /
                (1 - k * k);
        a = next;
    }
    return true;
}

} // namespace zorkan
