#include "cascade/norms.h"

#include "cascade/response.h"
#include "cascade/tolerances.h"

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace zorkan {

namespace {

// Golden-section search for the largest magnitude in [lo, hi].
long double refinePeak(const std::vector<SecondOrderSection>& sections, std::size_t count,
                       long double lo, long double hi) {
    const long double ratio = (std::sqrt(5.0L) - 1) / 2;
    long double x1 = hi - ratio * (hi - lo), x2 = lo + ratio * (hi - lo);
    long double f1 = cascadeMagnitude(sections, count, x1);
    long double f2 = cascadeMagnitude(sections, count, x2);
    for (int i = 0; i < 80; ++i) {
        if (f1 < f2) {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = lo + ratio * (hi - lo);
            f2 = cascadeMagnitude(sections, count, x2);
        } else {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = hi - ratio * (hi - lo);
            f1 = cascadeMagnitude(sections, count, x1);
        }
    }
    return std::max(f1, f2);
}

constexpr int gridIntervals = tolerance::peakGridIntervals;

// The angles of the poles of a section with complex poles (a2 > a1^2 / 4), in [0, pi]:
// cos w = -a1 / (2 sqrt(a2)) for a0 = 1; real poles give 0 or pi, on the grid already.
bool poleAngle(const SecondOrderSection& s, long double& angle, long double& radius) {
    const long double a0 = s.den[0], a1 = s.den[1] / a0, a2 = s.den[2] / a0;
    if (!(a2 > a1 * a1 / 4) || !std::isfinite(a1) || !std::isfinite(a2))
        return false;
    radius = std::sqrt(a2);
    angle = std::acos(std::clamp(-a1 / (2 * radius), -1.0L, 1.0L));
    return true;
}

// The largest magnitude near every pole angle of the first `count` sections: a resonance
// narrower than the grid's step peaks within a few times 1 - r of its pole's angle, so
// the search starts at the angle itself and closes in from a bracket of a grid step on
// either side (golden section from the angle's neighbourhood).
long double peakNearPoles(const std::vector<SecondOrderSection>& sections, std::size_t count,
                          std::size_t from = 0) {
    const long double step = std::numbers::pi_v<long double> / gridIntervals;
    const long double pi = std::numbers::pi_v<long double>;
    long double best = 0;
    for (std::size_t k = from; k < count; ++k) {
        long double angle = 0, radius = 0;
        if (!poleAngle(sections[k], angle, radius))
            continue;
        best = std::max(best, cascadeMagnitude(sections, count, angle));
        for (const long double width : {std::max(1 - radius, 1e-15L) * 8, step}) {
            const long double lo = std::max(0.0L, angle - width);
            const long double hi = std::min(pi, angle + width);
            best = std::max(best, refinePeak(sections, count, lo, angle));
            best = std::max(best, refinePeak(sections, count, angle, hi));
        }
    }
    return best;
}

} // namespace

long double peakOnGrid(const std::vector<SecondOrderSection>& sections, std::size_t count,
                       const std::vector<long double>& magnitudes, std::size_t polesFrom) {
    const long double step = std::numbers::pi_v<long double> / gridIntervals;
    std::size_t best = 0;
    for (std::size_t i = 1; i < magnitudes.size(); ++i)
        if (magnitudes[i] > magnitudes[best])
            best = i;
    const long double lo = best == 0 ? 0 : (best - 1) * step;
    const long double hi = best == magnitudes.size() - 1 ? best * step : (best + 1) * step;
    return std::max({magnitudes[best], refinePeak(sections, count, lo, hi),
                     peakNearPoles(sections, count, polesFrom)});
}

const std::vector<UnitCirclePoint>& peakGrid() {
    static const std::vector<UnitCirclePoint> grid = [] {
        const long double step = std::numbers::pi_v<long double> / gridIntervals;
        std::vector<UnitCirclePoint> points(gridIntervals + 1);
        for (int i = 0; i <= gridIntervals; ++i)
            points[static_cast<std::size_t>(i)] = unitCirclePoint(i * step);
        return points;
    }();
    return grid;
}

long double peakGain(const std::vector<SecondOrderSection>& sections, std::size_t count) {
    const std::vector<UnitCirclePoint>& grid = peakGrid();
    std::vector<long double> magnitudes(gridIntervals + 1);
    for (int i = 0; i <= gridIntervals; ++i)
        magnitudes[i] = cascadeMagnitude(sections, count, grid[static_cast<std::size_t>(i)]);
    return peakOnGrid(sections, count, magnitudes);
}

void normaliseGain(SecondOrderCascade& cascade) {
    // Scaled on a copy: a cascade that cannot be normalised stays as it was.
    std::vector<SecondOrderSection> sections = cascade.sections;
    const std::vector<UnitCirclePoint>& grid = peakGrid();
    // Magnitude of sections 1..k on the grid, kept from one section to the next.
    std::vector<long double> running(gridIntervals + 1, 1.0L);
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const std::vector<SecondOrderSection> single{sections[k]};
        for (int i = 0; i <= gridIntervals; ++i)
            running[i] *= cascadeMagnitude(single, 1, grid[static_cast<std::size_t>(i)]);
        long double peak = peakOnGrid(sections, k + 1, running);
        if (!(peak > 0) || !std::isfinite(peak)) {
            cascade.warnings.push_back(
                {"усиление фильтра равно нулю или не ограничено; коэффициенты не нормированы",
                 "the gain is zero or unbounded; the coefficients are not normalised"});
            return;
        }
        for (double& v : sections[k].num) {
            v = static_cast<double>(v / peak);
            if (!std::isfinite(v))
                peak = 0; // a gain too small to undo in double
        }
        if (peak == 0) {
            cascade.warnings.push_back(
                {"усиление фильтра слишком мало; коэффициенты не нормированы",
                 "the gain is too small to undo; the coefficients are not normalised"});
            return;
        }
        for (long double& m : running)
            m /= peak;
    }
    cascade.sections = sections;
    cascade.normalised = true;
}

namespace {

// Partial norms of this many cascades are kept.
constexpr std::size_t normMemoCapacity = 1024;

using Complex = std::complex<long double>;

// The two roots of a section's denominator a0 z^2 + a1 z + a2 (zero where a2 or both a1 and
// a2 are), each with 1 - |p| worked out without the cancellation of 1 - |p| itself: for a
// complex pair from 1 - |p|^2 = (a0 - a2) / a0.
struct SectionRoots {
    Complex root[2];
    long double gap[2];
};

SectionRoots sectionRoots(const SecondOrderSection& s) {
    const long double a0 = s.den[0];
    const long double b = s.den[1] / a0, c = s.den[2] / a0;
    const long double disc = b * b - 4 * c;
    SectionRoots r;
    if (disc < 0) {
        const long double im = std::sqrt(-disc) / 2;
        r.root[0] = {-b / 2, im};
        r.root[1] = {-b / 2, -im};
        r.gap[0] = r.gap[1] = ((a0 - s.den[2]) / a0) / (1 + std::sqrt(c));
        return r;
    }
    const long double q = -(b + std::copysign(std::sqrt(disc), b)) / 2;
    r.root[0] = q;
    r.root[1] = q != 0 ? c / q : 0;
    for (int i = 0; i < 2; ++i)
        r.gap[i] = 1 - std::abs(r.root[i].real());
    return r;
}

// Whether no two poles of the cascade (other than at zero) lie within
// tolerance::distinctPoles of each other.
bool polesDistinct(const std::vector<SecondOrderSection>& sections) {
    std::vector<Complex> poles;
    for (const SecondOrderSection& s : sections) {
        const SectionRoots r = sectionRoots(s);
        for (const Complex& p : r.root) {
            if (p == Complex(0))
                continue;
            for (const Complex& q : poles)
                if (std::abs(p - q) < tolerance::distinctPoles * std::max(std::abs(p), std::abs(q)))
                    return false;
            poles.push_back(p);
        }
    }
    return true;
}

// The value at z of a section's numerator and denominator, both in powers of 1/z.
Complex numeratorAt(const SecondOrderSection& s, Complex z) {
    const Complex w = Complex(1) / z;
    return (static_cast<long double>(s.num[2]) * w + static_cast<long double>(s.num[1])) * w +
           static_cast<long double>(s.num[0]);
}
Complex denominatorAt(const SecondOrderSection& s, Complex z) {
    const Complex w = Complex(1) / z;
    return (static_cast<long double>(s.den[2]) * w + static_cast<long double>(s.den[1])) * w +
           static_cast<long double>(s.den[0]);
}

// The samples after which n^3 r^n stays below normTail, from n = 2 ln(normTail) / ln r on
// (the cube costs at most a factor of two in the exponent for the radii where the count
// matters), and at least a few hundred samples for the transients of the numerators.
long samplesFor(long double radius) {
    long limit = 400;
    if (radius > 0)
        limit = std::max<long>(limit, static_cast<long>(std::ceil(
                                          2 * std::log(tolerance::normTail) / std::log(radius))));
    return std::min(limit, tolerance::normSamplesLimit);
}

std::vector<ImpulseNorms> summedNorms(const std::vector<SecondOrderSection>& sections,
                                      std::size_t count);

// The impulse through the first `count` sections, transposed direct form II in extended
// precision, with the sums of |y| and y^2 at every section's output; kept for the same
// sections asked again.
std::vector<ImpulseNorms> normsOfOutputs(const std::vector<SecondOrderSection>& sections,
                                         std::size_t count) {
    static NormMemo<std::vector<ImpulseNorms>> memo(normMemoCapacity);
    NormKey key;
    for (std::size_t k = 0; k < count; ++k)
        key.add(sections[k]);
    if (std::optional<std::vector<ImpulseNorms>> known = memo.find(key))
        return *std::move(known);
    std::vector<ImpulseNorms> norms = summedNorms(sections, count);
    memo.store(key, norms);
    return norms;
}

// One sample x through the first `count` sections, transposed direct form II in extended
// precision: the state s1, s2 of every section moves on and y gets every section's output.
void stepCascade(const std::vector<SecondOrderSection>& sections, std::size_t count, long double x,
                 std::vector<long double>& s1, std::vector<long double>& s2,
                 std::vector<long double>& y) {
    for (std::size_t k = 0; k < count; ++k) {
        const SecondOrderSection& s = sections[k];
        const long double a0 = s.den[0];
        y[k] = (s.num[0] * x + s1[k]) / a0;
        s1[k] = s.num[1] * x - s.den[1] * y[k] + s2[k];
        s2[k] = s.num[2] * x - s.den[2] * y[k];
        x = y[k];
    }
}

// The bound of the cascade's outputs to come from its state (s1, s2 of each section in turn),
// its A and C read off one step from each unit state.
FreeResponseBound cascadeTailBound(const std::vector<SecondOrderSection>& sections,
                                   std::size_t count) {
    const std::size_t m = 2 * count;
    std::vector<long double> a(m * m), c(count * m), s1(count), s2(count), y(count);
    for (std::size_t j = 0; j < m; ++j) {
        std::fill(s1.begin(), s1.end(), 0.0L);
        std::fill(s2.begin(), s2.end(), 0.0L);
        (j % 2 == 0 ? s1 : s2)[j / 2] = 1;
        stepCascade(sections, count, 0, s1, s2, y);
        for (std::size_t k = 0; k < count; ++k) {
            c[k * m + j] = y[k];
            a[2 * k * m + j] = s1[k];
            a[(2 * k + 1) * m + j] = s2[k];
        }
    }
    return FreeResponseBound(m, a, c);
}

std::vector<ImpulseNorms> summedNorms(const std::vector<SecondOrderSection>& sections,
                                      std::size_t count) {
    long double radius = 0;
    for (std::size_t k = 0; k < count; ++k)
        radius = std::max(radius, sectionPoleRadius(sections[k]));
    std::vector<ImpulseNorms> norms(count);
    if (!(radius < 1)) {
        // Sections 1..k are bounded up to the first section with a pole on or outside the
        // circle, and none from there on: the bounded front is summed once, on its own.
        std::size_t front = 0;
        while (front < count && sectionPoleRadius(sections[front]) < 1)
            ++front;
        if (front > 0) {
            const std::vector<ImpulseNorms> bounded = normsOfOutputs(sections, front);
            std::copy(bounded.begin(), bounded.end(), norms.begin());
        }
        for (std::size_t k = front; k < count; ++k)
            norms[k].bounded = false;
        return norms;
    }
    const std::vector<SecondOrderSection> prefix(
        sections.begin(), sections.begin() + static_cast<std::ptrdiff_t>(count));
    const long limit = normSamples(prefix);
    const bool withTail = tailBounded(prefix);
    std::vector<long double> s1(count, 0), s2(count, 0), sumAbs(count, 0), sumSquares(count, 0);
    // A long sum stops where no sample to come can change it any more (sumIsFinal), which
    // gives the very sums of all `limit` samples. The bound needs the state of every section
    // after one and the same sample: each section's is kept as it passes a checkpoint.
    std::optional<FreeResponseBound> tail;
    if (limit >= boundedTailFrom)
        tail.emplace(cascadeTailBound(sections, count));
    const bool bounded = tail && tail->valid();
    std::vector<long double> checkpoint(2 * count);
    const auto settled = [&] {
        const long double largest = tail->largest(checkpoint);
        for (std::size_t k = 0; k < count; ++k)
            if (sumAbs[k] != 0 &&
                !(sumIsFinal(sumAbs[k], largest) && sumIsFinal(sumSquares[k], largest * largest)))
                return false;
        return true;
    };
    // Each section runs over a block of samples at a time, its output kept for the next
    // section, its state and sums in locals. The sums are those of the impulse run through the
    // pipelined cascade of sections one sample apart: when the last section has reached a
    // checkpoint, section k has run count - 2 - k samples beyond it, where the sums are looked
    // at, and one more sample when they are final.
    const auto run = [&](std::size_t k, std::span<const long double> in,
                         std::span<long double> out) {
        const SecondOrderSection& s = sections[k];
        const long double a0 = s.den[0];
        long double state1 = s1[k], state2 = s2[k], abs = sumAbs[k], squares = sumSquares[k];
        const bool writes = !out.empty();
        for (std::size_t n = 0; n < in.size(); ++n) {
            const long double x = in[n];
            const long double y = (s.num[0] * x + state1) / a0;
            state1 = s.num[1] * x - s.den[1] * y + state2;
            state2 = s.num[2] * x - s.den[2] * y;
            abs += std::fabs(y);
            squares += y * y;
            if (writes)
                out[n] = y;
        }
        s1[k] = state1;
        s2[k] = state2;
        sumAbs[k] = abs;
        sumSquares[k] = squares;
    };
    runImpulseInBlocks<long double>(
        count, limit, bounded, 1, run,
        [&](std::size_t k) {
            checkpoint[2 * k] = s1[k];
            checkpoint[2 * k + 1] = s2[k];
        },
        settled);
    for (std::size_t k = 0; k < count; ++k) {
        norms[k].samples = limit;
        norms[k].l1 = sumAbs[k];
        norms[k].l2 = std::sqrt(sumSquares[k]);
        if (withTail) {
            // The rest of a pole very near the circle, bounded from above.
            const std::optional<ImpulseTail> rest = impulseTail(
                {prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>(k + 1)}, limit);
            if (rest) {
                norms[k].l1 += rest->l1;
                norms[k].l2 = std::sqrt(sumSquares[k] + rest->squares);
            }
        }
        // A sum cut at the sample limit may still miss the tail of a pole very near the
        // circle; the L1 norm is never below the peak gain (|H(w)| <= sum |h[n]|).
        if (limit == tolerance::normSamplesLimit)
            norms[k].l1 = std::max(norms[k].l1, peakGain(sections, k + 1));
    }
    return norms;
}

} // namespace

ImpulseNorms impulseNorms(const std::vector<SecondOrderSection>& sections, std::size_t count) {
    count = std::min(count, sections.size());
    if (count == 0)
        return {true, 1, 1, 400}; // the impulse itself
    long double radius = 0;
    for (std::size_t k = 0; k < count; ++k)
        radius = std::max(radius, sectionPoleRadius(sections[k]));
    if (!(radius < 1)) {
        ImpulseNorms unbounded;
        unbounded.bounded = false;
        return unbounded;
    }
    return normsOfOutputs(sections, count).back();
}

long normSamples(const std::vector<SecondOrderSection>& sections) {
    long double radius = 0;
    for (const SecondOrderSection& s : sections)
        radius = std::max(radius, sectionPoleRadius(s));
    if (!(radius < 1))
        return 0;
    return tailBounded(sections) ? tolerance::tailBoundFrom : samplesFor(radius);
}

bool tailBounded(const std::vector<SecondOrderSection>& sections) {
    long double radius = 0;
    for (const SecondOrderSection& s : sections)
        radius = std::max(radius, sectionPoleRadius(s));
    return radius < 1 &&
           tolerance::tailBoundFrom * std::log(radius) > 2 * std::log(tolerance::normTail) &&
           polesDistinct(sections);
}

std::optional<ImpulseTail> impulseTail(const std::vector<SecondOrderSection>& sections, long from) {
    if (!polesDistinct(sections))
        return std::nullopt;
    struct Mode {
        long double weight, gap, decay; // |c|, 1 - |p|, |p|^from
    };
    std::vector<Mode> modes;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const SectionRoots r = sectionRoots(sections[k]);
        for (int i = 0; i < 2; ++i) {
            const Complex p = r.root[i];
            if (p == Complex(0))
                continue;
            if (!(r.gap[i] > 0))
                return std::nullopt;
            // The residue at p of the cascade as a function of 1/z: section k's numerator
            // over a0 (1 - q/p) for its other root q, times every other section at p.
            Complex c =
                numeratorAt(sections[k], p) /
                (static_cast<long double>(sections[k].den[0]) * (Complex(1) - r.root[1 - i] / p));
            for (std::size_t j = 0; j < sections.size(); ++j)
                if (j != k)
                    c *= numeratorAt(sections[j], p) / denominatorAt(sections[j], p);
            const long double weight = std::abs(c);
            if (!std::isfinite(weight))
                return std::nullopt;
            modes.push_back({weight, r.gap[i],
                             std::exp(static_cast<long double>(from) * std::log1p(-r.gap[i]))});
        }
    }
    ImpulseTail tail;
    for (const Mode& m : modes) {
        tail.l1 += m.weight * m.decay / m.gap;
        for (const Mode& n : modes)
            tail.squares +=
                m.weight * n.weight * m.decay * n.decay / (m.gap + n.gap - m.gap * n.gap);
    }
    tail.l1 *= 1 + tolerance::tailBoundMargin;
    tail.squares *= 1 + 2 * tolerance::tailBoundMargin;
    return tail;
}

std::vector<ImpulseNorms> partialImpulseNorms(const std::vector<SecondOrderSection>& sections) {
    return normsOfOutputs(sections, sections.size());
}

namespace {

// The Gramian is solved in quadruple precision: the Stein equations of two sections whose
// poles lie close together near the circle lose as many digits as their condition number
// has, and what is kept in extended precision afterwards is still exact to its last digits.
__extension__ typedef __float128 quad;

// A 2 x 2 block of the Gramian, row after row.
using Block = std::array<quad, 4>;

// One section's coefficients over its a0, in the state space of transposed direct form II:
// y = d u + s1, (s1, s2)' = F (s1, s2) + g u with F = [-a1 1; -a2 0], g = (b1 - a1 b0,
// b2 - a2 b0) and d = b0.
struct SectionSpace {
    quad b[3], a1, a2;
    Block f;
    quad g[2];
    quad d;
};

SectionSpace sectionSpace(const double num[3], const double den[3]) {
    const quad a0 = den[0];
    SectionSpace s{{num[0] / a0, num[1] / a0, num[2] / a0}, den[1] / a0, den[2] / a0, {}, {}, 0};
    s.f = {-s.a1, 1, -s.a2, 0};
    s.g[0] = s.b[1] - s.a1 * s.b[0];
    s.g[1] = s.b[2] - s.a2 * s.b[0];
    s.d = s.b[0];
    return s;
}

// X = P X F + R for 2 x 2 matrices (a Stein equation): its four unknowns x_ab from
// x_rc - sum_ab p_ra x_ab f_bc = r_rc, by Gaussian elimination with partial pivoting. The
// system is regular when every product of an eigenvalue of P and one of F is not 1, as for
// two sections whose poles lie inside the unit circle.
quad magnitude(quad x) {
    return x < 0 ? -x : x;
}

Block steinSolve(const Block& p, const Block& f, const Block& r) {
    quad m[4][5];
    for (int row = 0; row < 4; ++row) {
        const int rr = row / 2, rc = row % 2;
        for (int col = 0; col < 4; ++col) {
            const int a = col / 2, b = col % 2;
            m[row][col] = (row == col ? 1 : 0) - p[2 * rr + a] * f[2 * b + rc];
        }
        m[row][4] = r[static_cast<std::size_t>(row)];
    }
    for (int k = 0; k < 4; ++k) {
        int pivot = k;
        for (int row = k + 1; row < 4; ++row)
            if (magnitude(m[row][k]) > magnitude(m[pivot][k]))
                pivot = row;
        if (pivot != k)
            for (int col = k; col < 5; ++col)
                std::swap(m[k][col], m[pivot][col]);
        for (int row = k + 1; row < 4; ++row) {
            const quad factor = m[row][k] / m[k][k];
            for (int col = k; col < 5; ++col)
                m[row][col] -= factor * m[k][col];
        }
    }
    Block x{};
    for (int k = 3; k >= 0; --k) {
        quad v = m[k][4];
        for (int col = k + 1; col < 4; ++col)
            v -= m[k][col] * x[static_cast<std::size_t>(col)];
        x[static_cast<std::size_t>(k)] = v / m[k][k];
    }
    return x;
}

// Where the block Q_ij (i >= j) lies in the lower triangle of blocks, row after row.
std::size_t blockAt(std::size_t i, std::size_t j) {
    return 4 * (i * (i + 1) / 2 + j);
}

} // namespace

namespace {

using Matrix = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;

// Doubling stops when the largest entry of A^(2^j) is this far below 1: what is left of the
// sum is then far below the last digits of a long double; a stable system of poles within
// 1e-9 of the circle gets there in about 70 squarings.
constexpr long double gramianTail = 1e-40L;
constexpr int gramianSquarings = 96;

} // namespace

FreeResponseBound::FreeResponseBound(std::size_t states, std::span<const long double> a,
                                     std::span<const long double> c)
    : states_(states) {
    const Eigen::Index m = static_cast<Eigen::Index>(states);
    const Eigen::Index outputs = m == 0 ? 0 : static_cast<Eigen::Index>(c.size()) / m;
    Matrix power(m, m), out(outputs, m);
    for (Eigen::Index r = 0; r < m; ++r)
        for (Eigen::Index k = 0; k < m; ++k)
            power(r, k) = a[static_cast<std::size_t>(r * m + k)];
    for (Eigen::Index r = 0; r < outputs; ++r)
        for (Eigen::Index k = 0; k < m; ++k)
            out(r, k) = c[static_cast<std::size_t>(r * m + k)];
    Matrix q = out.transpose() * out;
    valid_ = false;
    for (int j = 0; j < gramianSquarings && m > 0; ++j) {
        q += power.transpose() * q * power;
        power = power * power;
        const long double largest = power.cwiseAbs().maxCoeff();
        if (!std::isfinite(largest))
            break;
        if (largest < gramianTail) {
            valid_ = true;
            break;
        }
    }
    if (valid_)
        gramian_.assign(q.data(), q.data() + m * m);
}

long double FreeResponseBound::largest(std::span<const long double> state) const {
    long double energy = 0;
    for (std::size_t r = 0; r < states_; ++r) {
        long double row = 0;
        for (std::size_t c = 0; c < states_; ++c)
            row += gramian_[r * states_ + c] * state[c];
        energy += state[r] * row;
    }
    return std::sqrt(std::max(energy, 0.0L));
}

bool sumIsFinal(long double sum, long double term) {
    if (!(sum > 0) || !std::isfinite(term))
        return false;
    // Half a unit of the sum's last place: 2^(e - digits) for a sum in [2^e, 2^(e + 1)).
    const long double half =
        std::ldexp(1.0L, std::ilogb(sum) - std::numeric_limits<long double>::digits);
    return term < half * tailMargin;
}

CascadeEnergy::CascadeEnergy(const std::vector<SecondOrderSection>& sections)
    : sections_(sections) {
    for (const SecondOrderSection& s : sections)
        if (!(sectionPoleRadius(s) < 1))
            bounded_ = false;
    const std::size_t n = sections.size();
    if (!bounded_ || n == 0)
        return;
    // The state of section j is x_j = (s1, s2); at zero input section j + 1 takes
    // u_(j+1) = d_j u_j + s1_j, so the cascade's matrix A is lower block triangular: A_jj = F_j,
    // and for k > j A_kj = rho_jk g_k e^T, e = (1, 0), rho_jk = d_(j+1) .. d_(k-1). The
    // output y = u_n reads C_j = delta_j e^T, delta_j = d_(j+1) .. d_(n-1). Block (i, j) of
    // Q = A^T Q A + C^T C is then
    //   Q_ij = F_i^T Q_ij F_j + F_i^T v_ij e^T + e h_ij + delta_i delta_j e e^T, with
    //   v_ij = sum_(l > j) rho_jl Q_il g_l   = Q_i,j+1 g_j+1 + d_j+1 v_i,j+1,
    //   W_kj = Q_kj F_j + v_kj e^T,
    //   h_ij = sum_(k > i) rho_ik g_k^T W_kj = g_i+1^T W_i+1,j + d_i+1 h_i+1,j,
    // a 2 x 2 Stein equation in Q_ij once the blocks to its right and below are known:
    // solved column after column from the last, each from the bottom up.
    std::vector<SectionSpace> space;
    for (const SecondOrderSection& s : sections)
        space.push_back(sectionSpace(s.num, s.den));
    std::vector<quad> delta(n, 1);
    for (std::size_t j = n - 1; j-- > 0;)
        delta[j] = delta[j + 1] * space[j + 1].d;
    std::vector<quad> gramian(4 * n * (n + 1) / 2, 0);
    const auto q = [&gramian](std::size_t i, std::size_t j) {
        Block b;
        std::copy_n(gramian.begin() + static_cast<std::ptrdiff_t>(blockAt(i, j)), 4, b.begin());
        return b;
    };
    std::vector<std::array<quad, 2>> v(n), later(n);
    std::vector<Block> w(n);
    for (std::size_t j = n; j-- > 0;) {
        const SectionSpace& sj = space[j];
        std::array<quad, 2> h = {0, 0};
        for (std::size_t i = n; i-- > j;) {
            const SectionSpace& si = space[i];
            if (i + 1 < n) {
                const SectionSpace& next = space[i + 1];
                const Block& below = w[i + 1];
                for (int c = 0; c < 2; ++c)
                    h[c] = next.g[0] * below[c] + next.g[1] * below[2 + c] + next.d * h[c];
            }
            if (i > j) {
                // Q_i,j+1 is a block of the column before.
                const Block right = q(i, j + 1);
                const SectionSpace& next = space[j + 1];
                for (int r = 0; r < 2; ++r)
                    v[i][r] = right[2 * r] * next.g[0] + right[2 * r + 1] * next.g[1] +
                              next.d * later[i][r];
            } else {
                // Q_jl = Q_lj^T for l > j, from this column, summed from the last section.
                std::array<quad, 2> sum = {0, 0};
                for (std::size_t l = n; l-- > j + 1;) {
                    const Block ql = q(l, j);
                    for (int r = 0; r < 2; ++r)
                        sum[r] =
                            ql[r] * space[l].g[0] + ql[2 + r] * space[l].g[1] + space[l].d * sum[r];
                }
                v[i] = sum;
            }
            // R = F_i^T v e^T + e h + delta_i delta_j e e^T.
            Block rhs{};
            rhs[0] = si.f[0] * v[i][0] + si.f[2] * v[i][1] + h[0] + delta[i] * delta[j];
            rhs[1] = h[1];
            rhs[2] = si.f[1] * v[i][0] + si.f[3] * v[i][1];
            const Block ft = {si.f[0], si.f[2], si.f[1], si.f[3]};
            const Block qij = steinSolve(ft, sj.f, rhs);
            std::copy(qij.begin(), qij.end(),
                      gramian.begin() + static_cast<std::ptrdiff_t>(blockAt(i, j)));
            // W_ij = Q_ij F_j + v_ij e^T.
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    w[i][2 * r + c] = qij[2 * r] * sj.f[c] + qij[2 * r + 1] * sj.f[2 + c] +
                                      (c == 0 ? v[i][r] : 0);
        }
        std::swap(v, later);
    }
    gramian_.assign(gramian.begin(), gramian.end());
    if (!std::all_of(gramian_.begin(), gramian_.end(),
                     [](long double x) { return std::isfinite(x); }))
        bounded_ = false;
}

long double CascadeEnergy::headed(std::size_t k, std::span<const double> num) const {
    if (!bounded_)
        return std::numeric_limits<long double>::infinity();
    const std::size_t n = sections_.size();
    const std::size_t m = 2 * n;
    // The first samples run out one by one, as long as the numerator lasts: the head's
    // output y[t] = sum b_i d[t - i] - a1 y[t - 1] - a2 y[t - 2], each later section in
    // transposed direct form II. From then on the head runs free (its state is its next
    // output s1 = -a1 y[t - 1] - a2 y[t - 2] and s2 = -a2 y[t - 1]) and the rest is the
    // energy of the whole state.
    const long double a0 = sections_[k].den[0];
    const long double a1 = sections_[k].den[1] / a0, a2 = sections_[k].den[2] / a0;
    const std::size_t run = std::max<std::size_t>(num.size(), 2);
    std::vector<long double> x(m, 0);
    long double before = 0, earlier = 0, energy = 0;
    for (std::size_t t = 0; t < run; ++t) {
        const long double input = t < num.size() ? num[t] / a0 : 0;
        long double y = input - a1 * before - a2 * earlier;
        earlier = before;
        before = y;
        for (std::size_t j = k + 1; j < n; ++j) {
            const SectionSpace s = sectionSpace(sections_[j].num, sections_[j].den);
            const long double out = s.b[0] * y + x[2 * j];
            x[2 * j] = s.b[1] * y - s.a1 * out + x[2 * j + 1];
            x[2 * j + 1] = s.b[2] * y - s.a2 * out;
            y = out;
        }
        energy += y * y;
    }
    x[2 * k] = -a1 * before - a2 * earlier;
    x[2 * k + 1] = -a2 * before;
    // x^T Q x from the lower blocks: each diagonal block once, each below it twice.
    for (std::size_t i = k; i < n; ++i) {
        const long double* xi = x.data() + 2 * i;
        for (std::size_t j = k; j <= i; ++j) {
            const long double* b = gramian_.data() + blockAt(i, j);
            const long double* xj = x.data() + 2 * j;
            const long double form =
                xi[0] * (b[0] * xj[0] + b[1] * xj[1]) + xi[1] * (b[2] * xj[0] + b[3] * xj[1]);
            energy += j == i ? form : 2 * form;
        }
    }
    return energy;
}

long double squaredL2Norm(const std::vector<SecondOrderSection>& sections) {
    if (sections.empty())
        return 1;
    return CascadeEnergy(sections).headed(0, sections.front().num);
}

} // namespace zorkan
