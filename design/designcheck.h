#pragma once
// What a designed cascade achieved against its request: the pass-band ripple and the
// stop-band attenuation, measured on the sections themselves (independently of the
// report's tables), and the warnings the design account gets when the request is missed.
#include "design/designrun.h"

#include <string>
#include <vector>

namespace zorkan {

// The bands of a request in the unit of FD, each clipped to [0, FD/2]:
// low-pass   pass [0, F1],   stop [F4, FD/2];
// high-pass  pass [F2, FD/2], stop [0, F3];
// band-pass  pass [F2, F1],  stop [0, F3] and [F4, FD/2];
// band-stop  (F1 < F3 < F4 < F2, fourth-order sections as band-pass ones)
//            pass [0, F1] and [F2, FD/2], stop [F3, F4].
struct FrequencyBand {
    double low = 0, high = 0;
};

struct DesignBands {
    std::vector<FrequencyBand> pass; // two for band-stop, else at most one
    std::vector<FrequencyBand> stop; // empty bands are left out
};

DesignBands designBands(FilterKind kind, const DesignRequest& request);

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

// Adds [low, high] clipped to [0, nyquist], unless that leaves it empty.
void addBand(std::vector<FrequencyBand>& bands, double low, double high, double nyquist);

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
