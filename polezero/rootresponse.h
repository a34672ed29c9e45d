#pragma once
// The response of H(z) = g prod (1 - z_k z^-1) / prod (1 - p_k z^-1) on the unit circle,
// taken from the roots themselves: the editor redraws its curves from it at every step of
// a drag, so it works in double with one cosine and sine per frequency shared by every
// root, and each root's factor written in half angles, which keeps its small values
// (a root near the circle, near the frequency) accurate to a few units in the last place.
#include "cascade/rootsections.h"

#include <vector>

namespace zorkan {

// At each angle w (radians per sample): 20 log10 |H| (-inf at a zero on the circle, +inf
// at a pole there), arg H in (-pi, pi] (NaN at a pole), and the group delay in samples:
// the sum over the zeros of (r^2 - r cos(w - a)) / (1 - 2 r cos(w - a) + r^2) for a root
// r e^(j a), less the same sum over the poles, each root counted its multiplicity times
// and a pair as both of its roots; a root on the circle gives its limit 1/2 there.
struct RootResponse {
    std::vector<double> magnitudeDb;
    std::vector<double> phase;
    std::vector<double> groupDelay;
};
RootResponse rootResponse(const std::vector<SectionRoot>& zeros,
                          const std::vector<SectionRoot>& poles, double gain,
                          const std::vector<double>& angles);
// The largest 20 log10 |H| over 0 <= w <= pi at unit gain, from the response `magnitudeDb`
// already found at the ascending `angles` (from 0 to pi): the largest sample refined
// between its neighbours by a golden-section search on the exact |H|, and the same around
// a pole's angle where |H| there exceeds every sample (a resonance narrower than the
// samples' step).
double rootPeakDb(const std::vector<SectionRoot>& zeros, const std::vector<SectionRoot>& poles,
                  const std::vector<double>& angles, const std::vector<double>& magnitudeDb);
// The response of unit gain turned into that of the gain g: 20 log10 |g| added, the phase
// turned by pi for a negative g; a zero gain leaves -inf but at the poles.
void applyGain(RootResponse& response, double gain);

} // namespace zorkan
