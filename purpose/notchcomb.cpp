#include "purpose/notchcomb.h"

#include "common/displaynumbers.h"
#include "common/errors.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace zorkan {

namespace {

using std::numbers::pi;

void checkRequest(double fd, double f0, double q) {
    checkFrequency(f0, fd, "Частота F0");
    checkQuality(q, "Добротность Q");
}

// The n roots of z^n = c (n even, c real, not zero): exact conjugate pairs, the real
// ones exactly real.
std::vector<std::complex<long double>> rootsOfPower(int n, double c) {
    const long double radius = std::pow(std::abs(static_cast<long double>(c)), 1.0L / n);
    std::vector<std::complex<long double>> roots;
    // Angles (2 k + phase) pi / n in the upper half-plane, phase 0 for c > 0, 1 for c < 0.
    const int phase = c > 0 ? 0 : 1;
    for (int k = 0; 2 * k + phase <= n; ++k) {
        const int turn = 2 * k + phase;
        if (turn == 0 || turn == n) {
            roots.emplace_back(turn == 0 ? radius : -radius, 0);
            continue;
        }
        const long double angle = turn * std::numbers::pi_v<long double> / n;
        const std::complex<long double> z(radius * std::cos(angle), radius * std::sin(angle));
        roots.push_back(z);
        roots.push_back(std::conj(z));
    }
    return roots;
}

} // namespace

DesignedSections designNotch(const NotchRequest& request) {
    checkRequest(request.fd, request.f0, request.q);
    const double w0 = 2 * pi * request.f0 / request.fd;
    const double beta = std::tan(w0 / request.q / 2);
    const double gain = 1 / (1 + beta);
    SecondOrderSection s;
    if (request.peak) {
        s.num[0] = 1 - gain;
        s.num[1] = 0;
        s.num[2] = -(1 - gain);
    } else {
        s.num[0] = gain;
        s.num[1] = -2 * gain * std::cos(w0);
        s.num[2] = gain;
    }
    s.den[1] = -2 * gain * std::cos(w0);
    s.den[2] = 2 * gain - 1;
    return fromSecondOrder({s}, 2);
}

int combLength(double fd, double f0) {
    checkFrequency(f0, fd, "Частота F0");
    const double ratio = fd / f0;
    const double n = std::round(ratio);
    if (std::abs(ratio - n) > 1e-12 * ratio || static_cast<long long>(n) % 2 != 0 ||
        n > maxCombLength)
        throw UserMessage("Отношение FD/F0 = " + formatGeneral(ratio, '.') +
                          " должно быть четным целым числом не больше " +
                          std::to_string(maxCombLength));
    return static_cast<int>(n);
}

DesignedSections designComb(const CombRequest& request) {
    const int n = combLength(request.fd, request.f0);
    checkQuality(request.q, "Добротность Q");
    // beta = tan(pi / (2 Q)) must be positive and finite for the poles to lie inside the
    // unit circle.
    if (!(request.q > 1))
        throw UserMessage("Добротность Q гребенчатого фильтра должна быть больше 1: иначе "
                          "фильтр неустойчив");
    const double bandwidth = 2 * pi * request.f0 / request.fd / request.q;
    const double beta = std::tan(n * bandwidth / 4);
    const double a = (1 - beta) / (1 + beta);
    // Notch: b = c = 1 / (1 + beta); peak: b = -c = beta / (1 + beta).
    const double b = request.peak ? beta / (1 + beta) : 1 / (1 + beta);
    // The denominator 1 - a z^-N for a notching comb that takes out zero frequency and
    // for a peaking one that passes it, 1 + a z^-N otherwise; the notching numerator has the
    // denominator's sign, the peaking one the other.
    const bool minus = request.peak == request.passZero;
    const bool numeratorMinus = request.peak ? !minus : minus;
    const std::vector<std::complex<long double>> zeros = rootsOfPower(n, numeratorMinus ? 1 : -1);
    const std::vector<std::complex<long double>> poles = rootsOfPower(n, minus ? a : -a);
    return fromSecondOrder(sectionsFromRoots(zeros, 0, poles, b), static_cast<unsigned>(n));
}

} // namespace zorkan
