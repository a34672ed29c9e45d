#pragma once
// The 1024 complex points that spectral analysis works on, the process's three tables of
// them and the two transform coefficients, and the polar form of a point.
#include <array>
#include <cstddef>

namespace zorkan {

constexpr std::size_t spectrumLength = 1024; // 2^10, fixed

struct SpectrumPoint {
    double re = 0;
    double im = 0;
    double magnitude = 0;
    double phase = 0;
};

using SpectrumPoints = std::array<SpectrumPoint, spectrumLength>;

// θ = 2π/1024 and π/2, as the transforms and setPolar use them.
constexpr double spectralStep = 0.006135923151542565;
constexpr double halfPi = 1.5707963267948966;

// What spectral analysis keeps for the whole run: the working table, the copy of the
// input and the result that the commands keep apart, and the coefficients of the two
// transforms that take one. Everything starts at zero.
struct SpectralState {
    SpectrumPoints SpectrumTable{};
    SpectrumPoints SpectrumBackup{};
    SpectrumPoints SpectrumResult{};
    double RecursiveCoefficient = 0;
    double ShiftCoefficient = 0;
};

SpectralState& spectralState();
// Back to the state of a fresh run (tests).
void resetSpectralState();

// magnitude := √(re² + im²); phase := arctan(im / re) as a principal value (the quadrant
// is not restored), or ±π/2 or 0 on the imaginary axis.
void setPolar(SpectrumPoint& point);

// Floating-point faults of the transforms and readers. The steps run in plain double
// arithmetic; a step that overflowed or turned invalid leaves its flag, and the operation
// reports it as the platform does ("Floating point overflow" and the like).
void clearFloatFaults();
int floatFaults();                 // the flags up since the last clear (of this thread)
void raiseFloatFaults();           // throws a FloatError when a flag is up
void raiseFloatFaults(int raised); // the same for flags gathered elsewhere

} // namespace zorkan
