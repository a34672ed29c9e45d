#pragma once
// The design run: prototype, sections, the report, the parameter file and the
// lines of the design account, step by step.
#include "coefficients/filterfile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorkan {

// What the design window collects. Frequencies share the unit of fd.
struct DesignRequest {
    int approximation = 1; // 1 Butterworth, 2 Chebyshev, 3 elliptic
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

// The design window's check of the band edges: band-pass F3 < F2 < F1 < F4,
// low-pass F1 < F4 with F3 = F2 = 0, high-pass F3 < F2 with F1 = F4 = 0 (exact zeros).
bool bandLayoutIsValid(double f1, double f2, double f3, double f4);

// Its message when no layout holds.
extern const char* const badBandLayoutMessage;

// Receives each line of the design account (UTF-8) as soon as it is produced.
using AccountSink = std::function<void(const std::string& line)>;

enum class DesignOutcome {
    Completed,
    OrderTooLarge, // more than 32 sections: "Большой порядок фильтра - ВЫХОД"
};

// The cascade a completed run wrote to the parameter file, for whoever wants to look
// at it further (the check of the design against its request).
struct DesignedCascade {
    FilterKind kind = lowPass;
    std::vector<FilterSection> sections;
};

// Runs the design. The report (CP1251, CR LF) and the parameter file are created
// anew. A floating-point fault stops the run with a FloatError at the step where it
// happens; both files keep the complete lines written until then, and the account
// keeps the lines already delivered. A file that cannot be created raises an
// InOutError before anything is written to it. When `designed` is given, a completed
// run leaves its cascade there; the files and the account are the same either way.
DesignOutcome designFilter(const DesignRequest& request, const std::string& reportPath,
                           const std::string& filterPath, const AccountSink& account,
                           DesignedCascade* designed = nullptr);

} // namespace zorkan
