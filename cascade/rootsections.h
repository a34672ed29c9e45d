#pragma once
// A filter given by its roots, H(z) = g * prod (1 - z_k z^-1) / prod (1 - p_k z^-1), as
// second-order sections, and the roots of stored sections back.
#include "cascade/secondorder.h"

#include <complex>
#include <vector>

namespace zorkan {

// One root of a numerator or denominator, repeated `multiplicity` times: a real root
// (`angle` 0, the root is `radius`, of either sign) or the conjugate pair
// radius * e^(+-j angle), 0 < angle <= pi. Held in polar form so that a pair put on the
// unit circle has the factor 1 - 2 cos(angle) z^-1 + z^-2 exactly.
struct SectionRoot {
    double radius = 0;
    double angle = 0;
    int multiplicity = 1;
    bool pair() const { return angle != 0; }
    std::complex<double> z() const { return pair() ? std::polar(radius, angle) : radius; }
    // The root z, or the pair of z and its conjugate.
    static SectionRoot at(std::complex<double> z, int multiplicity = 1);
};

// The factoring of roots into sections, the rule the band-pass factoring follows:
// - each conjugate pair is one factor of second order; the real roots, sorted, pair the
//   smallest with the largest, and an odd one left over is a factor of the first order;
// - each pole factor, from the most resonant (largest pole radius) down, takes the zero
//   factor nearest to it (by the root above the axis farthest from the origin); zero
//   factors left over become sections of their own (denominator 1);
// - the sections in ascending order of pole radius (the least resonant first), the gain
//   in the first section's numerator.
// No roots at all give one section g / 1.
std::vector<SecondOrderSection> sectionsFromRoots(const std::vector<SectionRoot>& zeros,
                                                  const std::vector<SectionRoot>& poles,
                                                  double gain);

// The roots of a cascade's numerators and denominators (each pair once, above the axis,
// equal roots gathered with their multiplicity) and the gain g: the product of the
// numerators' leading coefficients over the denominators'. A section whose numerator
// or denominator starts with zero (a delay, a root at infinity) has no such form and is
// refused with a UserMessage naming it.
struct CascadeRoots {
    std::vector<SectionRoot> zeros, poles;
    double gain = 1;
};
CascadeRoots rootsOfSections(const std::vector<SecondOrderSection>& sections);

} // namespace zorkan
