#pragma once
// IIR or FIR: every design that meets one tolerance request, side by side. The five
// classical approximations at their smallest order (the exact designs of the all-types
// design window) and the smallest equiripple FIR filter, linear-phase and minimum-phase,
// each with what it costs per sample, the group delay over the pass band and, for a
// target arithmetic, what its quantised coefficients do.
#include "coefficients/filterfile.h"
#include "design/request.h"
#include "fixedpoint/implementation.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zorkan {

enum class CandidateType { Iir, Fir };

// The designs compared, in the order they are listed.
enum class CandidateDesign {
    Butterworth,
    Chebyshev,
    Elliptic,
    InverseChebyshev,
    Bessel,
    Equiripple,            // linear phase
    MinimumPhaseEquiripple // the same magnitude, minimum phase
};

// A candidate in the target arithmetic.
struct QuantisedFigures {
    bool meetsRequest = false;      // the quantised filter, measured against the request
    std::optional<double> snrDb;    // the stated signal-to-noise ratio, where there is one
    std::optional<int> minCoefBits; // the shortest coefficient word (fixed-point targets)
};

struct AdviceCandidate {
    CandidateDesign design = CandidateDesign::Butterworth;
    CandidateType type = CandidateType::Iir;
    int order = 0; // the prototype order of an IIR filter, the taps of an FIR filter
    // Per output sample: an IIR filter as the arithmetic's own structure computes its
    // sections (the target's, double precision without one), an FIR filter as one sum of
    // products whose symmetric (or antisymmetric) pairs of taps are added first, so that a
    // linear-phase filter multiplies each pair once.
    int multiplications = 0;
    int additions = 0;
    int stateWords = 0; // the delay line or the sections' states
    int coefWords = 0;  // the coefficients stored (a pair of equal taps once)
    // The group delay in samples over the pass band (both pass bands of a band-stop
    // filter); a linear-phase filter delays every frequency by exactly (N - 1) / 2.
    double groupDelayMin = 0;
    double groupDelayMax = 0;
    std::optional<QuantisedFigures> quantised; // with a target
    FilterCoefficients filter;                 // IIR: the cascade the design writes
    std::vector<double> taps;                  // FIR: h[0] ... h[N-1]
};

// A design that could not be made (an order beyond what the design writes, a filter of
// more taps than an FIR file holds), with the reason.
struct SkippedDesign {
    CandidateDesign design;
    std::string reason;
};

struct Advice {
    DesignRequest request;
    std::optional<Arithmetic> target;
    std::vector<AdviceCandidate> candidates;
    std::vector<SkippedDesign> skipped;
    std::size_t cheapest = 0; // fewest multiplications (then fewest additions, then first)
    std::size_t flattest = 0; // smallest group-delay variation (then first)
};

// The name of a design as the commands spell it: butterworth, chebyshev, elliptic,
// chebyshev2, bessel (design --approx), pm, pm-minimum-phase.
const char* candidateName(CandidateDesign design);
// Its Russian name in the table.
const char* candidateTitle(CandidateDesign design);

// Refuses, with a UserMessage, a request whose edges form no layout, or not below FD/2,
// FD not above zero, DA or B1 not above zero, or B1 not above DA.
void checkAdviceRequest(const DesignRequest& request);

// Designs and measures every candidate. `target` as the implement command takes it
// (q15, q31, float or fixed with its words).
Advice adviseDesigns(const DesignRequest& request, const std::optional<Arithmetic>& target);

// The classical design of a candidate, as the all-types design window runs it: the
// request with the candidate's approximation, exact.
DesignRequest candidateRequest(const DesignRequest& request, CandidateDesign design);

// The report of an FIR candidate, as design-fir writes it (UTF-8 lines).
std::vector<std::string> firCandidateReport(const DesignRequest& request,
                                            const AdviceCandidate& candidate);

// Saves a candidate with its report: an IIR filter as its exact design writes the report
// (".out") and the parameter file (".flt"), an FIR filter as its taps (".fir") and the
// report of design-fir (CP1251); both files are written in full before either takes its
// place (the design run replaces its two files whole).
void saveCandidate(const DesignRequest& request, const AdviceCandidate& candidate,
                   const std::string& reportPath, const std::string& filterPath);

// The comparison as Russian text lines and as one JSON object.
std::vector<std::string> adviceLines(const Advice& advice);
std::string adviceJson(const Advice& advice);

} // namespace zorkan
