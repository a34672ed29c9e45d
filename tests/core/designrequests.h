#pragma once
// The design requests the tests build: a tolerance request by the approximation's code, the
// edges F1..F4, DA, B1 and FD; everything else keeps the design window's defaults.
#include "design/request.h"

namespace zorkan::testing {

inline DesignRequest designRequest(int approximation, double f1, double f2, double f3, double f4,
                                   double da = DesignRequest{}.da, double b1 = DesignRequest{}.b1,
                                   double fd = DesignRequest{}.fd) {
    DesignRequest rq;
    rq.approximation = approximation;
    rq.f1 = f1;
    rq.f2 = f2;
    rq.f3 = f3;
    rq.f4 = f4;
    rq.da = da;
    rq.b1 = b1;
    rq.fd = fd;
    return rq;
}

} // namespace zorkan::testing
