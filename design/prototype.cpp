#include "design/prototype.h"

#include "common/floatfaults.h"
#include "common/rounding.h"

#include <cmath>

namespace zorkan {

namespace {
using fp::real;
const real pi = 3.141592653589793238462643383279502884L;

real cotangent(real angle) {
    return fp::div(std::cos(angle), std::sin(angle));
}
real tangent(real angle) {
    return fp::div(std::sin(angle), std::cos(angle));
}

// A band of fourth-order sections between the edges a and b: kw = cot(pi (a - b) / FD),
// the centre constant cos(pi (a + b) / FD) / cos(pi (a - b) / FD), and the prototype
// stop-band edge, the nearer of the prototype frequencies of F3 and F4: kw (alpha - cos w) /
// sin w for a band-pass filter, its inverse for a band-stop one.
BandMapping fourthOrderBand(double a, double b, const BandEdges& e, double fd, bool bandStop) {
    BandMapping m;
    m.band = bandStop ? BandKind::BandStop : BandKind::BandPass;
    const real sum = static_cast<real>(a) + b;
    const real difference = static_cast<real>(a) - b;
    m.alpha = fp::toDouble(
        fp::div(std::cos(fp::div(pi * sum, fd)), std::cos(fp::div(pi * difference, fd))));
    m.kw = fp::toDouble(cotangent(fp::div(pi * difference, fd)));
    auto prototype = [&](double fx) -> real {
        const real w = fp::div(2 * pi * fx, fd);
        if (bandStop)
            return fp::div(std::sin(w), m.kw * (m.alpha - std::cos(w)));
        return w == 0 ? 0 : fp::div(m.kw * (m.alpha - std::cos(w)), std::sin(w));
    };
    const real o3 = std::fabs(prototype(e.f3));
    const real o4 = std::fabs(prototype(e.f4));
    m.ws = fp::toDouble(o3 < o4 ? o3 : o4);
    return m;
}
} // namespace

BandMapping mapBand(const BandEdges& e, double fd) {
    BandMapping m;
    if (e.f2 == 0) {
        m.band = BandKind::LowPass;
        m.kw = fp::toDouble(cotangent(fp::div(pi * e.f1, fd)));
        real a4 = fp::div(pi * e.f4, fd);
        m.ws = fp::toDouble(fp::div(std::sin(a4) * m.kw, std::cos(a4)));
    } else if (e.f1 == 0) {
        m.band = BandKind::HighPass;
        m.kw = fp::toDouble(tangent(fp::div(pi * e.f2, fd)));
        m.ws = fp::toDouble(cotangent(fp::div(pi * e.f3, fd)) * m.kw);
    } else {
        m = fourthOrderBand(e.f1, e.f2, e, fd, false);
    }
    return m;
}

BandMapping mapBandStop(const BandEdges& e, double fd) {
    return fourthOrderBand(e.f2, e.f1, e, fd, true);
}

double epsilonSquared(double da) {
    return fp::toDouble(fp::pow10(da / 10.0L) - 1);
}

double orderEstimate(Approximation approximation, double ws, double eps2, double b1) {
    real attenuation = fp::pow10(b1 / 10.0L) - 1;
    switch (approximation) {
    case Approximation::Butterworth:
        return fp::toDouble(fp::div(fp::log10(fp::div(attenuation, eps2)) / 2, fp::log10(ws)));
    case Approximation::Chebyshev: {
        real d = fp::div(attenuation, eps2);
        real num = fp::log10(fp::sqrt(d) + fp::sqrt(d - 1));
        real w = ws;
        return fp::toDouble(fp::div(num, fp::log10(w + fp::sqrt(w * w - 1))));
    }
    default: {
        real w = ws;
        real kp = fp::div(fp::sqrt(w * w - 1), w);
        real sk = fp::sqrt(kp);
        real q = fp::div(1 + sk, 1 - sk);
        real log2 = fp::log10(2);
        return fp::toDouble(
            fp::div(2 * (b1 + 40 * log2 - 10 * fp::log10(eps2)), 20 * log2 + 20 * fp::log10(q)));
    }
    }
}

std::uint16_t prototypeOrder(double estimate) {
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(ceilAway(estimate)));
}

std::uint16_t sectionCount(std::uint16_t n) {
    return static_cast<std::uint16_t>(ceilAway(n / 2.0L));
}

void computePoles(PrototypeFilter& p, double da) {
    const real n = p.n;
    const int count = p.sections;
    const bool isButterworth = p.approximation == Approximation::Butterworth;
    if (isButterworth || p.approximation == Approximation::Chebyshev) {
        real sh = 0, ch = 0, r = 0;
        if (isButterworth) {
            r = fp::div(1, fp::powerOf(p.eps2, fp::div(0.5L, n)));
        } else {
            real rr = fp::pow10(da / 20.0L);
            real y = fp::powerOf(fp::div(rr + 1, rr - 1), fp::div(0.5L, n));
            sh = (y - fp::div(1, y)) / 2;
            ch = (fp::div(1, y) + y) / 2;
        }
        for (int k = 1; k <= count; ++k) {
            real ratio = fp::div(2.0L * k - 1, n);
            real theta = ratio / 2 * pi;
            real re, im;
            if (isButterworth) {
                re = -std::sin(theta) * r;
                im = std::cos(theta) * r;
            } else {
                re = -std::sin(theta) * sh;
                im = std::cos(theta) * ch;
            }
            p.pRe[k] = fp::toDouble(re);
            p.pIm[k] = ratio == 1 ? 0.0 : fp::toDouble(im);
        }
        return;
    }

    // Elliptic.
    const real ws = p.ws;
    const real kp = fp::div(fp::sqrt(ws * ws - 1), ws);
    const real sk = fp::sqrt(kp);
    const real q = fp::div(1 + sk, 1 - sk);
    const real rr = fp::pow10(da / 20.0L);
    const real y = fp::powerOf(fp::div(rr + 1, rr - 1), fp::div(1, n));
    const real yInv = fp::div(1, y);
    const real g = fp::div(sk * (2 * q + y + yInv), 2 * q - y - yInv);
    const real g21 = g * g - 1;
    const real x = fp::div(fp::powerOf(2, sk), 1 + kp);
    const auto pairs = static_cast<std::uint16_t>(truncToward(n / 2));
    p.zeroPairs = pairs;
    const bool odd = 2 * pairs < p.n;
    if (odd) {
        p.pRe[pairs + 1] = fp::toDouble(-fp::sqrt(g21) * ws);
        p.pIm[pairs + 1] = 0;
    }
    for (int i = 1; i <= pairs; ++i) {
        real phi = odd ? fp::div(i * pi, n) : fp::div((2.0L * i - 1) / 2, n) * pi;
        real cot = fp::div(std::cos(phi), std::sin(phi));
        real t = cot * cot;
        // The zero is stored, and the pole is computed from the stored value.
        p.zero[i] = fp::toDouble(fp::div((sk * t + 1) * ws, fp::sqrt(x * t + 1)));
        const real z = p.zero[i];
        real u = fp::div(z, ws);
        u = u * u;
        real dn = u + g21;
        p.pRe[i] = fp::toDouble(-fp::div(fp::sqrt((u - 1) * (z * z - 1) * g21), dn));
        p.pIm[i] = fp::toDouble(-fp::div(fp::sqrt(fp::div(1, ws * ws) + g21) * g * z, dn));
    }
}

bool designPrototype(Approximation approximation, const BandEdges& edges, double da, double b1,
                     double fd, PrototypeFilter& out) {
    out = PrototypeFilter{};
    out.approximation = approximation;
    BandMapping m = mapBand(edges, fd);
    out.band = m.band;
    out.kw = m.kw;
    out.alpha = m.alpha;
    out.ws = m.ws;
    out.eps2 = epsilonSquared(da);
    out.estimate = orderEstimate(approximation, out.ws, out.eps2, b1);
    out.n = prototypeOrder(out.estimate);
    out.sections = sectionCount(out.n);
    if (out.sections > maxSections)
        return false;
    computePoles(out, da);
    return true;
}

} // namespace zorkan
