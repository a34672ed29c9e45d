#pragma once
// A design request and what follows from it alone: the approximation, the kind of filter
// its band edges form, the kind and section degree of its parameter file, and the bands
// its design is measured in.
#include "coefficients/filterfile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zorkan {

// The approximations by the codes the design windows, the reports and the command line
// use (1..5).
enum class Approximation {
    Butterworth = 1,
    Chebyshev = 2,
    Elliptic = 3,
    InverseChebyshev = 4,
    Bessel = 5
};

constexpr int approximationCode(Approximation a) {
    return static_cast<int>(a);
}
// A code out of 1..5 names no approximation; the checks of a request refuse it.
constexpr Approximation approximationOf(int code) {
    return static_cast<Approximation>(code);
}
// The approximation's name on the command line: butterworth, chebyshev, elliptic,
// chebyshev2 (inverse Chebyshev), bessel.
const char* approximationName(Approximation a);

// What the design window collects. Frequencies share the unit of fd.
struct DesignRequest {
    int approximation = 1; // the code of an Approximation
    double f1 = 0.2;       // upper pass-band edge (low-pass: the pass-band edge)
    double f2 = 0.0;       // lower pass-band edge (high-pass: the pass-band edge)
    double f3 = 0.0;       // lower stop-band edge (high-pass: the stop-band edge)
    double f4 = 0.25;      // upper stop-band edge (low-pass: the stop-band edge)
    double da = 1.5;       // pass-band ripple, dB
    double b1 = 30.0;      // guaranteed stop-band attenuation, dB
    double fd = 1.0;       // sampling frequency
    double ff1 = 0.0;      // first frequency of the response tables
    double ff2 = 0.5;      // last frequency of the response tables
    std::uint16_t np = 20; // number of response intervals (tables get np + 1 rows)
};

enum class BandKind { LowPass, HighPass, BandPass, BandStop };

// The kind a parameter file holds a filter of this kind as: a band-stop filter is written
// as fourth-order sections, kind 2, like a band-pass one.
FilterKind fileKind(BandKind kind);

// The number of coefficients of a numerator or denominator of a file's sections: 5 for
// the fourth-order sections of kind 2, else 3.
int sectionTerms(FilterKind kind);

// The kind a tolerance request's edges form, or none:
//   band-pass  F3 < F2 < F1 < F4
//   low-pass   F1 < F4 with F3 = F2 = 0
//   high-pass  F3 < F2 with F1 = F4 = 0 (exact zeros)
//   band-stop  0 < F1 < F3 < F4 < F2 (F1 and F2 the pass-band edges, F3 and F4 the stop band)
std::optional<BandKind> toleranceLayout(double f1, double f2, double f3, double f4);

// The design window's check of the band edges: one of the first three layouts.
bool bandLayoutIsValid(double f1, double f2, double f3, double f4);

// The kind a request designs: its layout's, low-pass when it forms none.
BandKind requestKind(const DesignRequest& request);

// The layout of a kind as the design windows write it ("РФ - F1<F3<F4<F2").
const char* layoutText(BandKind kind);

// The design windows' message when the edges form no layout.
extern const char* const badBandLayoutMessage;

// The bands of a request in the unit of FD, each clipped to [0, FD/2]:
// low-pass   pass [0, F1],   stop [F4, FD/2];
// high-pass  pass [F2, FD/2], stop [0, F3];
// band-pass  pass [F2, F1],  stop [0, F3] and [F4, FD/2];
// band-stop  pass [0, F1] and [F2, FD/2], stop [F3, F4].
struct FrequencyBand {
    double low = 0, high = 0;
};

struct DesignBands {
    std::vector<FrequencyBand> pass; // two for band-stop, else at most one
    std::vector<FrequencyBand> stop; // empty bands are left out
};

// The bands of a file of the given kind: the fourth-order sections of kind 2 hold a
// band-stop filter when the request forms the band-stop layout, else a band-pass one.
DesignBands designBands(FilterKind kind, const DesignRequest& request);

// Adds [low, high] clipped to [0, nyquist], unless that leaves it empty.
void addBand(std::vector<FrequencyBand>& bands, double low, double high, double nyquist);

} // namespace zorkan
