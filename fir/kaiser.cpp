#include "fir/kaiser.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

constexpr double pi = std::numbers::pi;
// The series stops when a term no longer changes the sum.
constexpr double seriesEnd = 1e-17;

// Kaiser's fits of beta against the attenuation.
constexpr double highAttenuation = 50;
constexpr double lowAttenuation = 21;
constexpr double highSlope = 0.1102;
constexpr double highOffset = 8.7;
constexpr double lowFactor = 0.5842;
constexpr double lowPower = 0.4;
constexpr double lowSlope = 0.07886;
// Kaiser's length estimate N - 1 = (A - 7.95) / (2.285 dw).
constexpr double lengthOffset = 7.95;
constexpr double lengthSlope = 2.285;

// sin(pi x) / (pi x).
double sinc(double x) {
    if (x == 0)
        return 1;
    return std::sin(pi * x) / (pi * x);
}

} // namespace

double besselI0(double x) {
    const double quarter = x * x / 4;
    double term = 1, sum = 1;
    for (int k = 1; term > seriesEnd * sum; ++k) {
        term *= quarter / (static_cast<double>(k) * static_cast<double>(k));
        sum += term;
    }
    return sum;
}

double kaiserBeta(double a) {
    if (a > highAttenuation)
        return highSlope * (a - highOffset);
    if (a >= lowAttenuation)
        return lowFactor * std::pow(a - lowAttenuation, lowPower) + lowSlope * (a - lowAttenuation);
    return 0;
}

std::size_t kaiserTaps(double a, double width) {
    const double n = (a - lengthOffset) / (lengthSlope * 2 * pi * width) + 1;
    return static_cast<std::size_t>(std::max(1.0, std::ceil(n)));
}

std::vector<double> kaiserWindow(std::size_t taps, double beta) {
    std::vector<double> w(taps, 1.0);
    if (taps < 2)
        return w;
    const double half = (static_cast<double>(taps) - 1) / 2;
    const double norm = besselI0(beta);
    for (std::size_t n = 0; n < taps; ++n) {
        const double u = (static_cast<double>(n) - half) / half;
        w[n] = besselI0(beta * std::sqrt(std::max(0.0, 1 - u * u))) / norm;
    }
    return w;
}

std::vector<double> kaiserDesign(std::size_t taps, double beta,
                                 const std::vector<PassInterval>& pass, double unitFrequency) {
    const std::vector<double> window = kaiserWindow(taps, beta);
    const double half = (static_cast<double>(taps) - 1) / 2;
    std::vector<double> h(taps, 0.0);
    for (std::size_t n = 0; n < taps; ++n) {
        const double m = static_cast<double>(n) - half;
        double ideal = 0;
        for (const PassInterval& p : pass)
            ideal += 2 * p.hi * sinc(2 * p.hi * m) - 2 * p.lo * sinc(2 * p.lo * m);
        h[n] = ideal * window[n];
    }
    double gain = 0;
    for (std::size_t n = 0; n < taps; ++n)
        gain += h[n] * std::cos(2 * pi * unitFrequency * (static_cast<double>(n) - half));
    for (double& v : h)
        v /= gain;
    return h;
}

} // namespace zorkan
