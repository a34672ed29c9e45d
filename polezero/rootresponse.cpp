#include "polezero/rootresponse.h"

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace zorkan {

namespace {

// One root r e^(j a) as its factor needs it: the cosine and sine of a / 2.
struct HalfAngleRoot {
    double radius = 0;
    double oneLess = 1; // 1 - r, exact for the radii near the circle
    double cosine = 1, sine = 0;
    int multiplicity = 1;
};

void addRoots(const std::vector<SectionRoot>& roots, std::vector<HalfAngleRoot>& out) {
    for (const SectionRoot& root : roots) {
        double radius = root.radius;
        double half = root.angle / 2;
        if (radius < 0) {
            // -r e^(j a) = r e^(j (a + pi)); a real root of negative value lies at angle pi,
            // whose half angle has the cosine 0 and the sine 1 exactly.
            radius = -radius;
            half += std::numbers::pi / 2;
        }
        HalfAngleRoot h{radius, 1 - radius, std::cos(half), std::sin(half), root.multiplicity};
        if (!root.pair() && root.radius < 0) {
            h.cosine = 0;
            h.sine = 1;
        }
        out.push_back(h);
        if (root.pair()) {
            // The conjugate at the angle -a.
            h.sine = -h.sine;
            out.push_back(h);
        }
    }
}

// A running product kept as mantissa * 2^exponent, so that many small or large factors
// neither underflow nor overflow.
struct ScaledProduct {
    std::complex<double> value = 1;
    long exponent = 0;

    void multiply(std::complex<double> factor) {
        // The plain formula: the factors are finite, and std::complex's product would
        // spend its time on the checks for infinities.
        const double re = value.real() * factor.real() - value.imag() * factor.imag();
        const double im = value.real() * factor.imag() + value.imag() * factor.real();
        value = {re, im};
        const double size = std::fabs(re) + std::fabs(im);
        if (size > large || (size < small && size != 0)) {
            int e = 0;
            std::frexp(size, &e);
            value = {std::ldexp(re, -e), std::ldexp(im, -e)};
            exponent += e;
        }
    }
    static constexpr double large = 0x1p200;
    static constexpr double small = 0x1p-200;
};

} // namespace

void applyGain(RootResponse& response, double gain) {
    const double decibels = 20 * std::log10(std::fabs(gain));
    const double pi = std::numbers::pi;
    const double infinity = std::numeric_limits<double>::infinity();
    for (double& m : response.magnitudeDb) {
        if (gain != 0)
            m += decibels;
        else if (m != infinity)
            m = -infinity;
    }
    if (gain < 0)
        for (double& p : response.phase)
            p = p <= 0 ? p + pi : p - pi;
}

RootResponse rootResponse(const std::vector<SectionRoot>& zeros,
                          const std::vector<SectionRoot>& poles, double gain,
                          const std::vector<double>& angles) {
    std::vector<HalfAngleRoot> z, p;
    addRoots(zeros, z);
    addRoots(poles, p);
    const double infinity = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double log10Of2 = std::log10(2.0);
    const std::size_t n = angles.size();
    RootResponse out;
    out.magnitudeDb.resize(n);
    out.phase.resize(n);
    out.groupDelay.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double halfW = angles[i] / 2;
        const double c = std::cos(halfW), s = std::sin(halfW);
        double delay = 0;
        // The factor 1 - r e^(-j phi), phi = w - a, is (1 - r) + 2 r sin^2(phi / 2) +
        // j 2 r sin(phi / 2) cos(phi / 2); its delay r (r - cos phi) / |factor|^2 is
        // r (2 sin^2(phi / 2) - (1 - r)) / |factor|^2, 1/2 for a root on the circle.
        const auto accumulate = [&](const std::vector<HalfAngleRoot>& roots, ScaledProduct& product,
                                    double sign) {
            for (const HalfAngleRoot& r : roots) {
                const double sh = s * r.cosine - c * r.sine;
                const double ch = c * r.cosine + s * r.sine;
                const double twoSq = 2 * sh * sh;
                const std::complex<double> factor(r.oneLess + r.radius * twoSq,
                                                  2 * r.radius * sh * ch);
                const double size = std::norm(factor);
                const double d = r.radius == 1 ? 0.5 : r.radius * (twoSq - r.oneLess) / size;
                delay += sign * r.multiplicity * d;
                for (int k = 0; k < r.multiplicity; ++k)
                    product.multiply(factor);
            }
        };
        ScaledProduct numerator, denominator;
        accumulate(z, numerator, 1);
        accumulate(p, denominator, -1);
        out.groupDelay[i] = delay;
        const double top = std::abs(numerator.value), bottom = std::abs(denominator.value);
        if (bottom == 0) {
            out.magnitudeDb[i] = infinity;
            out.phase[i] = nan;
            continue;
        }
        out.magnitudeDb[i] =
            top == 0
                ? -infinity
                : 20 * (std::log10(top / bottom) +
                        static_cast<double>(numerator.exponent - denominator.exponent) * log10Of2);
        out.phase[i] = std::arg(numerator.value * std::conj(denominator.value));
    }
    if (gain != 1)
        applyGain(out, gain);
    return out;
}

} // namespace zorkan
