#include "analysis/comparison.h"

#include "common/floatfaults.h"
#include "common/textnumbers.h"
#include "response/response.h"

#include <algorithm>
#include <cmath>

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

} // namespace

FilterComparison compareFilters(const FilterCoefficients& first,
                                const std::vector<FilterRoot>& firstRoots,
                                const FilterCoefficients& second,
                                const std::vector<FilterRoot>& secondRoots, double fd) {
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
    c.first = stabilityOf(firstRoots);
    c.second = stabilityOf(secondRoots);

    const int columns = comparisonColumns;
    std::vector<double> a(columns + 1), b(columns + 1);
    double maxA = 0, maxB = 0;
    c.frequencies.resize(columns + 1);
    for (int i = 0; i <= columns; ++i) {
        const double f = fp::toDouble(static_cast<real>(fd) / 2 * i / columns);
        c.frequencies[i] = f;
        a[i] = evaluateCascade(first.sections, f, fd).magnitude;
        b[i] = evaluateCascade(second.sections, f, fd).magnitude;
        maxA = std::max(maxA, a[i]);
        maxB = std::max(maxB, b[i]);
    }
    const real top = std::max(maxA, maxB);
    const real floor = top * std::pow(10.0L, comparisonFloorDb / 20);
    c.firstDb.resize(columns + 1);
    c.secondDb.resize(columns + 1);
    for (int i = 0; i <= columns; ++i) {
        if (top == 0) {
            c.firstDb[i] = c.secondDb[i] = 0;
            continue;
        }
        const real da = 20 * std::log10(std::max<real>(a[i], floor));
        const real db = 20 * std::log10(std::max<real>(b[i], floor));
        c.firstDb[i] = fp::toDouble(da);
        c.secondDb[i] = fp::toDouble(db);
        const double difference = fp::toDouble(std::fabs(da - db));
        if (difference > c.maxDifferenceDb) {
            c.maxDifferenceDb = difference;
            c.atFrequency = c.frequencies[i];
        }
    }
    return c;
}

std::vector<std::string> comparisonLines(const FilterComparison& c) {
    std::vector<std::string> lines;
    for (const RootDisplacement& d : c.displacements) {
        std::string line = std::to_string(d.root.section) + (d.root.pole ? " pole " : " zero ") +
                           formatReal(d.root.re) + " " + formatReal(d.root.im) + " ";
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
    lines.push_back("Наибольшее расхождение АЧХ:" + formatReal(c.maxDifferenceDb) +
                    " dB на частоте" + formatReal(c.atFrequency));
    return lines;
}

} // namespace zorkan
