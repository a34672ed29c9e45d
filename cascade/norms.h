#pragma once
// Norms of partial cascades, the measures by which a realised cascade is scaled: the
// peak of the magnitude over frequency and the L1 and L2 norms of the impulse response
// from the input to a section's output.
#include "cascade/response.h"
#include "cascade/secondorder.h"

#include <cstddef>
#include <vector>

namespace zorkan {

// Largest magnitude of the first `count` sections over 0 <= w <= pi: a grid of
// tolerance::peakGridIntervals intervals, then a golden-section search around the best
// grid point.
long double peakGain(const std::vector<SecondOrderSection>& sections, std::size_t count);

// The grid of peakGain: tolerance::peakGridIntervals + 1 points from 0 to pi on the unit
// circle, and the peak of the first `count` sections from their magnitudes on it: the
// grid's largest, refined between its neighbours and near the pole angles of sections
// `polesFrom`..count (those before are the caller's to have refined).
const std::vector<UnitCirclePoint>& peakGrid();
long double peakOnGrid(const std::vector<SecondOrderSection>& sections, std::size_t count,
                       const std::vector<long double>& magnitudes, std::size_t polesFrom = 0);

// Scales the numerators so that the cascade's largest gain over frequency is 1. The
// scale is spread over the sections: section k gets the factor that makes the peak gain
// of sections 1..k equal to 1, so no section's output can exceed full scale for a sine
// that does not exceed it at the input. A cascade whose gain is zero or unbounded is
// left as it is, with a warning.
void normaliseGain(SecondOrderCascade& cascade);

struct ImpulseNorms {
    bool bounded = true; // false when a pole of sections 1..count is on or outside |z| = 1
    long double l1 = 0;  // sum of |h[n]|
    long double l2 = 0;  // square root of the sum of h[n]^2
    long samples = 0;    // samples summed
};

// The norms of the impulse response of the first `count` sections, computed sample by
// sample in extended precision until the tail, which decays at least as fast as n^3 r^n
// for the largest pole radius r, is below tolerance::normTail of the sums.
ImpulseNorms impulseNorms(const std::vector<SecondOrderSection>& sections, std::size_t count);

// The samples over which the norms of the cascade are summed (its largest pole radius
// decides; 0 when a pole is on or outside the unit circle).
long normSamples(const std::vector<SecondOrderSection>& sections);

// The norms of every partial cascade at once: element k those of sections 1..k+1, from
// one pass of the impulse through the whole cascade (summed as long as the whole
// cascade's tail needs).
std::vector<ImpulseNorms> partialImpulseNorms(const std::vector<SecondOrderSection>& sections);

} // namespace zorkan
