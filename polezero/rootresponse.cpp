#include "polezero/rootresponse.h"

#include <algorithm>
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

// The response at one angle: 20 log10 |H|, arg H and the group delay, for unit gain.
struct PointResponse {
    double magnitudeDb = 0;
    double phase = 0;
    double groupDelay = 0;
};

PointResponse responseAt(const std::vector<HalfAngleRoot>& z, const std::vector<HalfAngleRoot>& p,
                         double angle) {
    const double infinity = std::numeric_limits<double>::infinity();
    const double log10Of2 = std::log10(2.0);
    const double halfW = angle / 2;
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
            const std::complex<double> factor(r.oneLess + r.radius * twoSq, 2 * r.radius * sh * ch);
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
    PointResponse out;
    out.groupDelay = delay;
    const double top = std::abs(numerator.value), bottom = std::abs(denominator.value);
    if (bottom == 0) {
        out.magnitudeDb = infinity;
        out.phase = std::numeric_limits<double>::quiet_NaN();
        return out;
    }
    out.magnitudeDb =
        top == 0 ? -infinity
                 : 20 * (std::log10(top / bottom) +
                         static_cast<double>(numerator.exponent - denominator.exponent) * log10Of2);
    out.phase = std::arg(numerator.value * std::conj(denominator.value));
    return out;
}

// Golden-section search for the largest 20 log10 |H| in [lo, hi], until the bracket is
// as narrow as the doubles near it allow.
double goldenPeakDb(const std::vector<HalfAngleRoot>& z, const std::vector<HalfAngleRoot>& p,
                    double lo, double hi) {
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double x1 = hi - ratio * (hi - lo), x2 = lo + ratio * (hi - lo);
    double f1 = responseAt(z, p, x1).magnitudeDb, f2 = responseAt(z, p, x2).magnitudeDb;
    // 0.618^80 shrinks a bracket of a few grid steps far below the spacing of doubles.
    constexpr int steps = 80;
    for (int i = 0; i < steps && x1 < x2; ++i) {
        if (f1 < f2) {
            lo = x1;
            x1 = x2;
            f1 = f2;
            x2 = lo + ratio * (hi - lo);
            f2 = responseAt(z, p, x2).magnitudeDb;
        } else {
            hi = x2;
            x2 = x1;
            f2 = f1;
            x1 = hi - ratio * (hi - lo);
            f1 = responseAt(z, p, x1).magnitudeDb;
        }
    }
    return std::max(f1, f2);
}

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
    const std::size_t n = angles.size();
    RootResponse out;
    out.magnitudeDb.resize(n);
    out.phase.resize(n);
    out.groupDelay.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const PointResponse r = responseAt(z, p, angles[i]);
        out.magnitudeDb[i] = r.magnitudeDb;
        out.phase[i] = r.phase;
        out.groupDelay[i] = r.groupDelay;
    }
    if (gain != 1)
        applyGain(out, gain);
    return out;
}

double rootPeakDb(const std::vector<SectionRoot>& zeros, const std::vector<SectionRoot>& poles,
                  const std::vector<double>& angles, const std::vector<double>& magnitudeDb) {
    std::vector<HalfAngleRoot> z, p;
    addRoots(zeros, z);
    addRoots(poles, p);
    const std::size_t n = std::min(angles.size(), magnitudeDb.size());
    if (n == 0)
        return -std::numeric_limits<double>::infinity();
    const auto largest = std::max_element(magnitudeDb.begin(), magnitudeDb.begin() + n);
    const auto best = static_cast<std::size_t>(largest - magnitudeDb.begin());
    // The true peak lies between the neighbours of the curve's largest sample, unless a
    // resonance narrower than the samples' step hides between two others: the angle of
    // every pole is tried too, and the search runs around it where |H| is larger there.
    double peak = *largest;
    double lo = angles[best == 0 ? 0 : best - 1], hi = angles[std::min(best + 1, n - 1)];
    const double step = n > 1 ? (angles[n - 1] - angles[0]) / static_cast<double>(n - 1) : 0;
    for (const SectionRoot& pole : poles) {
        const double angle = pole.pair() ? pole.angle : (pole.radius < 0 ? std::numbers::pi : 0.0);
        const double atPole = responseAt(z, p, angle).magnitudeDb;
        if (atPole > peak) {
            peak = atPole;
            lo = std::max(angles[0], angle - step);
            hi = std::min(angles[n - 1], angle + step);
        }
    }
    return std::max(peak, goldenPeakDb(z, p, lo, hi));
}

} // namespace zorkan
