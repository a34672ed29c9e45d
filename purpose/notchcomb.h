#pragma once
// The second-order notch and resonator, and the comb with notches or peaks at every
// multiple of a frequency, by the usual designs (Orfanidis, "Introduction to Signal
// Processing", 11.3 and 11.5): -3 dB bandwidth F0 / Q.
#include "purpose/designedsections.h"

namespace zorkan {

struct NotchRequest {
    double fd = defaultSamplingFrequency;
    double f0 = 0;
    double q = 0;
    bool peak = false; // the resonator instead of the notch
};

// One section: the notch gain (1 - 2 cos w0 z^-1 + z^-2) / (1 + beta), the resonator
// (beta / (1 + beta)) (1 - z^-2), over 1 - 2 cos w0 z^-1 / (1 + beta) + (1 - beta) / (1 + beta)
// z^-2, beta = tan(w0 / (2 Q)).
DesignedSections designNotch(const NotchRequest& request);

struct CombRequest {
    double fd = defaultSamplingFrequency;
    double f0 = 0;
    double q = 0;
    bool peak = false;
    bool passZero = false; // the notches (peaks) halfway between the multiples of F0
};

// Largest N = FD / F0 of a comb.
constexpr int maxCombLength = 64;

// N = FD / F0, refused unless it is an even integer from 2 to maxCombLength.
int combLength(double fd, double f0);

// b (1 -+ z^-N) / (1 -+ a z^-N), b and a of bandwidth F0 / Q (Q > 1, else a pole
// leaves the unit circle), written as N / 2 sections from the exactly known roots of
// z^N = +-1 and z^N = +-a, each zero factor with the nearest pole factor.
DesignedSections designComb(const CombRequest& request);

} // namespace zorkan
