#include "design/designcheck.h"

#include "cascade/response.h"
#include "common/displaynumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorkan {

namespace {

using real = long double;
const real pi = 3.141592653589793238462643383279502884L;
constexpr real infinity = std::numeric_limits<real>::infinity();

// Gain of the cascade in dB, 10 log10 |H|^2, straight from the coefficients.
struct CascadeGain {
    const std::vector<FilterSection>& sections;
    int degree;
    real fd;

    real operator()(real f) const {
        const SquaredModuli h = cascadeSquaredModuli(sections, degree, 2 * pi * f / fd);
        if (h.numerator == 0)
            return h.denominator == 0 ? std::numeric_limits<real>::quiet_NaN() : -infinity;
        if (h.denominator == 0)
            return infinity;
        return 10 * std::log10(h.numerator / h.denominator);
    }
};

// Grid points per band. The ripples of an order-n response crowd towards the band
// edges like the points of cos(theta) for equally spaced theta, so a grid spaced the
// same way puts about 1.4 * points / n samples on every ripple, wherever it lies.
int gridPoints(const DesignedCascade& design) {
    const int order = static_cast<int>(design.sections.size()) * (sectionTerms(design.kind) - 1);
    return std::max(2048, 32 * order);
}

std::vector<real> bandGrid(const FrequencyBand& band, int points) {
    if (band.low == band.high)
        return {band.low};
    std::vector<real> x(points + 1);
    const real width = static_cast<real>(band.high) - band.low;
    for (int k = 0; k <= points; ++k)
        x[k] = band.low + width * (1 - std::cos(pi * k / points)) / 2;
    x.front() = band.low; // the edges themselves, exactly
    x.back() = band.high;
    return x;
}

// The largest value of g on [a, b], which is taken to hold one peak (or to rise
// towards one of its ends); golden-section search down to a bracket of 1e-10 of b - a.
template <class Gain> real refinedPeak(const Gain& g, real a, real b) {
    const real ratio = (std::sqrt(5.0L) - 1) / 2;
    real c = b - ratio * (b - a), d = a + ratio * (b - a);
    real gc = g(c), gd = g(d);
    for (int i = 0; i < 48; ++i) {
        if (gc < gd) {
            a = c;
            c = d;
            gc = gd;
            d = a + ratio * (b - a);
            gd = g(d);
        } else {
            b = d;
            d = c;
            gd = gc;
            c = b - ratio * (b - a);
            gc = g(c);
        }
    }
    return std::fmax(gc, gd);
}

// The largest value of g over the grid, refined around every grid peak that could
// still decide it. Near a smooth peak sampled at three points the true top lies less
// than a quarter of the drop to the lower neighbour above the middle sample, so a peak
// whose sample plus four such drops stays below the best sample cannot win; this spares
// the refinement of rounding noise on flat stretches.
template <class Gain> real bandPeak(const Gain& g, const std::vector<real>& x) {
    const std::size_t n = x.size();
    std::vector<real> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = g(x[i]);
    real best = -infinity;
    for (real value : v)
        best = std::fmax(best, value);
    const real gridBest = best;
    for (std::size_t i = 0; i < n && n > 1; ++i) {
        const real left = i > 0 ? v[i - 1] : -infinity;
        const real right = i + 1 < n ? v[i + 1] : -infinity;
        if (!(v[i] >= left && v[i] >= right))
            continue;
        const real drop = v[i] - std::min(i > 0 ? left : right, i + 1 < n ? right : left);
        if (!(v[i] + 4 * drop >= gridBest))
            continue;
        best = std::fmax(best, refinedPeak(g, x[i > 0 ? i - 1 : 0], x[i + 1 < n ? i + 1 : i]));
    }
    return best;
}

struct Extremes {
    real max = -infinity, min = infinity;
};

Extremes bandExtremes(const CascadeGain& gain, const FrequencyBand& band, int points,
                      bool withMinimum) {
    const std::vector<real> x = bandGrid(band, points);
    Extremes e;
    e.max = bandPeak(gain, x);
    if (withMinimum)
        e.min = -bandPeak([&gain](real f) { return -gain(f); }, x);
    return e;
}

} // namespace

DesignMeasurement measureDesign(const DesignedCascade& design, const DesignRequest& rq) {
    return measureBands(design, designBands(design.kind, rq), rq.fd);
}

DesignMeasurement measureBands(const DesignedCascade& design, const DesignBands& bands, double fd) {
    DesignMeasurement m;
    if (design.sections.empty() || bands.pass.empty())
        return m;
    const CascadeGain gain{design.sections, sectionTerms(design.kind) - 1, fd};
    const int points = gridPoints(design);

    Extremes pass;
    for (const FrequencyBand& band : bands.pass) {
        const Extremes e = bandExtremes(gain, band, points, true);
        pass.max = std::fmax(pass.max, e.max);
        pass.min = std::fmin(pass.min, e.min);
    }
    m.rippleMeasured = true;
    m.ripple = static_cast<double>(pass.max - pass.min);
    if (bands.stop.empty())
        return m;
    real stopPeak = -infinity;
    for (const FrequencyBand& band : bands.stop)
        stopPeak = std::fmax(stopPeak, bandExtremes(gain, band, points, false).max);
    m.attenuationMeasured = true;
    m.attenuation = static_cast<double>(pass.max - stopPeak);
    return m;
}

// NaN figures (a cascade with 0/0 somewhere in a band) count as misses.
bool rippleMissed(const DesignMeasurement& m, const DesignRequest& rq) {
    return m.rippleMeasured && !(m.ripple <= rq.da + designTolerance);
}

bool attenuationMissed(const DesignMeasurement& m, const DesignRequest& rq) {
    return m.attenuationMeasured && !(m.attenuation >= rq.b1 - designTolerance);
}

std::string formatDecibels(double value, char separator) {
    return formatFixed(value, 18, 2, separator);
}

std::vector<std::string> designWarnings(const DesignMeasurement& m, const DesignRequest& rq,
                                        char separator) {
    std::vector<std::string> lines;
    if (rippleMissed(m, rq))
        lines.push_back("Внимание: неравномерность в полосе пропускания " +
                        formatDecibels(m.ripple, separator) + " dB больше заданной " +
                        formatGeneral(rq.da, separator) + " dB");
    if (attenuationMissed(m, rq))
        lines.push_back("Внимание: затухание в полосе задерживания " +
                        formatDecibels(m.attenuation, separator) + " dB меньше заданного " +
                        formatGeneral(rq.b1, separator) + " dB");
    return lines;
}

} // namespace zorkan
