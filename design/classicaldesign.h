#pragma once
// Every classical design: the five approximations (Butterworth, Chebyshev I and II,
// Bessel, elliptic) for the four kinds (low-pass, high-pass, band-pass, band-stop), by a
// tolerance request or by a given order. Requests the design run takes (a tolerance
// request of its three approximations and kinds) go to it unchanged; the others are
// written in its layout: the same report, the same parameter file (a band-stop filter
// as fourth-order sections, kind 2), the same design account.
#include "design/designcheck.h"
#include "design/designrun.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

struct ClassicalDesignRequest {
    // approximation 1..5; the edges F1..F4 of a tolerance request (band-stop: F1 the upper
    // edge of the lower pass band, F3 and F4 the stop band, F2 the lower edge of the upper
    // pass band); DA, B1, FD and the tables.
    DesignRequest request;
    bool byOrder = false;
    int order = 0;                     // by order: the prototype order, 1..64
    BandKind band = BandKind::LowPass; // by order
    double edge1 = 0, edge2 = 0;       // by order: the edge, or the lower and upper edges
    // A tolerance request designed here whatever its approximation, with the exact order
    // and, for elliptic designs, the exact elliptic functions, instead of the design run's
    // formulas.
    bool exact = false;
};

// Refuses, with a UserMessage, a request that cannot be designed: an approximation out of
// 1..5, FD not above zero, edges that do not form the kind's layout (or, beyond the design
// run, not below FD/2), an order out of 1..64, a figure the approximation needs not above
// zero. A tolerance request of the kind `expected`, when given, must form its layout.
void checkClassicalRequest(const ClassicalDesignRequest& request,
                           std::optional<BandKind> expected = std::nullopt);

// Whether the design run designs the request itself: a tolerance request of its three
// approximations and kinds that does not ask for the exact design.
bool designRunTakes(const ClassicalDesignRequest& request);

// The kind the request designs.
BandKind requestKind(const ClassicalDesignRequest& request);

// Checks the request and designs it. Beyond the design run, the report and the parameter
// file are written whole or not at all (a run that ends for too high an order writes its
// report only).
DesignOutcome designClassicalFilter(const ClassicalDesignRequest& request,
                                    const std::string& reportPath, const std::string& filterPath,
                                    const AccountSink& account,
                                    DesignedCascade* designed = nullptr);

// The tolerance request an order design meets: its edges with the figures its
// approximation fixes. An elliptic design has ripple DA up to its edges and attenuation
// B1 from the stop edges its order gives; the other approximations fix one figure at
// the edge only, and are refused with a UserMessage naming the figure the request lacks.
DesignRequest orderDesignRequest(const ClassicalDesignRequest& request);

// The bands a tolerance request's check measures, band-stop included.
DesignBands classicalBands(const ClassicalDesignRequest& request);

// The lines that close the account of a completed design: for a tolerance request the
// "Внимание:" lines of its check, for an order design the attenuation achieved at each
// given edge (and the pass-band ripple of Chebyshev I and elliptic designs).
std::vector<std::string> designFollowUp(const DesignedCascade& designed,
                                        const ClassicalDesignRequest& request, char separator);

} // namespace zorkan
