#include "fir/minimumphase.h"

#include "common/errors.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>
#include <complex>

namespace zorkan {

namespace {

using Complex = std::complex<double>;

// A zero of A + lift closer than this to the segment -1 <= x <= 1 is one of the
// touching (double) zeros of the stop bands, or a simple one at its end.
constexpr double segmentDistance = 1e-4;

[[noreturn]] void notFactored() {
    throw UserMessage("Не удалось разложить АЧХ на минимально-фазовый множитель: "
                      "измените число коэффициентов или требования");
}

// The zeros of sum c_k T_k(x), k = 0 .. n, c_n != 0.
std::vector<Complex> chebyshevZeros(const std::vector<double>& c) {
    const std::size_t n = c.size() - 1;
    if (n == 1)
        return {Complex(-c[0] / c[1], 0)};
    const auto size = static_cast<Eigen::Index>(n);
    Eigen::MatrixXd m = Eigen::MatrixXd::Zero(size, size);
    m(0, 1) = 1;
    for (Eigen::Index i = 1; i < size; ++i) {
        m(i, i - 1) = 0.5;
        if (i + 1 < size)
            m(i, i + 1) = 0.5;
    }
    for (Eigen::Index j = 0; j < size; ++j)
        m(size - 1, j) -= c[static_cast<std::size_t>(j)] / (2 * c[n]);
    const Eigen::EigenSolver<Eigen::MatrixXd> solver(m, false);
    if (solver.info() != Eigen::Success)
        notFactored();
    std::vector<Complex> zeros;
    for (Eigen::Index i = 0; i < size; ++i)
        zeros.push_back(solver.eigenvalues()(i));
    return zeros;
}

// Multiplies the polynomial in z^-1 by (1 - z0 z^-1).
void multiply(std::vector<Complex>& p, Complex z0) {
    p.push_back(0);
    for (std::size_t i = p.size() - 1; i > 0; --i)
        p[i] -= z0 * p[i - 1];
}

} // namespace

std::vector<double> minimumPhaseFactor(const std::vector<double>& h, double lift) {
    const std::size_t taps = h.size();
    if (taps % 2 == 0 || taps < 3)
        notFactored();
    const std::size_t l = taps / 2;
    // A(f) + lift = sum c_k T_k(cos 2 pi f).
    std::vector<double> c(l + 1);
    c[0] = h[l] + lift;
    for (std::size_t k = 1; k <= l; ++k)
        c[k] = 2 * h[l + k];
    while (c.size() > 1 && c.back() == 0)
        c.pop_back();
    std::vector<Complex> p{1};
    if (c.size() > 1) {
        std::vector<Complex> zeros = chebyshevZeros(c);
        std::vector<double> onSegment;
        for (const Complex& x : zeros) {
            if (std::abs(x.imag()) < segmentDistance && std::abs(x.real()) < 1 + segmentDistance) {
                onSegment.push_back(x.real());
                continue;
            }
            Complex z = x - std::sqrt(x * x - 1.0);
            if (std::abs(z) > 1)
                z = 1.0 / z;
            multiply(p, z);
        }
        std::sort(onSegment.begin(), onSegment.end());
        for (std::size_t i = 0; i < onSegment.size();) {
            const double x = onSegment[i];
            if (i + 1 < onSegment.size() && onSegment[i + 1] - x < 2 * segmentDistance) {
                // z = e^(+-j w), cos w the pair's mean: 1 - 2 cos w z^-1 + z^-2.
                const double mean = std::clamp((x + onSegment[i + 1]) / 2, -1.0, 1.0);
                const double s = std::sqrt(1 - mean * mean);
                multiply(p, Complex(mean, s));
                multiply(p, Complex(mean, -s));
                i += 2;
                continue;
            }
            if (1 - std::abs(x) > segmentDistance)
                notFactored();
            multiply(p, x > 0 ? 1.0 : -1.0);
            ++i;
        }
    }
    std::vector<double> g(l + 1, 0.0);
    double energy = 0;
    for (std::size_t i = 0; i < p.size() && i <= l; ++i) {
        g[i] = p[i].real();
        energy += g[i] * g[i];
    }
    // Parseval: sum g^2 is the mean of |G|^2 over a period, c_0 / (1 + lift).
    const double wanted = c[0] / (1 + lift);
    if (!(energy > 0) || !(wanted > 0))
        notFactored();
    const double scale = std::sqrt(wanted / energy);
    for (double& v : g)
        v *= scale;
    return g;
}

} // namespace zorkan
