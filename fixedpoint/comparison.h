#pragma once
// One filter in every structure side by side, and the search for the cheapest fixed-point
// implementation that meets a request.
#include "fixedpoint/report.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// One row of the comparison: the structure's figures for the same target, scaling, order
// and request, or why it cannot be realised.
struct StructureFigures {
    Structure structure = Structure::Df1;
    bool realised = true;
    std::string refusal; // Russian, when not realised
    ImplementationFigures figures;
    bool bestNoise = false; // the lowest simulated noise of the realised rows
    bool cheapest = false;  // the fewest multiplications of the realised rows
};

// The structures the target has, in the table's order.
std::vector<Structure> structuresOf(Target target);

std::vector<StructureFigures> compareStructures(const FilterCoefficients& filter,
                                                const ImplementationOptions& options,
                                                const ReportOptions& report);

// The comparison as text lines (Russian, UTF-8) and as the JSON array of its rows.
std::vector<std::string> comparisonLines(const std::vector<StructureFigures>& rows);
std::string comparisonJson(const std::vector<StructureFigures>& rows);

enum class CostMeasure { Bits, Multiplications };

struct SearchRequest {
    std::optional<DesignRequest> request;
    double snr = 60; // dB, simulated
    CostMeasure cost = CostMeasure::Bits;
    int limitCycleTrials = 100;
    std::uint64_t seed = ReportOptions{}.seed;
};

// One implementation the search looked at: the fixed target, rounding nearest, saturation.
struct Candidate {
    Structure structure = Structure::Df1;
    Scaling scaling = Scaling::L1;
    SectionOrder order = SectionOrder::Ascending;
    int dataBits = 16;
    int coefBits = 16;
    int multiplications = 0;
    double snr = 0; // simulated, dB
    bool stable = false;
    bool meetsRequest = false;
    bool overflowFree = false;
    bool cycleFree = true;
    double cost(CostMeasure measure) const;
    ImplementationOptions options() const;
    // The implement arguments that reproduce it.
    std::vector<std::string> arguments() const;
};

struct SearchResult {
    bool found = false;
    Candidate best;                   // when found
    ImplementationFigures figures;    // of the best, run again as implement runs it
    std::vector<Candidate> pareto;    // cost against SNR, cheapest first
    std::optional<Candidate> closest; // when none is found: the highest SNR of the rest
    std::string why;                  // Russian, when none is found
    int evaluated = 0;                // implementations simulated
};

// The progress callback receives the fraction done (0..1) and returns false to stop.
SearchResult searchBest(const FilterCoefficients& filter, const SearchRequest& request,
                        const std::function<bool(double)>& progress = {});

std::vector<std::string> searchLines(const SearchResult& result, CostMeasure measure);
std::string searchJson(const SearchResult& result, CostMeasure measure);

} // namespace zorkan
