#pragma once
// Two filters side by side, for instance a designed one and its quantised copy: how far
// each zero and pole moved, whether both are stable, and the largest difference of
// their magnitude responses in decibels.
#include "analysis/filteranalysis.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// The response window's grid: 549 columns from 0 to FD/2, 550 frequencies.
constexpr int comparisonColumns = 549;
// Magnitudes more than this far below the larger maximum of the two count as that level.
constexpr double comparisonFloorDb = -100;

struct RootDisplacement {
    FilterRoot root;                   // a root of the first filter
    std::optional<FilterRoot> nearest; // the nearest root of the same kind of the second
    double distance = 0;
};

struct FilterComparison {
    std::vector<RootDisplacement> displacements;
    std::optional<double> maxZeroShift; // nothing when no zero could be matched
    std::optional<double> maxPoleShift;
    Stability first;
    Stability second;
    double maxDifferenceDb = 0; // over the frequencies where both magnitudes are finite
    double atFrequency = 0;
    // The first grid frequency where a filter's magnitude is infinite (a pole on the unit
    // circle there), if any.
    std::optional<double> firstInfiniteAt;
    std::optional<double> secondInfiniteAt;
    // Magnitudes in dB over the grid, floored as compared (for the window's picture).
    std::vector<double> frequencies;
    std::vector<double> firstDb;
    std::vector<double> secondDb;
};

FilterComparison compareFilters(const FilterCoefficients& first,
                                const std::vector<FilterRoot>& firstRoots,
                                const FilterCoefficients& second,
                                const std::vector<FilterRoot>& secondRoots, double fd);

// The displacement table, one line per root of the first filter (section, zero or pole,
// its re and im, the nearest root's re and im, the distance; "нет" where none), then
// the largest shifts, both stabilities and the largest response difference.
std::vector<std::string> comparisonLines(const FilterComparison& comparison);

} // namespace zorkan
