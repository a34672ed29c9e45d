#include "advice/firquantised.h"

#include "fixedpoint/firreport.h"

namespace zorkan {

QuantisedFigures quantisedFir(const std::vector<double>& taps, const Arithmetic& arithmetic,
                              const DesignRequest& request) {
    ReportOptions report;
    report.request = request;
    report.smallestWords = fixedPointTarget(arithmetic.target);
    const FirFigures f = firFigures(FirFilter{taps}, arithmetic, report);
    QuantisedFigures q;
    q.meetsRequest = f.meetsRequest;
    if (!f.noiselessSimulation)
        q.snrDb = f.snrSimulatedDb;
    q.minCoefBits = f.minCoefBits;
    return q;
}

} // namespace zorkan
