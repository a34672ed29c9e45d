#include "design/designrun.h"

#include "design/designwriting.h"
#include "design/prototype.h"

namespace zorkan {

using namespace designwriting;

DesignOutcome designFilter(const DesignRequest& rq, const std::string& reportPath,
                           const std::string& filterPath, const AccountSink& account,
                           DesignedCascade* designed, ReportNameJoin join) {
    RunWriter run(reportPath, filterPath, account, false, join);
    run.requirements(rq, true);

    PrototypeFilter p;
    p.approximation = approximationOf(rq.approximation);
    const BandEdges edges{rq.f1, rq.f2, rq.f3, rq.f4};
    const BandMapping mapping = mapBand(edges, rq.fd);
    p.band = mapping.band;
    p.kw = mapping.kw;
    p.alpha = mapping.alpha;
    p.ws = mapping.ws;

    const Approximation a = approximationOf(rq.approximation);
    run.approximation(a);

    p.eps2 = epsilonSquared(rq.da);
    p.estimate = orderEstimate(a, p.ws, p.eps2, rq.b1);
    p.n = prototypeOrder(p.estimate);
    if (!run.order(p, a == Approximation::Elliptic))
        return run.tooLarge();
    computePoles(p, rq.da);
    return run.complete(p, rq, edges, designed);
}

} // namespace zorkan
