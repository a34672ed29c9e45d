#pragma once
// What a designed cascade achieved against its request: the pass-band ripple and the
// stop-band attenuation, measured on the sections themselves (independently of the
// report's tables), and the warnings the design account gets when the request is missed.
#include "design/designrun.h"

#include <string>
#include <vector>

namespace zorkan {

struct DesignMeasurement {
    bool rippleMeasured = false;      // the pass band is not empty
    bool attenuationMeasured = false; // and neither are all the stop bands
    double ripple = 0;                // dB: 20 log10(max |H| / min |H|) over the pass band
    double attenuation = 0; // dB: 20 log10(max |H| over the pass band / max |H| over the stops)
};

// The figures to within well under 0.01 dB: |H| is evaluated in extended precision on a
// grid that gathers towards the band edges, where the ripples crowd, and every extremum
// that can decide a figure is then refined by golden-section search; band edges count.
DesignMeasurement measureDesign(const DesignedCascade& design, const DesignRequest& request);
// The same over bands of one's own choosing: the ripple spans every pass band (a
// band-stop filter has two), the attenuation is counted from their common peak.
DesignMeasurement measureBands(const DesignedCascade& design, const DesignBands& bands, double fd);

// A figure misses the request when it is worse by more than this.
constexpr double designTolerance = 0.05; // dB

// Figures that could not be measured are not counted as misses here.
bool rippleMissed(const DesignMeasurement& m, const DesignRequest& request);
bool attenuationMissed(const DesignMeasurement& m, const DesignRequest& request);

// An achieved figure as the account shows it: two decimals with the given separator.
std::string formatDecibels(double value, char separator);

// The lines the design account gets after its own, one per miss, each beginning with
// "Внимание:"; none when the design meets its request.
std::vector<std::string> designWarnings(const DesignMeasurement& m, const DesignRequest& request,
                                        char separator);

} // namespace zorkan
