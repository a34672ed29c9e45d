#include "fir/remez.h"

#include "common/errors.h"
#include "fir/goldensection.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace zorkan {

namespace {

constexpr double pi = std::numbers::pi;
// The exchange on the grid has converged when the weighted error's largest value on the
// grid exceeds the ripple by no more than this fraction of it.
constexpr double gridTolerance = 1e-10;
// An exchange that stops changing the extremal set with the error still above the
// ripple by more than this fraction has stalled.
constexpr double stallTolerance = 1e-6;
// The refinement on the continuous axis stops when every local extremum of the error is
// within this fraction of the ripple (rounding keeps it near 1e-11 beyond).
constexpr double continuousTolerance = 1e-10;
constexpr int maxRefinements = 12;
// A ripple at the level of rounding (a long filter with wide transition bands) cannot be
// levelled any further: an excess of the largest error over the ripple below this many
// units of rounding of the largest weighted desired value counts as converged.
constexpr double roundingUnits = 1024;
// A levelled error below this fraction of the largest weighted desired value (200 dB) is
// too close to rounding for the exchange to follow it reliably: where the exchange then
// fails, the design is fitted on the grid instead.
constexpr double negligibleRipple = 1e-10;
// A node product leaving 2^-500 .. 2^500 is scaled back into it.
constexpr double productLimit = 0x1p500;

// A(f) = Q(f) P(cos 2 pi f): the factor Q of each type and the degree of P.
double qFactor(int type, double f) {
    switch (type) {
    case 1:
        return 1;
    case 2:
        return std::cos(pi * f);
    case 3:
        return std::sin(2 * pi * f);
    default:
        return std::sin(pi * f);
    }
}

std::size_t basisCount(int type, std::size_t taps) {
    return type == 1 ? (taps + 1) / 2 : type == 3 ? (taps - 1) / 2 : taps / 2;
}

// The polynomial through r nodes with the levelled error: the barycentric Lagrange form
// P(x) = sum(beta_k c_k / (x - x_k)) / sum(beta_k / (x - x_k)).
struct Interpolant {
    std::vector<double> x, c, beta;
    double delta = 0;

    double operator()(double at) const {
        double num = 0, den = 0;
        for (std::size_t k = 0; k < x.size(); ++k) {
            const double diff = at - x[k];
            if (diff == 0)
                return c[k];
            const double t = beta[k] / diff;
            num += t * c[k];
            den += t;
        }
        return num / den;
    }
};

// The r + 1 extremal nodes with their transformed desired values and weights give the
// ripple delta (sum gamma_k d_k / sum (-1)^k gamma_k / w_k, gamma_k the barycentric
// weights of all r + 1 nodes) and the interpolant through the first r of them.
Interpolant levelled(const std::vector<double>& xs, const std::vector<double>& ds,
                     const std::vector<double>& ws) {
    const std::size_t m = xs.size();
    std::vector<double> mantissa(m);
    std::vector<int> exponent(m);
    int largest = 0;
    for (std::size_t k = 0; k < m; ++k) {
        double product = 1;
        int e = 0;
        for (std::size_t j = 0; j < m; ++j) {
            if (j == k)
                continue;
            product *= 2 * (xs[k] - xs[j]);
            const double size = std::abs(product);
            if (size > productLimit || size < 1 / productLimit) {
                int more = 0;
                product = std::frexp(product, &more);
                e += more;
            }
        }
        mantissa[k] = 1 / product;
        exponent[k] = -e;
        largest = k == 0 ? exponent[k] : std::max(largest, exponent[k]);
    }
    std::vector<double> gamma(m);
    double num = 0, den = 0;
    for (std::size_t k = 0; k < m; ++k) {
        gamma[k] = std::ldexp(mantissa[k], exponent[k] - largest);
        num += gamma[k] * ds[k];
        den += (k % 2 == 0 ? gamma[k] : -gamma[k]) / ws[k];
    }
    Interpolant p;
    p.delta = num / den;
    const std::size_t r = m - 1;
    p.x.assign(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(r));
    p.c.resize(r);
    p.beta.resize(r);
    for (std::size_t k = 0; k < r; ++k) {
        p.c[k] = ds[k] - (k % 2 == 0 ? p.delta : -p.delta) / ws[k];
        p.beta[k] = gamma[k] * 2 * (xs[k] - xs[r]);
    }
    return p;
}

struct Grid {
    std::vector<double> f, x, d, w;
    std::vector<std::size_t> band;
    std::vector<std::size_t> start, end; // the grid indices of each band, end included
    std::vector<double> lo, hi;          // the band edges the grid reaches
};

struct Problem {
    int type = 1;
    std::size_t r = 0;
    double spacing = 0;
    std::vector<FirBand> bands;

    double transformedDesired(std::size_t b, double f) const {
        return bands[b].desired(f) / qFactor(type, f);
    }
    double transformedWeight(std::size_t b, double f) const {
        return bands[b].errorWeight(f) * qFactor(type, f);
    }
    double error(const Interpolant& p, std::size_t b, double f) const {
        return transformedWeight(b, f) * (transformedDesired(b, f) - p(std::cos(2 * pi * f)));
    }
};

// Band edges where Q or the weight vanishes move one spacing inwards.
Grid buildGrid(const Problem& pr) {
    Grid g;
    const bool zeroAtDc = pr.type == 3 || pr.type == 4;
    const bool zeroAtHalf = pr.type == 2 || pr.type == 3;
    for (std::size_t b = 0; b < pr.bands.size(); ++b) {
        const FirBand& band = pr.bands[b];
        double lo = band.lo, hi = band.hi;
        if ((zeroAtDc || band.proportional) && lo < pr.spacing)
            lo = pr.spacing;
        if (zeroAtHalf && hi > 0.5 - pr.spacing)
            hi = 0.5 - pr.spacing;
        if (lo > hi)
            lo = hi = (band.lo + band.hi) / 2;
        const std::size_t points =
            hi > lo ? static_cast<std::size_t>(std::ceil((hi - lo) / pr.spacing)) + 1 : 1;
        g.start.push_back(g.f.size());
        for (std::size_t j = 0; j < points; ++j) {
            const double f = points == 1
                                 ? lo
                                 : (j + 1 == points ? hi
                                                    : lo + (hi - lo) * static_cast<double>(j) /
                                                               static_cast<double>(points - 1));
            g.f.push_back(f);
            g.x.push_back(std::cos(2 * pi * f));
            g.d.push_back(pr.transformedDesired(b, f));
            g.w.push_back(pr.transformedWeight(b, f));
            g.band.push_back(b);
        }
        g.end.push_back(g.f.size() - 1);
        g.lo.push_back(lo);
        g.hi.push_back(hi);
    }
    return g;
}

int sign(double v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

// The next extremal set: the local extrema of the error within each band, alternating in
// sign (of a run of one sign the largest), trimmed to r + 1 by dropping the smallest.
std::vector<std::size_t> exchange(const Grid& g, const std::vector<double>& err, double delta,
                                  std::size_t r, const std::vector<std::size_t>& previous) {
    auto candidates = [&](double floor) {
        std::vector<std::size_t> found;
        for (std::size_t b = 0; b < g.start.size(); ++b)
            for (std::size_t i = g.start[b]; i <= g.end[b]; ++i) {
                const double v = err[i];
                if (v == 0 || std::abs(v) < floor)
                    continue;
                const bool left = i == g.start[b] || (v > 0 ? v >= err[i - 1] : v <= err[i - 1]);
                const bool right = i == g.end[b] || (v > 0 ? v > err[i + 1] : v < err[i + 1]);
                if (left && right)
                    found.push_back(i);
            }
        std::vector<std::size_t> alternating;
        for (std::size_t i : found) {
            if (!alternating.empty() && sign(err[i]) == sign(err[alternating.back()])) {
                if (std::abs(err[i]) > std::abs(err[alternating.back()]))
                    alternating.back() = i;
            } else {
                alternating.push_back(i);
            }
        }
        return alternating;
    };
    std::vector<std::size_t> set = candidates(std::abs(delta) * (1 - stallTolerance));
    if (set.size() < r + 1)
        set = candidates(0);
    if (set.size() < r + 1)
        return previous;
    auto size = [&](std::size_t j) { return std::abs(err[set[j]]); };
    while (set.size() > r + 1) {
        if (set.size() == r + 2) {
            set.erase(size(0) < size(set.size() - 1) ? set.begin() : set.end() - 1);
            continue;
        }
        std::size_t j = 0;
        for (std::size_t k = 1; k < set.size(); ++k)
            if (size(k) < size(j))
                j = k;
        if (j == 0 || j + 1 == set.size()) {
            set.erase(set.begin() + static_cast<std::ptrdiff_t>(j));
            continue;
        }
        set.erase(set.begin() + static_cast<std::ptrdiff_t>(j));
        // The neighbours now meet with one sign: the smaller goes too.
        const std::size_t k = size(j - 1) < size(j) ? j - 1 : j;
        set.erase(set.begin() + static_cast<std::ptrdiff_t>(k));
    }
    return set;
}

// P(f) = sum a_k cos(2 pi k f), k < r, from its values at f = m / (2r - 1).
std::vector<double> cosineCoefficients(const Interpolant& p, std::size_t r) {
    const std::size_t m = 2 * r - 1;
    std::vector<double> table(m), values(r);
    for (std::size_t j = 0; j < m; ++j)
        table[j] = std::cos(2 * pi * static_cast<double>(j) / static_cast<double>(m));
    for (std::size_t j = 0; j < r; ++j)
        values[j] = p(table[j]);
    std::vector<double> a(r);
    for (std::size_t k = 0; k < r; ++k) {
        double sum = values[0];
        for (std::size_t j = 1; j < r; ++j)
            sum += 2 * values[j] * table[(k * j) % m];
        a[k] = sum / static_cast<double>(m) * (k == 0 ? 1 : 2);
    }
    return a;
}

// The taps of A(f) = Q(f) sum a_k cos(2 pi k f).
std::vector<double> tapsOf(int type, std::size_t n, const std::vector<double>& a) {
    std::vector<double> h(n, 0.0);
    const std::size_t r = a.size();
    auto at = [&](std::size_t k) { return k < r ? a[k] : 0.0; };
    switch (type) {
    case 1: {
        const std::size_t l = r - 1;
        h[l] = a[0];
        for (std::size_t k = 1; k <= l; ++k)
            h[l - k] = h[l + k] = a[k] / 2;
        break;
    }
    case 2: {
        const std::size_t m = r;
        for (std::size_t k = 1; k <= m; ++k) {
            const double b = k == 1 ? at(0) + at(1) / 2 : (at(k - 1) + at(k)) / 2;
            h[m - k] = h[m - 1 + k] = b / 2;
        }
        break;
    }
    case 3: {
        const std::size_t m = r;
        for (std::size_t k = 1; k <= m; ++k) {
            const double c = k == 1 ? at(0) - at(2) / 2 : (at(k - 1) - at(k + 1)) / 2;
            h[m - k] = c / 2;
            h[m + k] = -c / 2;
        }
        break;
    }
    default: {
        const std::size_t m = r;
        for (std::size_t k = 1; k <= m; ++k) {
            const double d = k == 1 ? at(0) - at(1) / 2 : (at(k - 1) - at(k)) / 2;
            h[m - k] = d / 2;
            h[m - 1 + k] = -d / 2;
        }
        break;
    }
    }
    return h;
}

// When the levelled error is negligible, the exchange follows rounding noise; the weighted
// least-squares fit on the grid (by orthogonal factoring) then has an error as negligible,
// though not levelled.
EquirippleDesign belowRoundingDesign(const Problem& pr, const Grid& g, std::size_t taps,
                                     int iterations) {
    const auto rows = static_cast<Eigen::Index>(g.f.size());
    const auto columns = static_cast<Eigen::Index>(pr.r);
    Eigen::MatrixXd basis(rows, columns);
    Eigen::VectorXd target(rows);
    for (Eigen::Index i = 0; i < rows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        for (Eigen::Index k = 0; k < columns; ++k)
            basis(i, k) = g.w[at] * std::cos(2 * pi * static_cast<double>(k) * g.f[at]);
        target(i) = g.w[at] * g.d[at];
    }
    const Eigen::VectorXd fit = basis.householderQr().solve(target);
    EquirippleDesign out;
    out.iterations = iterations;
    const std::vector<double> a(fit.data(), fit.data() + fit.size());
    out.deviation = (target - basis * fit).cwiseAbs().maxCoeff();
    out.taps = tapsOf(pr.type, taps, a);
    return out;
}

[[noreturn]] void notConverged() {
    throw UserMessage("Расчет по алгоритму Ремеза не сошелся за " +
                      std::to_string(maxRemezIterations) +
                      " итераций: измените число коэффициентов, веса или границы полос");
}

} // namespace

int linearPhaseTypeOf(std::size_t taps, FirSymmetry symmetry) {
    const bool odd = taps % 2 == 1;
    if (symmetry == FirSymmetry::Even)
        return odd ? 1 : 2;
    return odd ? 3 : 4;
}

EquirippleDesign designEquiripple(std::size_t taps, FirSymmetry symmetry,
                                  const std::vector<FirBand>& bands, int gridDensity) {
    Problem pr;
    pr.type = linearPhaseTypeOf(taps, symmetry);
    pr.r = taps == 0 ? 0 : basisCount(pr.type, taps);
    if (pr.r == 0)
        throw UserMessage("Слишком мало коэффициентов для антисимметричного фильтра: "
                          "нужно не меньше 2");
    pr.spacing = 0.5 / (static_cast<double>(std::max(gridDensity, defaultGridDensity)) *
                        static_cast<double>(taps));
    pr.bands = bands;
    const Grid g = buildGrid(pr);
    const std::size_t r = pr.r;
    if (g.f.size() < r + 1)
        throw UserMessage("Полосы слишком узки для " + std::to_string(taps) +
                          " коэффициентов: на сетке меньше точек, чем экстремумов");

    // Evenly spread extremal points to start from, the odd ones moved on by a quarter of
    // their spacing: a set symmetric on a symmetric grid (a Hilbert transformer's band
    // centred on FD/4) can make the levelled error vanish.
    std::vector<std::size_t> ext(r + 1);
    const std::size_t quarter = (g.f.size() - 1) / (4 * r);
    for (std::size_t k = 0; k <= r; ++k)
        ext[k] = static_cast<std::size_t>(
                     std::llround(static_cast<double>(k) * static_cast<double>(g.f.size() - 1) /
                                  static_cast<double>(r))) +
                 (k % 2 == 1 && k < r ? quarter : 0);
    auto nodesOf = [&](const std::vector<std::size_t>& set) {
        std::vector<double> xs, ds, ws;
        for (std::size_t i : set) {
            xs.push_back(g.x[i]);
            ds.push_back(g.d[i]);
            ws.push_back(g.w[i]);
        }
        return levelled(xs, ds, ws);
    };

    double weightedDesired = 0;
    for (std::size_t i = 0; i < g.f.size(); ++i)
        weightedDesired = std::max(weightedDesired, std::abs(g.w[i] * g.d[i]));
    const double roundingFloor =
        roundingUnits * std::numeric_limits<double>::epsilon() * weightedDesired;

    EquirippleDesign out;
    std::vector<double> err(g.f.size());
    bool converged = false;
    bool belowRounding = false;
    while (out.iterations < maxRemezIterations) {
        ++out.iterations;
        const Interpolant p = nodesOf(ext);
        double largest = 0;
        for (std::size_t i = 0; i < g.f.size(); ++i) {
            err[i] = g.w[i] * (g.d[i] - p(g.x[i]));
            largest = std::max(largest, std::abs(err[i]));
        }
        const double ripple = std::abs(p.delta);
        belowRounding = ripple <= negligibleRipple * weightedDesired;
        if (largest - ripple <= std::max(gridTolerance * ripple, roundingFloor)) {
            converged = true;
            break;
        }
        const std::vector<std::size_t> next = exchange(g, err, p.delta, r, ext);
        if (next == ext) {
            if (largest - ripple > std::max(stallTolerance * ripple, roundingFloor)) {
                if (belowRounding)
                    return belowRoundingDesign(pr, g, taps, out.iterations);
                notConverged();
            }
            converged = true;
            break;
        }
        ext = next;
    }
    if (!converged) {
        if (belowRounding)
            return belowRoundingDesign(pr, g, taps, out.iterations);
        notConverged();
    }

    // The grid's extremal frequencies moved to the error's true extrema nearby.
    std::vector<double> fs(r + 1);
    std::vector<std::size_t> bandOf(r + 1);
    for (std::size_t k = 0; k <= r; ++k) {
        fs[k] = g.f[ext[k]];
        bandOf[k] = g.band[ext[k]];
    }
    auto interpolantAt = [&](const std::vector<double>& at) {
        std::vector<double> xs(r + 1), ds(r + 1), ws(r + 1);
        for (std::size_t k = 0; k <= r; ++k) {
            xs[k] = std::cos(2 * pi * at[k]);
            ds[k] = pr.transformedDesired(bandOf[k], at[k]);
            ws[k] = pr.transformedWeight(bandOf[k], at[k]);
        }
        return levelled(xs, ds, ws);
    };
    Interpolant p = interpolantAt(fs);
    for (int round = 0; round < maxRefinements; ++round) {
        const double ripple = std::abs(p.delta);
        std::vector<double> moved(r + 1);
        double largest = 0;
        for (std::size_t k = 0; k <= r; ++k) {
            const std::size_t b = bandOf[k];
            const double s = (k % 2 == 0) == (p.delta > 0) ? 1.0 : -1.0;
            auto signedError = [&](double f) { return s * pr.error(p, b, f); };
            const double a = std::max(fs[k] - pr.spacing, g.lo[b]);
            const double z = std::min(fs[k] + pr.spacing, g.hi[b]);
            moved[k] = goldenPeak(a, z, fs[k], signedError);
            largest = std::max(largest, signedError(moved[k]));
        }
        if (largest - ripple <= continuousTolerance * ripple)
            break;
        bool ordered = true;
        for (std::size_t k = 1; k <= r; ++k)
            ordered = ordered && moved[k] > moved[k - 1];
        if (!ordered)
            break;
        const Interpolant next = interpolantAt(moved);
        if (!std::isfinite(next.delta))
            break;
        fs = moved;
        p = next;
    }
    out.deviation = std::abs(p.delta);
    out.extremalFrequencies = fs;
    out.taps = tapsOf(pr.type, taps, cosineCoefficients(p, r));
    return out;
}

double linearPhaseAmplitude(const std::vector<double>& taps, FirSymmetry symmetry, double f) {
    const double centre = (static_cast<double>(taps.size()) - 1) / 2;
    double sum = 0;
    for (std::size_t n = 0; n < taps.size(); ++n) {
        const double angle = 2 * pi * f * (centre - static_cast<double>(n));
        sum += taps[n] * (symmetry == FirSymmetry::Even ? std::cos(angle) : std::sin(angle));
    }
    return sum;
}

} // namespace zorkan
