#pragma once
// A stored filter as a cascade of second-order sections, the form other tools take
// (scipy and MATLAB "sos" rows, biquads in C). Band-pass files hold fourth-order
// sections; each is factored through its roots into two second-order ones.
#include "coefficients/filterfile.h"

#include <complex>
#include <string>
#include <vector>

namespace zorkan {

// (num0 + num1 z^-1 + num2 z^-2) / (den0 + den1 z^-1 + den2 z^-2), den0 = 1 once exported.
struct SecondOrderSection {
    double num[3] = {1, 0, 0};
    double den[3] = {1, 0, 0};
};

// Something a user should know about an exported filter: the Russian text for messages
// and an ASCII text for the comment header of the written file.
struct ExportWarning {
    std::string message; // Russian, UTF-8
    std::string note;    // ASCII
};

struct SecondOrderCascade {
    FilterKind kind = lowPass;
    std::uint32_t order = 0;      // the order line of the file
    std::size_t fileSections = 0; // sections in the file
    std::vector<SecondOrderSection> sections;
    bool normalised = false;
    std::vector<ExportWarning> warnings;
};

// Splits c[0] + c[1] w + ... + c[4] w^4 into two quadratics whose product it is:
// conjugate roots stay together, real roots are paired largest with smallest, and the
// first quadratic keeps the leading (lowest-power) coefficient. A zero polynomial gives
// (0, 0, 0) and (1, 0, 0).
void factorQuartic(const double c[5], double first[3], double second[3]);

// The file's sections as second-order sections, each divided by its B0 so that
// den0 = 1 (a B0 of 0 is taken as 1, as the filtering engine does, with a warning).
// Low-pass and high-pass sections are taken as they are; a band-pass section becomes
// two sections: the pole pair nearer the origin first, each numerator factor matched
// with the pole pair nearest its zeros, the numerator's leading coefficient in the
// first. A file without sections gives one section that passes the signal unchanged.
// Warns of an unstable or an all-zero filter.
SecondOrderCascade secondOrderSections(const FilterCoefficients& filter);

// The sections as the file holds them (fourth order for band-pass), each divided by
// its B0 as above: the form for tools that take sections of any order.
std::vector<FilterSection> unfactoredSections(const FilterCoefficients& filter);

// Reads a parameter file with the frequency-response computation's rules.
SecondOrderCascade secondOrderSections(const std::string& path);

// Puts the sections in order of their largest pole radius, the least resonant first and
// the most resonant last (a stable sort): in fixed point the noise of a section's
// rounding then passes the fewest sharp resonances, and a normalised cascade does not
// lose the signal in its first sections.
void orderByPoleRadius(SecondOrderCascade& cascade);

// Magnitude of the first `count` sections at the angular frequency w (radians per
// sample), in long double.
long double cascadeMagnitude(const std::vector<SecondOrderSection>& sections, std::size_t count,
                             long double w);

// Largest magnitude of the first `count` sections over 0 <= w <= pi: a grid of
// 16384 intervals, then a golden-section search around the best grid point.
long double peakGain(const std::vector<SecondOrderSection>& sections, std::size_t count);

// Scales the numerators so that the cascade's largest gain over frequency is 1. The
// scale is spread over the sections: section k gets the factor that makes the peak gain
// of sections 1..k equal to 1, so no section's output can exceed full scale for a sine
// that does not exceed it at the input. A cascade whose gain is zero or unbounded is
// left as it is, with a warning.
void normaliseGain(SecondOrderCascade& cascade);

} // namespace zorkan
