#pragma once
// FIR filter design from a request: the band type, its edges in the unit of the sampling
// frequency FD, the pass-band ripple DA and the stop-band attenuation B1 in dB.
// Methods: equiripple (Parks-McClellan), least squares, Kaiser window; half-band filters
// with their zero taps exactly 0, Hilbert transformers and differentiators (types III and
// IV), and the minimum-phase filter with the magnitude of an equiripple one.
//
// The entry points other tools call:
//   smallestEquiripple(request)   the smallest equiripple FIR meeting the request, with
//                                 its achieved figures;
//   smallestMinimumPhase(request) its minimum-phase counterpart;
//   measureFir(taps, request)     the ripple and attenuation of any taps against a
//                                 request, and whether they meet it;
//   linearPhaseType(taps)         (fir/firproperties.h) the linear phase type I..IV.
#include "fir/firproperties.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zorkan {

enum class FirBandType { LowPass, HighPass, BandPass, BandStop, HalfBand, Hilbert, Differentiator };
enum class FirMethod { Equiripple, LeastSquares, Kaiser };

constexpr double defaultFirRipple = 0.5;     // DA, dB
constexpr double defaultFirAttenuation = 60; // B1, dB
constexpr double defaultFirSampling = 1;     // FD

struct FirRequest {
    FirBandType type = FirBandType::LowPass;
    double fd = defaultFirSampling;
    // Band edges in the unit of fd. Low-pass: pass F < stop F; high-pass: stop F < pass F;
    // band-pass: stop F1 < pass F1 < pass F2 < stop F2; band-stop: pass F1 < stop F1 <
    // stop F2 < pass F2; half-band: pass F < FD/4 (the stop edge, if given, FD/2 - F);
    // Hilbert transformer: pass F1 < F2 (unit gain between them); differentiator:
    // pass F (the gain 2 pi f / FD up to it), optionally stop F above it (gain 0).
    std::vector<double> pass;
    std::vector<double> stop;
    double ripple = defaultFirRipple;
    double attenuation = defaultFirAttenuation;
    // One weight per band in increasing frequency; empty: 1 in the pass bands and
    // deltaP / deltaS in the stop bands, so that both tolerances are met together.
    std::vector<double> weights;
};

// deltaP = (10^(DA/20) - 1) / (10^(DA/20) + 1), deltaS = 10^(-B1/20).
double passDeviation(double rippleDb);
double stopDeviation(double attenuationDb);

// Refuses, with a Russian message, edges out of order, outside 0 .. FD/2 or of a
// transition band of zero width, a missing or extra edge, and weights that do not fit.
void checkFirRequest(const FirRequest& request);

// The achieved figures, measured on a grid of 16 points per tap over the bands together
// (at least 16 N points) with every band edge on it and each local extremum refined on
// the continuous axis:
// the ripple 20 log10(max / min) of |H(f)| / D(f) over the pass bands (D the desired
// gain), the attenuation -20 log10 max |H(f)| over the stop bands.
struct FirDesignFigures {
    double rippleDb = 0;
    bool hasStopBand = true;
    double attenuationDb = 0; // meaningful with a stop band
    bool meets = false;       // ripple <= DA and attenuation >= B1 (1e-9 dB spared)
    std::size_t gridPoints = 0;
};
constexpr int measureDensity = 16;

// The request is checked first (checkFirRequest).
FirDesignFigures measureFir(const std::vector<double>& taps, const FirRequest& request);

struct FirOptions {
    FirMethod method = FirMethod::Equiripple;
    std::size_t taps = 0;       // 0: the smallest that meets the request (Kaiser: his formula)
    std::optional<double> beta; // Kaiser; none: from the request
    bool minimumPhase = false;  // equiripple low-pass, high-pass, band-pass, band-stop
};

struct FirDesign {
    std::vector<double> taps;
    FirMethod method = FirMethod::Equiripple;
    bool minimumPhase = false;
    bool searched = false;         // the length found by the search for the smallest
    std::size_t estimatedTaps = 0; // where the search started (or Kaiser's formula)
    double beta = 0;               // Kaiser
    std::vector<double> weights;   // the bands' weights used
    int linearPhaseType = 0;
    // (N - 1) / 2 for linear phase; for a minimum-phase filter the group delay at the
    // middle of its first pass band (at 0 for a low-pass, FD/2 for a high-pass).
    double delaySamples = 0;
    FirDesignFigures figures;
};

// The filter of the request by the method. A request needing more than maxFirTaps taps,
// a given length its type cannot have, or a method the band type has not, is refused
// with a Russian message.
FirDesign designFir(const FirRequest& request, const FirOptions& options);

FirDesign smallestEquiripple(const FirRequest& request);
FirDesign smallestMinimumPhase(const FirRequest& request);

// The usual estimate the search starts from: Kaiser's N = (-20 log10 sqrt(deltaP deltaS)
// - 13) / (14.6 df) + 1 for the narrowest transition band df (in cycles per sample).
std::size_t estimatedFirTaps(const FirRequest& request);

// The report: Russian lines (UTF-8) and one JSON object.
std::vector<std::string> firReportLines(const FirRequest& request, const FirDesign& design);
std::string firReportJson(const FirRequest& request, const FirDesign& design);

const char* firBandName(FirBandType type);   // lowpass, highpass, ...
const char* firMethodName(FirMethod method); // pm, ls, kaiser

} // namespace zorkan
