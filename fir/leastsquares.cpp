#include "fir/leastsquares.h"

#include "common/errors.h"

#include <Eigen/Dense>

#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

constexpr long double pi = std::numbers::pi_v<long double>;

// The normal equations of long filters are badly conditioned (the transition bands are
// left free): the matrix and the right-hand side are formed in extended precision, solved
// in double, and the solution refined against the extended residual until it settles.
constexpr int refinementSteps = 4;

using Real = long double;
using MatrixL = Eigen::Matrix<Real, Eigen::Dynamic, Eigen::Dynamic>;
using VectorL = Eigen::Matrix<Real, Eigen::Dynamic, 1>;

// The integrals over [lo, hi] of cos(w f), sin(w f), f cos(w f) and f sin(w f).
struct Band {
    Real lo, hi;

    Real cosine(Real w) const {
        if (w == 0)
            return hi - lo;
        return 2 * std::cos(w * (hi + lo) / 2) * std::sin(w * (hi - lo) / 2) / w;
    }
    Real sine(Real w) const {
        if (w == 0)
            return 0;
        return 2 * std::sin(w * (hi + lo) / 2) * std::sin(w * (hi - lo) / 2) / w;
    }
    Real rampCosine(Real w) const {
        if (w == 0)
            return (hi * hi - lo * lo) / 2;
        auto at = [w](Real f) { return f * std::sin(w * f) / w + std::cos(w * f) / (w * w); };
        return at(hi) - at(lo);
    }
    Real rampSine(Real w) const {
        if (w == 0)
            return 0;
        auto at = [w](Real f) { return -f * std::cos(w * f) / w + std::sin(w * f) / (w * w); };
        return at(hi) - at(lo);
    }
};

} // namespace

std::vector<double> designLeastSquares(std::size_t taps, FirSymmetry symmetry,
                                       const std::vector<FirBand>& bands) {
    const int type = linearPhaseTypeOf(taps, symmetry);
    // A(f) = sum c_k phi_k(f), phi_k = cos or sin of 2 pi t_k f.
    const bool cosine = symmetry == FirSymmetry::Even;
    const std::size_t half = taps / 2;
    const std::size_t count = type == 1 ? half + 1 : half;
    if (count == 0)
        throw UserMessage("Слишком мало коэффициентов для антисимметричного фильтра: "
                          "нужно не меньше 2");
    std::vector<Real> w(count);
    for (std::size_t k = 0; k < count; ++k) {
        const Real t = type == 1   ? static_cast<Real>(k)
                       : type == 3 ? static_cast<Real>(k + 1)
                                   : static_cast<Real>(k) + 0.5L;
        w[k] = 2 * pi * t;
    }
    const auto size = static_cast<Eigen::Index>(count);
    MatrixL g = MatrixL::Zero(size, size);
    VectorL b = VectorL::Zero(size);
    for (const FirBand& fb : bands) {
        const Band band{fb.lo, fb.hi};
        const Real weight = fb.weight;
        const Real constant = fb.proportional ? 0 : fb.gain;
        const Real slope = fb.proportional ? fb.gain : 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto ii = static_cast<Eigen::Index>(i);
            for (std::size_t j = 0; j <= i; ++j) {
                const Real difference = band.cosine(w[i] - w[j]);
                const Real sum = band.cosine(w[i] + w[j]);
                const Real v = weight * (cosine ? difference + sum : difference - sum) / 2;
                g(ii, static_cast<Eigen::Index>(j)) += v;
                if (j != i)
                    g(static_cast<Eigen::Index>(j), ii) += v;
            }
            b(ii) += weight * (cosine ? constant * band.cosine(w[i]) + slope * band.rampCosine(w[i])
                                      : constant * band.sine(w[i]) + slope * band.rampSine(w[i]));
        }
    }
    const Eigen::LDLT<Eigen::MatrixXd> solver(g.cast<double>());
    VectorL c = solver.solve(b.cast<double>()).cast<Real>();
    for (int step = 0; step < refinementSteps && c.allFinite(); ++step) {
        const VectorL residual = b - g * c;
        c += solver.solve(residual.cast<double>()).cast<Real>();
    }
    if (solver.info() != Eigen::Success || !c.allFinite())
        throw UserMessage("Нормальные уравнения метода наименьших квадратов не решаются: "
                          "измените число коэффициентов или границы полос");
    std::vector<double> h(taps, 0.0);
    auto coefficient = [&](std::size_t k) {
        return static_cast<double>(c(static_cast<Eigen::Index>(k)));
    };
    switch (type) {
    case 1:
        h[half] = coefficient(0);
        for (std::size_t k = 1; k <= half; ++k)
            h[half - k] = h[half + k] = coefficient(k) / 2;
        break;
    case 2:
        for (std::size_t k = 1; k <= half; ++k)
            h[half - k] = h[half - 1 + k] = coefficient(k - 1) / 2;
        break;
    case 3:
        for (std::size_t k = 1; k <= half; ++k) {
            h[half - k] = coefficient(k - 1) / 2;
            h[half + k] = -coefficient(k - 1) / 2;
        }
        break;
    default:
        for (std::size_t k = 1; k <= half; ++k) {
            h[half - k] = coefficient(k - 1) / 2;
            h[half - 1 + k] = -coefficient(k - 1) / 2;
        }
        break;
    }
    return h;
}

} // namespace zorkan
