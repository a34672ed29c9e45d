#include "charts/characteristicschart.h"

#include "common/textnumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zorkan {

std::vector<double> viewValues(const ChartSeries& series, const ChartOptions& options,
                               const std::vector<double>& frequencies, double divisor) {
    std::vector<double> v = options.view == ChartView::Phase && options.wrappedPhase
                                ? wrappedPhase(series.source, frequencies, options.fd)
                                : curveValues(series.source, options.view, frequencies, options.fd);
    if (options.view == ChartView::Phase && options.degrees)
        for (double& p : v)
            p *= 180 / std::numbers::pi;
    if (options.view == ChartView::GroupDelay && options.seconds)
        for (double& d : v)
            d /= options.fd;
    if (divisor != 1 && options.view == ChartView::MagnitudeDb) {
        const double db = 20 * std::log10(divisor);
        for (double& m : v)
            m -= db;
    } else if (divisor != 1 && options.view == ChartView::Magnitude) {
        for (double& m : v)
            m /= divisor;
    }
    return v;
}

ChartCurves computeChartCurves(const std::vector<ChartSeries>& series, const ChartOptions& options,
                               const FrequencyGrid& grid,
                               const std::optional<ToleranceMask>& mask) {
    ChartCurves curves;
    curves.frequencies = gridFrequencies(grid);
    const bool magnitudeView =
        options.view == ChartView::Magnitude || options.view == ChartView::MagnitudeDb;
    for (const ChartSeries& s : series) {
        double reference = 0;
        double divisor = 1;
        if ((mask || options.relative) && magnitudeView) {
            reference = passBandMaximum(s.source, mask ? *mask : ToleranceMask{}, options.fd);
            if (options.relative && reference > 0 && std::isfinite(reference)) {
                divisor = reference;
                reference = 1;
            }
        }
        std::vector<double> v = viewValues(s, options, curves.frequencies, divisor);
        std::vector<std::size_t> leaves;
        if (mask && magnitudeView) {
            std::vector<double> magnitudes = v;
            if (options.view == ChartView::MagnitudeDb)
                for (double& m : magnitudes)
                    m = std::pow(10.0, m / 20);
            for (const MaskViolation& run :
                 maskViolations(*mask, curves.frequencies, magnitudes, reference))
                for (std::size_t i = run.first; i <= run.last; ++i)
                    leaves.push_back(i);
        }
        curves.values.push_back(std::move(v));
        curves.leaves.push_back(std::move(leaves));
        curves.references.push_back(reference);
        curves.divisors.push_back(divisor);
    }
    return curves;
}

double viewDepth(ChartView view) {
    return view == ChartView::MagnitudeDb ? decibelDepth : 0;
}

AxisRange valueRange(const ChartCurves& curves, double xLow, double xHigh, double deepest) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const std::vector<double>& v : curves.values)
        for (std::size_t i = 0; i < v.size() && i < curves.frequencies.size(); ++i) {
            const double f = curves.frequencies[i];
            if (f < xLow || f > xHigh || !std::isfinite(v[i]))
                continue;
            lo = std::min(lo, v[i]);
            hi = std::max(hi, v[i]);
        }
    if (!(hi >= lo))
        return {0, 1, false};
    if (deepest > 0)
        lo = std::max(lo, hi - deepest);
    // A margin of 5 % on each side (around a flat curve, of its value), kept so small that
    // the ends and the span stay finite: values near the largest double still give a
    // drawable range.
    const double flat = narrowestAxisSpan * std::max({1.0, std::fabs(lo), std::fabs(hi)});
    const double halfSpan = hi / 2 - lo / 2;
    const double wanted = hi - lo < flat ? std::max(1e-9, std::fabs(hi) * 0.05) : halfSpan * 0.1;
    const double largest = std::numeric_limits<double>::max();
    const double room = std::max(
        0.0, std::min({wanted, largest - hi, largest + lo, (largest / 2 - halfSpan) * 0.999}));
    return {lo - room, hi + room, false};
}

std::string frequencyTitle(double fd) {
    return fd == 1 ? "Частота, доли FD" : "Частота, Гц (FD = " + tickLabel(fd, 0) + ")";
}

std::string valueTitle(const ChartOptions& options) {
    switch (options.view) {
    case ChartView::Magnitude:
        return options.relative ? "|H| / max |H|" : "|H|";
    case ChartView::MagnitudeDb:
        return options.relative ? "|H|, дБ относительно максимума" : "|H|, дБ";
    case ChartView::Phase:
        return std::string(options.wrappedPhase ? "Фаза" : "Фаза (непрерывная)") +
               (options.degrees ? ", градусы" : ", рад");
    case ChartView::GroupDelay:
        return options.seconds ? "Групповое время задержки, с"
                               : "Групповое время задержки, отсчеты";
    }
    return {};
}

Chart characteristicsChart(const std::vector<ChartSeries>& series, const ChartCurves& curves,
                           const ChartOptions& options, const std::optional<ToleranceMask>& mask,
                           const AxisRange& x, const AxisRange& y, int width, int height) {
    Chart chart;
    chart.width = width;
    chart.height = height;
    chart.xAxis = x;
    chart.yAxis = y;
    chart.xTitle = frequencyTitle(options.fd);
    chart.yTitle = valueTitle(options);
    for (std::size_t i = 0; i < series.size() && i < curves.values.size(); ++i) {
        ChartCurve c;
        c.name = series[i].name;
        c.color = curveColor(static_cast<int>(i));
        c.x = curves.frequencies;
        c.y = curves.values[i];
        c.violations = curves.leaves[i];
        chart.curves.push_back(std::move(c));
    }
    const bool magnitudeView =
        options.view == ChartView::Magnitude || options.view == ChartView::MagnitudeDb;
    if (mask && magnitudeView && !curves.references.empty() && curves.references.front() > 0 &&
        std::isfinite(curves.references.front())) {
        const double reference = curves.references.front();
        const auto level = [&](double decibels) {
            return options.view == ChartView::MagnitudeDb
                       ? 20 * std::log10(reference) + decibels
                       : reference * std::pow(10.0, decibels / 20);
        };
        for (const FrequencyBand& b : mask->bands.pass)
            chart.forbidden.push_back({b.low, b.high, std::nullopt, level(-mask->ripple)});
        for (const FrequencyBand& b : mask->bands.stop)
            chart.forbidden.push_back({b.low, b.high, level(-mask->attenuation), std::nullopt});
    }
    return chart;
}

std::string csvNumber(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    return formatRoundTrip(value);
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string chartCsv(const std::vector<std::string>& names, const ChartCurves& curves, double low,
                     double high) {
    std::string csv = "f";
    for (const std::string& n : names) {
        csv += ',';
        csv += csvField(n);
    }
    csv += '\n';
    for (std::size_t i = 0; i < curves.frequencies.size(); ++i) {
        const double f = curves.frequencies[i];
        if (f < low || f > high)
            continue;
        csv += csvNumber(f);
        for (const std::vector<double>& v : curves.values) {
            csv += ',';
            csv += csvNumber(i < v.size() ? v[i] : std::nan(""));
        }
        csv += '\n';
    }
    return csv;
}

} // namespace zorkan
