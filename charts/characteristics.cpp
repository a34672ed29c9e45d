#include "charts/characteristics.h"

#include "analysis/filteranalysis.h"
#include "cascade/response.h"
#include "common/errors.h"
#include "fir/firproperties.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorkan {

namespace {

const long double pi = 3.141592653589793238462643383279502884L;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

long double angleOf(double f, double fd) {
    return 2 * pi * static_cast<long double>(f) / fd;
}

CascadeValue valueAt(const CurveSource& source, double f, double fd) {
    const long double w = angleOf(f, fd);
    CascadeValue v;
    if (!source.taps.empty())
        v.value = firValueAt(source.taps, w);
    else
        v = cascadeValueAt(source.filter.sections, sectionDegree(source.filter),
                           std::polar(1.0L, w));
    v.value *= source.scale;
    return v;
}

double magnitudeOf(const CascadeValue& v) {
    if (v.pole || v.overflow)
        return infinity;
    return static_cast<double>(std::abs(v.value));
}

} // namespace

ChartView parseChartView(const std::string& text) {
    if (text == "magnitude")
        return ChartView::Magnitude;
    if (text == "magnitude-db")
        return ChartView::MagnitudeDb;
    if (text == "phase")
        return ChartView::Phase;
    if (text == "group-delay")
        return ChartView::GroupDelay;
    throw UserMessage("Неизвестная характеристика '" + text +
                      "': magnitude, magnitude-db, phase или group-delay");
}

void checkFrequencyGrid(const FrequencyGrid& grid) {
    if (grid.points < 2 || grid.points > maxChartPoints)
        throw UserMessage("Число точек должно быть от 2 до " + std::to_string(maxChartPoints));
    if (!std::isfinite(grid.fmin) || !std::isfinite(grid.fmax) || grid.fmin < 0)
        throw UserMessage("Частоты должны быть конечными и не меньше нуля");
    if (grid.fmin >= grid.fmax)
        throw UserMessage("Начальная частота должна быть меньше конечной");
    if (grid.logarithmic && grid.fmin <= 0)
        throw UserMessage("Для логарифмической оси начальная частота должна быть больше нуля");
}

std::vector<double> gridFrequencies(const FrequencyGrid& grid) {
    checkFrequencyGrid(grid);
    std::vector<double> f(static_cast<std::size_t>(grid.points));
    const long double last = grid.points - 1;
    const long double ratio =
        grid.logarithmic ? std::log(static_cast<long double>(grid.fmax) / grid.fmin) : 0;
    for (int k = 0; k < grid.points; ++k) {
        const long double t = k / last;
        f[static_cast<std::size_t>(k)] =
            grid.logarithmic
                ? static_cast<double>(grid.fmin * std::exp(ratio * t))
                : static_cast<double>(grid.fmin +
                                      (static_cast<long double>(grid.fmax) - grid.fmin) * k / last);
    }
    f.front() = grid.fmin;
    f.back() = grid.fmax;
    return f;
}

FilterCoefficients filterOfSections(const std::vector<SecondOrderSection>& sections) {
    FilterCoefficients filter;
    filter.kind = lowPass;
    filter.order = static_cast<std::uint32_t>(2 * sections.size());
    for (const SecondOrderSection& s : sections) {
        FilterSection section;
        for (int k = 0; k < 3; ++k) {
            section.a[k] = s.num[k];
            section.b[k] = s.den[k];
        }
        filter.sections.push_back(section);
    }
    return filter;
}

std::vector<double> wrappedPhase(const CurveSource& source, const std::vector<double>& frequencies,
                                 double fd) {
    std::vector<double> phase;
    phase.reserve(frequencies.size());
    for (double f : frequencies) {
        const CascadeValue v = valueAt(source, f, fd);
        phase.push_back(v.pole || v.overflow ? nan : static_cast<double>(std::arg(v.value)));
    }
    return phase;
}

void unwrapPhase(std::vector<double>& phase) {
    // numpy.unwrap: a step of pi or more is brought into [-pi, pi), a step of +pi
    // staying +pi; the correction accumulates along the grid.
    const double twoPi = static_cast<double>(2 * pi), onePi = static_cast<double>(pi);
    double correction = 0;
    double previous = nan;
    for (double& p : phase) {
        if (std::isnan(p))
            continue;
        const double raw = p;
        if (!std::isnan(previous)) {
            const double step = raw - previous;
            if (std::fabs(step) >= onePi) {
                double modded = std::fmod(step + onePi, twoPi);
                if (modded < 0)
                    modded += twoPi;
                modded -= onePi;
                if (modded == -onePi && step > 0)
                    modded = onePi;
                correction += modded - step;
            }
        }
        previous = raw;
        p = raw + correction;
    }
}

std::vector<double> curveValues(const CurveSource& source, ChartView view,
                                const std::vector<double>& frequencies, double fd) {
    std::vector<double> out;
    out.reserve(frequencies.size());
    switch (view) {
    case ChartView::Magnitude:
    case ChartView::MagnitudeDb:
        for (double f : frequencies) {
            const double m = magnitudeOf(valueAt(source, f, fd));
            out.push_back(view == ChartView::Magnitude ? m
                          : m == 0                     ? -infinity
                                                       : 20 * std::log10(m));
        }
        break;
    case ChartView::Phase: {
        out = wrappedPhase(source, frequencies, fd);
        unwrapPhase(out);
        break;
    }
    case ChartView::GroupDelay:
        for (double f : frequencies)
            out.push_back(static_cast<double>(source.taps.empty()
                                                  ? groupDelayAt(source.filter, angleOf(f, fd))
                                                  : firGroupDelayAt(source.taps, angleOf(f, fd))));
        break;
    }
    return out;
}

ToleranceMask toleranceMask(const DesignRequest& request, double fd) {
    ToleranceMask mask;
    mask.bands = designBands(fileKind(requestKind(request)), request);
    if (fd != request.fd)
        for (auto* bands : {&mask.bands.pass, &mask.bands.stop})
            for (FrequencyBand& b : *bands) {
                b.low = b.low / request.fd * fd;
                b.high = b.high / request.fd * fd;
            }
    mask.ripple = request.da;
    mask.attenuation = request.b1;
    return mask;
}

ToleranceMask toleranceMask(const DesignRequest& request) {
    return toleranceMask(request, request.fd);
}

double passBandMaximum(const CurveSource& source, const ToleranceMask& mask, double fd) {
    // Over every pass band: a band-stop filter has two, and its gain is counted from
    // their common peak, as the design check counts it.
    std::vector<FrequencyBand> bands = mask.bands.pass;
    if (bands.empty())
        bands.push_back({0, fd / 2});
    constexpr int points = 4097;
    double largest = 0;
    for (const FrequencyBand& band : bands)
        for (int k = 0; k < points; ++k) {
            const double f =
                k + 1 == points ? band.high : band.low + (band.high - band.low) * k / (points - 1);
            largest = std::max(largest, magnitudeOf(valueAt(source, f, fd)));
        }
    return largest;
}

std::vector<MaskViolation> maskViolations(const ToleranceMask& mask,
                                          const std::vector<double>& frequencies,
                                          const std::vector<double>& magnitudes, double reference) {
    std::vector<MaskViolation> runs;
    if (!(reference > 0) || !std::isfinite(reference))
        return runs;
    auto inside = [](const FrequencyBand& b, double f) { return f >= b.low && f <= b.high; };
    bool open = false;
    for (std::size_t i = 0; i < frequencies.size() && i < magnitudes.size(); ++i) {
        const double f = frequencies[i];
        const double level =
            magnitudes[i] > 0 ? 20 * std::log10(magnitudes[i] / reference) : -infinity;
        bool leaves = false;
        for (const FrequencyBand& b : mask.bands.pass)
            leaves = leaves || (inside(b, f) && level < -mask.ripple - designTolerance);
        for (const FrequencyBand& b : mask.bands.stop)
            leaves = leaves || (inside(b, f) && level > -mask.attenuation + designTolerance);
        if (leaves && open)
            runs.back().last = i;
        else if (leaves)
            runs.push_back({i, i});
        open = leaves;
    }
    return runs;
}

} // namespace zorkan
