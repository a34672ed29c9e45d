#include "fir/leastsquares.h"

#include "common/errors.h"

#include <Eigen/Dense>

#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

constexpr double pi = std::numbers::pi;

// The integrals over [lo, hi] of cos(w f), sin(w f), f cos(w f) and f sin(w f).
struct Band {
    double lo, hi;

    double cosine(double w) const {
        if (w == 0)
            return hi - lo;
        return 2 * std::cos(w * (hi + lo) / 2) * std::sin(w * (hi - lo) / 2) / w;
    }
    double sine(double w) const {
        if (w == 0)
            return 0;
        return 2 * std::sin(w * (hi + lo) / 2) * std::sin(w * (hi - lo) / 2) / w;
    }
    double rampCosine(double w) const {
        if (w == 0)
            return (hi * hi - lo * lo) / 2;
        auto at = [w](double f) { return f * std::sin(w * f) / w + std::cos(w * f) / (w * w); };
        return at(hi) - at(lo);
    }
    double rampSine(double w) const {
        if (w == 0)
            return 0;
        auto at = [w](double f) { return -f * std::cos(w * f) / w + std::sin(w * f) / (w * w); };
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
    std::vector<double> w(count);
    for (std::size_t k = 0; k < count; ++k) {
        const double t = type == 1   ? static_cast<double>(k)
                         : type == 3 ? static_cast<double>(k + 1)
                                     : static_cast<double>(k) + 0.5;
        w[k] = 2 * pi * t;
    }
    Eigen::MatrixXd g =
        Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(count), static_cast<Eigen::Index>(count));
    Eigen::VectorXd b = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(count));
    for (const FirBand& fb : bands) {
        const Band band{fb.lo, fb.hi};
        const double constant = fb.proportional ? 0 : fb.gain;
        const double slope = fb.proportional ? fb.gain : 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto ii = static_cast<Eigen::Index>(i);
            for (std::size_t j = 0; j <= i; ++j) {
                const double difference = band.cosine(w[i] - w[j]);
                const double sum = band.cosine(w[i] + w[j]);
                const double v = fb.weight * (cosine ? difference + sum : difference - sum) / 2;
                g(ii, static_cast<Eigen::Index>(j)) += v;
                if (j != i)
                    g(static_cast<Eigen::Index>(j), ii) += v;
            }
            b(ii) +=
                fb.weight * (cosine ? constant * band.cosine(w[i]) + slope * band.rampCosine(w[i])
                                    : constant * band.sine(w[i]) + slope * band.rampSine(w[i]));
        }
    }
    const Eigen::LDLT<Eigen::MatrixXd> solver(g);
    const Eigen::VectorXd c = solver.solve(b);
    if (solver.info() != Eigen::Success || !c.allFinite())
        throw UserMessage("Нормальные уравнения метода наименьших квадратов не решаются: "
                          "измените число коэффициентов или границы полос");
    std::vector<double> h(taps, 0.0);
    auto coefficient = [&](std::size_t k) { return c(static_cast<Eigen::Index>(k)); };
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
