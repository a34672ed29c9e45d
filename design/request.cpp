#include "design/request.h"

#include <algorithm>
#include <cmath>

namespace zorkan {

const char* const badBandLayoutMessage = "Параметры F1,F2,F3,F4 введены неправильно!";

const char* approximationName(Approximation a) {
    switch (a) {
    case Approximation::Butterworth:
        return "butterworth";
    case Approximation::Chebyshev:
        return "chebyshev";
    case Approximation::Elliptic:
        return "elliptic";
    case Approximation::InverseChebyshev:
        return "chebyshev2";
    case Approximation::Bessel:
        return "bessel";
    }
    return "";
}

FilterKind fileKind(BandKind kind) {
    switch (kind) {
    case BandKind::LowPass:
        return lowPass;
    case BandKind::HighPass:
        return highPass;
    default:
        return bandPass;
    }
}

int sectionTerms(FilterKind kind) {
    return kind == bandPass ? 5 : 3;
}

std::optional<BandKind> toleranceLayout(double f1, double f2, double f3, double f4) {
    if (f1 < f4 && f2 < f1 && f3 < f2)
        return BandKind::BandPass;
    if (f1 < f4 && f3 == 0 && f2 == 0)
        return BandKind::LowPass;
    if (f3 < f2 && f1 == 0 && f4 == 0)
        return BandKind::HighPass;
    if (0 < f1 && f1 < f3 && f3 < f4 && f4 < f2)
        return BandKind::BandStop;
    return std::nullopt;
}

bool bandLayoutIsValid(double f1, double f2, double f3, double f4) {
    const std::optional<BandKind> kind = toleranceLayout(f1, f2, f3, f4);
    return kind && *kind != BandKind::BandStop;
}

BandKind requestKind(const DesignRequest& rq) {
    return toleranceLayout(rq.f1, rq.f2, rq.f3, rq.f4).value_or(BandKind::LowPass);
}

const char* layoutText(BandKind kind) {
    switch (kind) {
    case BandKind::LowPass:
        return "ФНЧ - F3=0 F2=0 F1<F4";
    case BandKind::HighPass:
        return "ФВЧ - F3<F2 F1=0 F4=0";
    case BandKind::BandPass:
        return "ПФ - F3<F2<F1<F4";
    default:
        return "РФ - F1<F3<F4<F2";
    }
}

void addBand(std::vector<FrequencyBand>& bands, double low, double high, double nyquist) {
    low = std::max(low, 0.0);
    high = std::min(high, nyquist);
    if (low <= high)
        bands.push_back({low, high});
}

DesignBands designBands(FilterKind kind, const DesignRequest& rq) {
    DesignBands b;
    const double nyquist = rq.fd / 2;
    if (!(nyquist > 0) || !std::isfinite(nyquist))
        return b;
    switch (kind) {
    case lowPass:
        addBand(b.pass, 0, rq.f1, nyquist);
        addBand(b.stop, rq.f4, nyquist, nyquist);
        break;
    case highPass:
        addBand(b.pass, rq.f2, nyquist, nyquist);
        addBand(b.stop, 0, rq.f3, nyquist);
        break;
    default:
        if (toleranceLayout(rq.f1, rq.f2, rq.f3, rq.f4) == BandKind::BandStop) {
            addBand(b.pass, 0, rq.f1, nyquist);
            addBand(b.pass, rq.f2, nyquist, nyquist);
            addBand(b.stop, rq.f3, rq.f4, nyquist);
            break;
        }
        addBand(b.pass, rq.f2, rq.f1, nyquist);
        addBand(b.stop, 0, rq.f3, nyquist);
        addBand(b.stop, rq.f4, nyquist, nyquist);
        break;
    }
    return b;
}

} // namespace zorkan
