#pragma once
// The equiripple (minimax) linear-phase FIR filter: the Parks-McClellan design by the
// Remez exchange on a dense frequency grid, in double, with the barycentric Lagrange
// form, followed by a refinement of the extremal frequencies on the continuous axis.
// Frequencies are in cycles per sample, 0 .. 0.5.
#include <cstddef>
#include <vector>

namespace zorkan {

// h[n] = h[N-1-n] (types I and II) or h[n] = -h[N-1-n] (types III and IV).
enum class FirSymmetry { Even, Odd };

// One band of a linear-phase design. The amplitude A(f) (the response with its linear
// phase taken away) is to follow D(f) = gain, or D(f) = gain * f in a proportional band
// (a differentiator), with the error weighted by W(f) = weight, or weight / (gain * f) in
// a proportional band, so that there the weight multiplies the relative error.
struct FirBand {
    double lo = 0;
    double hi = 0;
    double gain = 0;
    double weight = 1;
    bool proportional = false;

    double desired(double f) const { return proportional ? gain * f : gain; }
    double errorWeight(double f) const { return proportional ? weight / (gain * f) : weight; }
};

// Grid points per tap across 0 .. 0.5 (at least 16).
constexpr int defaultGridDensity = 16;
// Grid exchanges before the design is given up.
constexpr int maxRemezIterations = 100;

struct EquirippleDesign {
    std::vector<double> taps;
    double deviation = 0; // the weighted error's equal ripple
    int iterations = 0;   // exchanges on the grid
    std::vector<double> extremalFrequencies;
};

// The linear phase type (1..4) of `taps` taps of the symmetry.
int linearPhaseTypeOf(std::size_t taps, FirSymmetry symmetry);

// The minimax design of `taps` taps over the bands (in increasing frequency, not
// overlapping). A design that does not converge in maxRemezIterations exchanges, or one
// whose bands hold too few grid points, is refused with a Russian message.
EquirippleDesign designEquiripple(std::size_t taps, FirSymmetry symmetry,
                                  const std::vector<FirBand>& bands,
                                  int gridDensity = defaultGridDensity);

// The amplitude A(f) of linear-phase taps: sum h[n] cos(2 pi f (c - n)) for symmetric
// taps, sum h[n] sin(2 pi f (c - n)) for antisymmetric ones, c = (N - 1) / 2.
double linearPhaseAmplitude(const std::vector<double>& taps, FirSymmetry symmetry, double f);

} // namespace zorkan
