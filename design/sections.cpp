#include "design/sections.h"

#include "common/floatfaults.h"

namespace zorkan {

namespace {
using fp::real;

// What a section is made of: the band's constants and the prototype's pole k.
struct SectionPole {
    real kw, alpha, sigma, omega;
};

SectionPole sectionPole(const PrototypeFilter& p, int k) {
    return {p.kw, p.alpha, p.pRe[k], p.pIm[k]};
}

FilterSection lowOrHighPass(const PrototypeFilter& p, int k) {
    const bool high = p.band == BandKind::HighPass;
    const auto [kw, alpha, sigma, omega] = sectionPole(p, k);
    FilterSection s;
    s.a[0] = s.b[0] = 1;
    if (omega == 0) {
        // Real pole: first-order section 1, +-1, 0 over 1, B1, 0.
        s.a[1] = high ? -1 : 1;
        s.a[2] = 0;
        real b1 = fp::div(kw + sigma, kw - sigma);
        s.b[1] = fp::toDouble(high ? b1 : -b1);
        s.b[2] = 0;
        return s;
    }
    const real pp = sigma * sigma + omega * omega;
    const real kw2 = kw * kw;
    const real d0 = kw2 - 2 * sigma * kw + pp;
    s.b[1] = fp::toDouble(fp::div(2 * (high ? kw2 - pp : pp - kw2), d0));
    s.b[2] = fp::toDouble(fp::div(kw2 + 2 * sigma * kw + pp, d0));
    if (k <= p.zeroPairs) {
        const real z2 = static_cast<real>(p.zero[k]) * p.zero[k];
        s.a[1] = fp::toDouble(high ? fp::div(2 * (kw2 - z2), kw2 + z2)
                                   : fp::div(2 * (z2 - kw2), z2 + kw2));
    } else {
        s.a[1] = high ? -2 : 2;
    }
    s.a[2] = 1;
    return s;
}

FilterSection bandPassSection(const PrototypeFilter& p, int k) {
    const auto [kw, alpha, sigma, omega] = sectionPole(p, k);
    FilterSection s;
    s.a[0] = s.b[0] = 1;
    if (omega == 0) {
        s.a[1] = 0;
        s.a[2] = -1;
        s.b[1] = fp::toDouble(fp::div(-2 * alpha * kw, kw - sigma));
        s.b[2] = fp::toDouble(fp::div(kw + sigma, kw - sigma));
        return s;
    }
    const real pp = sigma * sigma + omega * omega;
    const real kw2 = kw * kw;
    const real d0 = kw2 - 2 * sigma * kw + pp;
    s.b[1] = fp::toDouble(fp::div(4 * alpha * kw * (sigma - kw), d0));
    s.b[2] = fp::toDouble(fp::div(2 * (kw2 + 2 * alpha * alpha * kw2 - pp), d0));
    s.b[3] = fp::toDouble(fp::div(-4 * alpha * kw * (kw + sigma), d0));
    s.b[4] = fp::toDouble(fp::div(kw2 + 2 * sigma * kw + pp, d0));
    if (k <= p.zeroPairs) {
        const real z2 = static_cast<real>(p.zero[k]) * p.zero[k];
        const real dz = kw2 + z2;
        s.a[1] = fp::toDouble(fp::div(-4 * alpha * kw2, dz));
        s.a[2] = fp::toDouble(fp::div(2 * (kw2 + 2 * alpha * alpha * kw2 - z2), dz));
        s.a[3] = s.a[1];
        s.a[4] = 1;
    } else {
        s.a[1] = 0;
        s.a[2] = -2;
        s.a[3] = 0;
        s.a[4] = 1;
    }
    return s;
}

// The band-stop transformation s = (z^2 - 1) / (kw (z^2 - 2 alpha z + 1)): the inverse of
// the band-pass one, with kw = cot(pi (F2 - F1) / FD) from the pass-band edges.
FilterSection bandStopSection(const PrototypeFilter& p, int k) {
    const auto [kw, alpha, sigma, omega] = sectionPole(p, k);
    FilterSection s;
    s.a[0] = s.b[0] = 1;
    if (omega == 0) {
        const real d0 = 1 - sigma * kw;
        s.a[1] = fp::toDouble(-2 * alpha);
        s.a[2] = 1;
        s.b[1] = fp::toDouble(fp::div(2 * alpha * sigma * kw, d0));
        s.b[2] = fp::toDouble(fp::div(-(1 + sigma * kw), d0));
        return s;
    }
    const real pp = sigma * sigma + omega * omega;
    const real kw2 = kw * kw;
    const real d0 = 1 - 2 * sigma * kw + pp * kw2;
    s.b[1] = fp::toDouble(fp::div(4 * alpha * kw * (sigma - pp * kw), d0));
    s.b[2] = fp::toDouble(fp::div(pp * kw2 * (2 + 4 * alpha * alpha) - 2, d0));
    s.b[3] = fp::toDouble(fp::div(-4 * alpha * kw * (sigma + pp * kw), d0));
    s.b[4] = fp::toDouble(fp::div(1 + 2 * sigma * kw + pp * kw2, d0));
    if (k <= p.zeroPairs) {
        const real z2 = static_cast<real>(p.zero[k]) * p.zero[k] * kw2;
        const real dz = 1 + z2;
        s.a[1] = fp::toDouble(fp::div(-4 * alpha * z2, dz));
        s.a[2] = fp::toDouble(fp::div(z2 * (2 + 4 * alpha * alpha) - 2, dz));
        s.a[3] = s.a[1];
    } else {
        s.a[1] = fp::toDouble(-4 * alpha);
        s.a[2] = fp::toDouble(2 + 4 * alpha * alpha);
        s.a[3] = s.a[1];
    }
    s.a[4] = 1;
    return s;
}

} // namespace

std::vector<FilterSection> makeSections(const PrototypeFilter& p) {
    std::vector<FilterSection> sections;
    sections.reserve(p.sections);
    for (int k = 1; k <= p.sections; ++k)
        sections.push_back(p.band == BandKind::BandStop   ? bandStopSection(p, k)
                           : p.band == BandKind::BandPass ? bandPassSection(p, k)
                                                          : lowOrHighPass(p, k));
    return sections;
}

} // namespace zorkan
