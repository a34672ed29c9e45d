#pragma once
// The whole picture of a stored filter: the zeros and poles of every section, its
// stability, the group delay from the exact formula for a ratio of polynomials, and
// the impulse and step responses through the filtering engine's section equation.
// The filter is read with the frequency-response reader's rules.
#include "cascade/roots.h"
#include "coefficients/filterfile.h"

#include <complex>
#include <string>
#include <vector>

namespace zorkan {

// The most samples of an impulse or step response, and the most group-delay rows.
constexpr int maxAnalysisSamples = 65536;

// The degree of the section polynomials in z^-1: 4 for band-pass files, else 2.
int sectionDegree(const FilterCoefficients& filter);

struct FilterRoot {
    int section = 0; // from 1
    bool pole = false;
    double re = 0;
    double im = 0;
    double radius = 0;
    double angle = 0;     // radians, (-pi, pi]
    int multiplicity = 1; // how many roots of this section's polynomial coincide here
};

// Zeros then poles of each section, sections in file order.
std::vector<FilterRoot> filterRoots(const FilterCoefficients& filter);

// The verdict comes from the Schur-Cohn test on each section's denominator
// (insideUnitCircle), the radius from the roots, as a figure to show: a pole of radius
// sqrt(1 - 2^-53) is inside, though its radius rounds to 1.
struct Stability {
    bool stable = true;
    double maxRadius = 0;              // largest pole radius (0 with no poles)
    int section = 0;                   // the section it belongs to (0 with no poles)
    std::vector<int> unstableSections; // every section with a pole on or outside the circle
};
Stability stabilityOf(const FilterCoefficients& filter, const std::vector<FilterRoot>& roots);

// Group delay in samples at the normalised angle omega (radians per sample): for each
// section Re{sum k c_k z^-k / sum c_k z^-k} of the numerator minus that of the
// denominator, at z = e^(j omega), in extended precision. Where a polynomial has a root
// on the unit circle at omega the value is the limit from either side. A section whose
// numerator vanishes entirely has no group delay (a UserMessage).
long double groupDelayAt(const FilterCoefficients& filter, long double omega);

struct GroupDelayRow {
    double frequency = 0; // i FD / (2 (N - 1))
    double samples = 0;
    double seconds = 0; // samples / FD
};
// N rows from 0 to FD/2 (N = 1: f = 0 alone). N from 1 to maxAnalysisSamples, FD > 0.
std::vector<GroupDelayRow> groupDelayTable(const FilterCoefficients& filter, int count, double fd);

// The first `count` samples of the cascade's answer to a unit impulse (step = false)
// or a unit step (step = true) starting at sample 1, of H(z) = A(z) / B(z): each section
// divided by its B0, then the modelling engine's section equation, sample by sample
// through the sections in file order. Samples are
// appended to `out` as they are computed, so that an overflow, which raises the
// engine's fault, leaves the samples before it.
void cascadeResponse(const FilterCoefficients& filter, int count, bool step,
                     std::vector<double>& out);

// Checks of the command-line and window counts and frequencies.
void checkSampleCount(long long count);
void checkSamplingFrequency(double fd);

// H(z) at a real z (1 for DC, -1 for FD/2): the product of the sections' ratios.
// `infinite` is set when a denominator vanishes there (a pole at z); `overflow` when no
// denominator vanishes but the product lies beyond the range of a double (its value is
// then the infinity of its sign).
struct RealGain {
    double value = 0;
    bool infinite = false;
    bool overflow = false;
};
RealGain gainAtReal(const FilterCoefficients& filter, long double z);

// Grid of the summary's largest group delay: 1025 points from 0 to FD/2. The largest
// local maxima of the grid, at most summaryRefinedPeaks of them, are refined by a
// golden-section search of groupDelayAt between the grid neighbours of each.
constexpr int summaryDelayPoints = 1025;
constexpr int summaryRefinedPeaks = 8;

// The largest group delay of the filter over 0 .. pi (radians per sample) as found by the
// summary: the delay in samples and the angle where it lies.
struct DelayPeak {
    long double samples = 0;
    long double omega = 0;
};
DelayPeak largestGroupDelay(const FilterCoefficients& filter);

struct FilterSummary {
    int order = 0;    // sum over the sections of the higher degree in z^-1 of the two
                      // polynomials
    int sections = 0; // sections read
    FilterKind kind = lowPass;
    Stability stability;
    RealGain dcGain;
    RealGain halfGain;
    bool delayDefined = true;
    double maxDelay = 0;             // samples
    double maxDelayFrequency = 0;    // in the unit of FD
    std::vector<int> silentSections; // numerator all zero
    std::vector<int> scaledSections; // B0 other than 1
};
FilterSummary summarise(const FilterCoefficients& filter, const std::vector<FilterRoot>& roots,
                        double fd);
// The summary as text lines (UTF-8): one of them holds "устойчив" or "неустойчив"
// with the largest pole radius. Numbers in the 23-character layout.
std::vector<std::string> summaryLines(const FilterSummary& summary, double fd);

// A gain as the summary words it, with its leading blank: the number and its decibels,
// or what stands in for a number at a pole, an overflow or a zero of transmission.
std::string gainText(const RealGain& gain);

// One root as every root list prints it: the section, "нуль" or "полюс", then re, im,
// radius and angle (radians) in the 23-character layout.
std::string rootLine(const FilterRoot& root);

// FIR filters (".fir" files): H(z) = h[0] + h[1] z^-1 + ... + h[N-1] z^-(N-1), that is
// (h[0] z^(N-1) + ... + h[N-1]) / z^(N-1). Its roots are listed as section 1's: the zeros
// of the taps' polynomial, then N - 1 poles at the origin, which leave the filter always
// stable.
std::vector<FilterRoot> firRoots(const std::vector<double>& taps);

// Group delay in samples of the taps' polynomial at the angle omega, as groupDelayAt
// takes it for a section's numerator; taps all zero have none (a UserMessage).
long double firGroupDelayAt(const std::vector<double>& taps, long double omega);
std::vector<GroupDelayRow> firGroupDelayTable(const std::vector<double>& taps, int count,
                                              double fd);
DelayPeak largestFirGroupDelay(const std::vector<double>& taps);

// The first `count` samples of the answer to a unit impulse (the taps, then zeros) or to a
// unit step (their running sums, added in extended precision) starting at sample 1.
void firResponse(const std::vector<double>& taps, int count, bool step, std::vector<double>& out);

struct FirSummary {
    int taps = 0;
    int linearPhase = 0; // linearPhaseType: 0 none, 1..4
    RealGain dcGain;
    RealGain halfGain;
    bool delayDefined = true;     // false when every tap is zero
    double maxDelay = 0;          // samples
    double maxDelayFrequency = 0; // in the unit of FD
};
FirSummary summariseFir(const std::vector<double>& taps, double fd);
// The summary of an FIR filter as text lines (UTF-8), in the manner of summaryLines: its
// length, the stability with every pole at the origin, the kind of its phase, the gains
// and the largest group delay.
std::vector<std::string> firSummaryLines(const FirSummary& summary, double fd);

} // namespace zorkan
