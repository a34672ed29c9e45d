#pragma once
// An implementation of a FIR filter (the taps of a ".fir" file) in the arithmetic of a
// device, and its bit-exact simulation: y[n] = h[0] x[n] + h[1] x[n-1] + ... +
// h[N-1] x[n-N+1] with the taps the arithmetic holds.
#include "fir/firfile.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/simulation.h"

#include <cstdint>
#include <vector>

namespace zorkan {

// The arithmetic of the taps:
// - double, float: the sum over the taps from the oldest sample to the newest,
//   h[N-1] x[n-N+1] first, each product and each sum rounded in the type, none fused;
// - q15 (W 16, C 32), q31 (W 32, C 32), fixed (W, C of one's own): data of W bits, the taps
//   as integers c[k] = round(h[k] 2^(C-1-s)) (halves away from zero), s the smallest
//   shift >= 0 for which the sum of |c[k]| stays below 2^(C-1), so that every tap fits in
//   C bits and the one accumulator, exact, in 64 bits; the accumulator rounded once, in
//   units of 2^(C-1-s): floor(v + 1/2) (nearest) or floor(v) (truncate), then saturated
//   to the W-bit word or wrapped modulo 2^W;
// - cmsis-fir-q15 (arm_fir_q15): taps and data 1.15 (round(h 2^15), halves away from
//   zero, inside [-1, 1)); the 2.30 products summed exactly in a 64-bit accumulator
//   (34.30), shifted right by 15 (towards minus infinity), the low 32 bits of that
//   saturated to 16 bits;
// - cmsis-fir-q31 (arm_fir_q31): taps and data 1.31; the 2.62 products summed in a 64-bit
//   accumulator that wraps modulo 2^64, shifted right by 31 and its low 32 bits kept:
//   the output wraps, it never saturates;
// - cmsis-fir-f32 (arm_fir_f32): float taps, the sum as for float above (the kernel's
//   scalar loop, from the oldest sample, acc += state * coefficient).
struct FirImplementation {
    Arithmetic arithmetic;
    std::vector<double> taps;        // h[0] ... h[N-1] of the file
    std::vector<std::int64_t> fixed; // fixed-point targets: the integer taps
    int fraction = 0;                // fixed point: a tap is fixed[k] * 2^-fraction
    std::vector<float> single;       // float targets
    std::vector<double> quantised;   // the taps the arithmetic holds, exactly
};

// The targets a ".fir" file takes: double, float, q15, q31, fixed and the CMSIS-DSP FIR
// kernels; any other is refused with a UserMessage.
void checkFirTarget(Target target);

// The taps in the arithmetic (the table's words, rounding and overflow where the target
// fixes them); taps that do not fit the words are refused with a UserMessage.
FirImplementation realiseFir(const FirFilter& filter, const Arithmetic& arithmetic);

// The simulation, sample by sample, of exactly what the exported code computes.
class FirSimulator {
  public:
    explicit FirSimulator(const FirImplementation& implementation);
    void reset();
    // One sample as a fraction of full scale. Fixed point rounds it to the data word on
    // entry (nearest, half up) and saturates it there, counted in inputClipped.
    double step(double x);
    // One sample in units of the data word's last bit (fixed-point targets).
    std::int64_t stepFixed(std::int64_t x);

    const SimulationCounts& counts() const { return counts_; }
    double lastBit() const { return lastBit_; }

  private:
    // The delay line twice over, so that the window of the last N samples, newest first,
    // is always contiguous at `position_`.
    template <typename T> void push(std::vector<T>& line, T x);

    const FirImplementation& im_;
    std::size_t taps_ = 0;
    std::size_t position_ = 0;
    std::vector<std::int64_t> fixedLine_;
    std::vector<double> doubleLine_;
    std::vector<float> floatLine_;
    double lastBit_ = 1;
    std::int64_t top_ = 0, bottom_ = 0;
    SimulationCounts counts_;
};

// The whole signal through a fresh simulator.
std::vector<double> simulateFir(const FirImplementation& implementation,
                                const std::vector<double>& input,
                                SimulationCounts* counts = nullptr);

// The exact output of the taps (as held, `quantised`) in extended precision, for the input.
std::vector<long double> exactFirOutput(const std::vector<double>& taps,
                                        const std::vector<double>& input);

} // namespace zorkan
