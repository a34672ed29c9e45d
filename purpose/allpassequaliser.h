#pragma once
// The all-pass group-delay equaliser: second-order all-pass sections whose group delay,
// added to a filter's, makes the total as flat as possible over a band.
#include "purpose/designedsections.h"

#include <functional>

namespace zorkan {

constexpr int minEqualiserOrder = 2;
constexpr int maxEqualiserOrder = 24;
constexpr double defaultEqualiserRadius = 0.99;
// The grid the deviation is measured and minimised on, over the band.
constexpr int equaliserGridPoints = 1024;
// A band point of the filter more than this below the filter's peak magnitude lies
// outside its pass band.
constexpr double passBandDropDb = 3;

struct EqualiserRequest {
    FilterCoefficients filter; // as readAnalysedFilter gives it
    double fd = defaultSamplingFrequency;
    double f1 = 0, f2 = 0; // the band, 0 <= F1 < F2 < FD/2
    int order = 8;         // even, minEqualiserOrder .. maxEqualiserOrder
    double maxRadius = defaultEqualiserRadius;
};

struct EqualiserResult {
    DesignedSections equaliser;   // kind 0, each numerator its denominator reversed
    double variationBefore = 0;   // the filter's largest minus smallest delay over the band
    double variationAfter = 0;    // the same of the filter followed by the equaliser
    double meanDelay = 0;         // the equaliser's mean delay over the band, samples
    double maxRadius = 0;         // the equaliser's largest pole radius
    double bandAttenuationDb = 0; // the filter's deepest fall below its peak in the band
    bool outsidePassBand = false; // bandAttenuationDb above passBandDropDb
    bool cancelled = false;       // the progress callback stopped the search: no sections
};

// Called after each start of the search with the starts done and their total; returning
// false stops the search.
using EqualiserProgress = std::function<bool(int done, int total)>;

// The sections minimise the largest deviation of the total delay from its mean over the
// grid (minimax), approached by least p-th objectives, p = 2 .. 1024, each by a
// quasi-Newton (BFGS) search on the pole pairs r e^(+-j theta), r = R / (1 + e^-u) so
// that no radius exceeds R. The order grows by one section at a time (a continuation):
// each new section starts at several angles over the band and at several radii beside
// the sections found before, and the three best designs of each order go on to the next.
EqualiserResult designEqualiser(const EqualiserRequest& request,
                                const EqualiserProgress& progress = {});

// The filter followed by the equaliser: second-order equaliser sections become
// fourth-order ones (A3 = A4 = B3 = B4 = 0) after a band-pass file's sections, of its kind.
DesignedSections equalisedFilter(const FilterCoefficients& filter,
                                 const DesignedSections& equaliser);

// Refuses the request's figures (UserMessage): the band, the order, the radius.
void checkEqualiserRequest(const EqualiserRequest& request);

} // namespace zorkan
