#include "analysis/comparison.h"

#include "common/errors.h"
#include "common/floatfaults.h"
#include "common/textnumbers.h"
#include "fir/firproperties.h"
#include "response/response.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zorkan {

namespace {

using real = long double;

std::string stabilityText(const char* which, const Stability& s) {
    return std::string(which) + (s.stable ? " устойчив" : " неустойчив") +
           ": наибольший радиус полюса" + formatReal(s.maxRadius);
}

std::string shiftText(const char* what, const std::optional<double>& shift) {
    return std::string(what) + (shift ? formatReal(*shift) : std::string(" нет"));
}

std::string differenceText(const LargestDifference& d) {
    return formatReal(d.decibels) + " дБ на частоте" + formatReal(d.frequency);
}

void keepLarger(LargestDifference& best, double decibels, double frequency) {
    if (decibels > best.decibels)
        best = {decibels, frequency};
}

// An FIR filter's poles are all at the origin: stable, of radius 0.
Stability stabilityOf(const ComparedFilter& filter) {
    if (!filter.taps)
        return stabilityOf(*filter.filter, *filter.roots);
    Stability s;
    s.section = filter.taps->size() > 1 ? 1 : 0;
    return s;
}

} // namespace

FilterComparison compareFilters(const FilterCoefficients& first,
                                const std::vector<FilterRoot>& firstRoots,
                                const FilterCoefficients& second,
                                const std::vector<FilterRoot>& secondRoots, double fd) {
    return compareFilters(ComparedFilter{&first, nullptr, &firstRoots},
                          ComparedFilter{&second, nullptr, &secondRoots}, fd);
}

FilterComparison compareFilters(const ComparedFilter& firstFilter,
                                const ComparedFilter& secondFilter, double fd) {
    const std::vector<FilterRoot>& firstRoots = *firstFilter.roots;
    const std::vector<FilterRoot>& secondRoots = *secondFilter.roots;
    checkSamplingFrequency(fd);
    FilterComparison c;
    for (const FilterRoot& r : firstRoots) {
        RootDisplacement d;
        d.root = r;
        real best = 0;
        for (const FilterRoot& other : secondRoots) {
            if (other.pole != r.pole)
                continue;
            const real distance =
                std::hypot(static_cast<real>(other.re) - r.re, static_cast<real>(other.im) - r.im);
            if (!d.nearest || distance < best) {
                best = distance;
                d.nearest = other;
            }
        }
        if (d.nearest) {
            d.distance = static_cast<double>(best);
            std::optional<double>& shift = r.pole ? c.maxPoleShift : c.maxZeroShift;
            shift = std::max(shift.value_or(0.0), d.distance);
        }
        c.displacements.push_back(d);
    }
    c.first = stabilityOf(firstFilter);
    c.second = stabilityOf(secondFilter);

    const int n = comparisonIntervals;
    // A pole on the unit circle at a grid frequency makes the magnitude infinite there
    // (the evaluation faults): such points are marked and left out of the difference.
    const auto magnitude = [fd](const ComparedFilter& filter, double f) -> std::optional<double> {
        if (filter.taps)
            return fp::toDouble(std::abs(firValueAt(*filter.taps, 2 * std::numbers::pi_v<real> *
                                                                      static_cast<real>(f) / fd)));
        try {
            return evaluateCascade(filter.filter->sections, f, fd).magnitude;
        } catch (const FloatError&) {
            return std::nullopt;
        }
    };
    std::vector<std::optional<double>> a(n + 1), b(n + 1);
    double top = 0, firstTop = 0;
    c.frequencies.resize(n + 1);
    for (int i = 0; i <= n; ++i) {
        const double f = fp::toDouble(static_cast<real>(fd) / 2 * i / n);
        c.frequencies[i] = f;
        a[i] = magnitude(firstFilter, f);
        b[i] = magnitude(secondFilter, f);
        if (!a[i] && !c.firstInfiniteAt)
            c.firstInfiniteAt = f;
        if (!b[i] && !c.secondInfiniteAt)
            c.secondInfiniteAt = f;
        firstTop = std::max(firstTop, a[i].value_or(0.0));
        top = std::max({top, a[i].value_or(0.0), b[i].value_or(0.0)});
    }
    const real floor = top * std::pow(10.0L, comparisonFloorDb / 20);
    const real ceiling = top == 0 ? 0 : 20 * std::log10(static_cast<real>(top));
    const real passLevel = firstTop * std::pow(10.0L, passBandLevelDb / 20);
    c.firstDb.resize(n + 1);
    c.secondDb.resize(n + 1);
    c.differenceDb.assign(n + 1, std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i <= n; ++i) {
        if (top == 0) {
            c.firstDb[i] = c.secondDb[i] = c.differenceDb[i] = 0;
            continue;
        }
        // Infinite points are drawn at the top of the picture.
        const real da = a[i] ? 20 * std::log10(std::max<real>(*a[i], floor)) : ceiling;
        const real db = b[i] ? 20 * std::log10(std::max<real>(*b[i], floor)) : ceiling;
        c.firstDb[i] = fp::toDouble(da);
        c.secondDb[i] = fp::toDouble(db);
        if (!a[i] || !b[i])
            continue;
        c.differenceDb[i] = fp::toDouble(da - db);
        const double difference = std::fabs(c.differenceDb[i]);
        keepLarger(c.wholeBand, difference, c.frequencies[i]);
        if (firstTop > 0 && *a[i] >= passLevel) {
            if (!c.passBand)
                c.passBand = LargestDifference{difference, c.frequencies[i]};
            keepLarger(*c.passBand, difference, c.frequencies[i]);
        }
    }
    return c;
}

std::vector<std::string> comparisonLines(const FilterComparison& c) {
    std::vector<std::string> lines;
    for (const RootDisplacement& d : c.displacements) {
        std::string line = rootLine(d.root) + " ";
        if (d.nearest)
            line += formatReal(d.nearest->re) + " " + formatReal(d.nearest->im) + " " +
                    formatReal(d.distance);
        else
            line += "нет нет нет";
        lines.push_back(line);
    }
    lines.push_back(shiftText("Наибольшее смещение нулей:", c.maxZeroShift));
    lines.push_back(shiftText("Наибольшее смещение полюсов:", c.maxPoleShift));
    lines.push_back(stabilityText("Первый фильтр", c.first));
    lines.push_back(stabilityText("Второй фильтр", c.second));
    lines.push_back("Наибольшее расхождение АЧХ в полосе пропускания:" +
                    (c.passBand ? differenceText(*c.passBand)
                                : std::string(" нет (первый фильтр ничего не пропускает)")));
    lines.push_back("Наибольшее расхождение АЧХ на всех частотах:" + differenceText(c.wholeBand));
    lines.push_back("Расхождение взято на сетке из " + std::to_string(comparisonIntervals + 1) +
                    " частот от 0 до FD/2 с шагом FD/" + std::to_string(2 * comparisonIntervals) +
                    "; полоса пропускания - частоты сетки, где АЧХ первого фильтра не ниже " +
                    std::to_string(static_cast<int>(passBandLevelDb)) +
                    " дБ от ее наибольшего значения; АЧХ ниже " +
                    std::to_string(static_cast<int>(comparisonFloorDb)) +
                    " дБ от большего из максимумов двух фильтров берется равной этому уровню");
    for (const auto& [which, at] :
         {std::pair{"первого", c.firstInfiniteAt}, std::pair{"второго", c.secondInfiniteAt}})
        if (at)
            lines.push_back(std::string("АЧХ ") + which +
                            " фильтра бесконечна (полюс на единичной окружности), начиная с "
                            "частоты" +
                            formatReal(*at) + "; такие частоты не сравниваются");
    return lines;
}

} // namespace zorkan
