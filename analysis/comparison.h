#pragma once
// Two filters side by side, for instance a designed one and its quantised copy: how far
// each zero and pole moved, whether both are stable, and how far their magnitude
// responses part in decibels, over the pass band and over the whole band.
#include "analysis/filteranalysis.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// The magnitudes are compared on a dense grid: this many intervals from 0 to FD/2, one
// more frequency. Narrow notches of the stop band lie between the points of the
// response window's grid of 550 frequencies.
constexpr int comparisonIntervals = 16384;
// Magnitudes more than this far below the larger maximum of the two count as that level.
constexpr double comparisonFloorDb = -100;
// The pass band: the grid frequencies where the first filter's magnitude is no more than
// this far below its own largest magnitude on the grid.
constexpr double passBandLevelDb = -3;

struct RootDisplacement {
    FilterRoot root;                   // a root of the first filter
    std::optional<FilterRoot> nearest; // the nearest root of the same kind of the second
    double distance = 0;
};

// The largest magnitude difference over a set of grid frequencies, and where it lies.
struct LargestDifference {
    double decibels = 0;
    double frequency = 0;
};

struct FilterComparison {
    std::vector<RootDisplacement> displacements;
    std::optional<double> maxZeroShift; // nothing when no zero could be matched
    std::optional<double> maxPoleShift;
    Stability first;
    Stability second;
    // Over the grid frequencies where both magnitudes are finite; nothing for the pass
    // band when the first filter passes nothing.
    LargestDifference wholeBand;
    std::optional<LargestDifference> passBand;
    // The first grid frequency where a filter's magnitude is infinite (a pole on the unit
    // circle there), if any.
    std::optional<double> firstInfiniteAt;
    std::optional<double> secondInfiniteAt;
    // Over the grid: magnitudes in dB floored as compared, and the first's minus the
    // second's (NaN where either is infinite), for the window's pictures.
    std::vector<double> frequencies;
    std::vector<double> firstDb;
    std::vector<double> secondDb;
    std::vector<double> differenceDb;
};

// One side of a comparison: a parameter file's cascade, or an FIR filter's taps when
// `taps` is given (its poles all at the origin), with the roots found for it.
struct ComparedFilter {
    const FilterCoefficients* filter = nullptr;
    const std::vector<double>* taps = nullptr;
    const std::vector<FilterRoot>* roots = nullptr;
};
FilterComparison compareFilters(const ComparedFilter& first, const ComparedFilter& second,
                                double fd);
FilterComparison compareFilters(const FilterCoefficients& first,
                                const std::vector<FilterRoot>& firstRoots,
                                const FilterCoefficients& second,
                                const std::vector<FilterRoot>& secondRoots, double fd);

// The displacement table, one line per root of the first filter (its root line, then the
// nearest root's re and im and the distance; "нет" where none), then the largest shifts,
// both stabilities, the largest response differences and how they were found.
std::vector<std::string> comparisonLines(const FilterComparison& comparison);

} // namespace zorkan
