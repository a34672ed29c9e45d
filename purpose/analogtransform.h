#pragma once
// A digital filter from an analog one, H(s) = (b0 s^m + ... + bm) / (a0 s^n + ... + an):
// the bilinear transform (pre-warped at a frequency), the matched z-transform or impulse
// invariance; its zeros and poles found by the one root finder, written as sections.
#include "purpose/designedsections.h"

#include <vector>

namespace zorkan {

enum class AnalogMethod { Bilinear, Prewarp, Matched, Impulse };

struct AnalogRequest {
    std::vector<double> numerator, denominator; // descending powers of s
    double fd = defaultSamplingFrequency;
    AnalogMethod method = AnalogMethod::Bilinear;
    double prewarp = 0; // F of the pre-warping, 0 for none (bilinear only)
    bool allowUnstable = false;
};

// Bilinear: s = K (1 - z^-1) / (1 + z^-1), K = 2 FD, or K = 2 pi F / tan(pi F / FD) so
// that the analog frequency F falls on the digital F; the n - m zeros at infinity go to
// z = -1. Matched: every zero and pole s goes to e^(s / FD), the zeros at infinity to
// z = -1, the gain matched to the analog one at zero frequency, or at FD/4 where H(s)
// has a zero or a pole at s = 0. Impulse invariance: h[k] = h(k / FD) / FD, H(s) strictly
// proper with simple poles, the first sample h(0+); the numerator from the partial
// fractions, or, where poles crowd and their residues cancel, from samples of a
// state-space form of H(s) in extended precision, whichever sections come closer to
// those samples.
// Refused with a UserMessage: a numerator of higher degree than the denominator, a
// vanishing polynomial, unless allowUnstable a pole with Re s >= 0, and impulse
// invariance whose sections still miss the samples by more than 1e-9 of the largest.
DesignedSections designFromAnalog(const AnalogRequest& request);

} // namespace zorkan
