#include "spectral/spectrumtable.h"

#include "common/errors.h"

#include <cfenv>
#include <cmath>

namespace zorkan {

SpectralState& spectralState() {
    static SpectralState state;
    return state;
}

void resetSpectralState() {
    spectralState() = SpectralState{};
}

void setPolar(SpectrumPoint& point) {
    point.magnitude = std::sqrt(point.re * point.re + point.im * point.im);
    if (point.re != 0) {
        // A quotient too large for a double has the arctangent ±π/2 all the same; its
        // overflow is no fault of the point's.
        std::fexcept_t before;
        std::fegetexceptflag(&before, FE_OVERFLOW);
        point.phase = std::atan(point.im / point.re);
        std::fesetexceptflag(&before, FE_OVERFLOW);
    } else if (point.im > 0)
        point.phase = halfPi;
    else if (point.im < 0)
        point.phase = -halfPi;
    else
        point.phase = 0;
}

void clearFloatFaults() {
    std::feclearexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO);
}

int floatFaults() {
    return std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO);
}

void raiseFloatFaults() {
    raiseFloatFaults(floatFaults());
}

void raiseFloatFaults(int raised) {
    if (raised == 0)
        return;
    clearFloatFaults();
    // Inputs are finite, so an invalid step comes from an infinity that an overflow made.
    if (raised & FE_OVERFLOW)
        throwOverflow();
    if (raised & FE_DIVBYZERO)
        throwDivisionByZero();
    throwInvalidOperation();
}

} // namespace zorkan
