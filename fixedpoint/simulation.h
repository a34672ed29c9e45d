#pragma once
// The bit-exact simulation of an implementation: sample by sample what the exported C
// code computes for the same coefficients, in the same order of operations.
#include "fixedpoint/implementation.h"

#include <complex>
#include <cstdint>
#include <vector>

namespace zorkan {

struct SimulationCounts {
    long long overflows = 0;    // stored values (section outputs, nodes) saturated or wrapped
    long long inputClipped = 0; // input samples beyond full scale, saturated on entry
};

// A structure other than the target's own runs the sections' programs (structures.h):
// each node's sum exact and rounded once for fixed point, each operation rounded in the
// target's type otherwise. The target's own structure:
// Fixed point: direct form I per section, acc = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2
// exactly, then the rounding and the overflow rule of the arithmetic. Floating point:
// transposed direct form II, y = b0 x + s0, s0 = (b1 x - a1 y) + s1, s1 = b2 x - a2 y,
// each operation rounded in the target's type; with FMA y = fma(b0, x, s0),
// s0 = fma(b1, x, fma(-a1, y, s1)), s1 = fma(b2, x, -(a2 y)). The CMSIS-DSP targets do
// what their kernels do (see Arithmetic); the lattice targets run the whole filter as one
// lattice-ladder (fixedpoint/lattice.h), and so does the double reference of a lattice.
class Simulator {
  public:
    explicit Simulator(const Implementation& implementation);
    void reset();

    // One sample as a fraction of full scale. Fixed point rounds it to the data word
    // on entry (nearest, half up) and saturates it there, counted in inputClipped.
    double step(double x);
    // One sample in units of the data word's last bit (fixed-point targets).
    std::int64_t stepFixed(std::int64_t x);

    // The fixed-point state: x[n-1], x[n-2], y[n-1], y[n-2] of each section (of a program:
    // its state registers, then its residues; a lattice: g_{N-1}(n-1) .. g_0(n-1)).
    std::vector<std::int64_t>& fixedState() { return fixedState_; }
    // The floating-point state s0, s1 of each section.
    std::vector<double>& floatingState() { return floatingState_; }

    const SimulationCounts& counts() const { return counts_; }
    // The value of the data word's last bit (fixed point), 2^-(W-1).
    double lastBit() const { return lastBit_; }
    std::int64_t largestData() const { return top_; }
    std::int64_t smallestData() const { return bottom_; }

  private:
    std::int64_t overflow(std::int64_t v);
    std::int64_t stepCmsis(std::int64_t x);
    // The sections' programs (a structure other than the target's own), flattened.
    struct FlatTerm {
        int slot;
        std::int64_t fixed;
        double value;
        float single;
    };
    struct FlatNode {
        std::size_t first, count;
        int fraction;
        bool feedback;
        std::int64_t r1, r2;
    };
    struct FlatSection {
        std::size_t firstNode, nodeCount;
        int states, residues, output, slotCount;
        std::size_t stateOffset; // in the fixed-point state: states, then residues
        std::size_t floatOffset; // in the floating-point states
        std::vector<int> next;
    };
    void flattenPrograms();
    std::int64_t stepProgramFixed(std::int64_t x);
    template <typename T> T stepProgramFloating(T x, std::vector<T>& state, bool fused);
    std::vector<FlatTerm> terms_;
    std::vector<FlatNode> nodes_;
    std::vector<FlatSection> sections_;
    std::vector<std::int64_t> fixedSlots_;
    std::vector<double> doubleSlots_;
    std::vector<float> floatSlots_;
    std::int64_t stepLattice(std::int64_t x);
    bool lattice_ = false;

    const Implementation& im_;
    Target target_;
    int dataBits_ = 16;
    double lastBit_ = 1;
    std::int64_t top_ = 0, bottom_ = 0;
    std::vector<int> shifts_;
    std::vector<std::int64_t> fixedState_;
    std::vector<double> floatingState_;
    std::vector<float> floatState_;
    SimulationCounts counts_;
};

// A small generator of its own, so that stimuli and start states are the same on every
// machine (xorshift, 64 bits).
class NoiseGenerator {
  public:
    explicit NoiseGenerator(std::uint64_t seed) : state_(seed ? seed : 1) {}
    std::uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    // Uniform in [-1, 1).
    double uniform() { return static_cast<double>(next() >> 11) / 4503599627370496.0 - 1; }

  private:
    std::uint64_t state_;
};

// A sample as the implementation takes it on entry: on the data word for fixed point
// (nearest, half up, saturated at full scale), in float for the float targets.
double onDataWord(const Implementation& implementation, double x);
double onDataWord(const Arithmetic& arithmetic, double x);

// White noise of the given amplitude as the implementation takes it: rounded to the data
// word for fixed point (nearest, half up), to float for the float targets.
std::vector<double> noiseStimulus(const Implementation& implementation, double amplitude,
                                  int samples, std::uint64_t seed);
std::vector<double> noiseStimulus(const Arithmetic& arithmetic, double amplitude, int samples,
                                  std::uint64_t seed);

// The golden stimulus of the exported test vectors: N samples as the implementation takes
// them (on the data word for fixed point, in float otherwise): the first half a sweep of
// full-scale amplitude whose frequency rises linearly from 0 to half the sampling rate,
// the next quarter white noise of full-scale amplitude, the rest silence, so that the
// device is checked at every frequency, under a dense signal and while it decays.
std::vector<double> goldenStimulus(const Implementation& implementation, int samples);
std::vector<double> goldenStimulus(const Arithmetic& arithmetic, int samples);

// The implementation's double reference: the same quantised coefficients in double
// arithmetic, so that a difference of outputs is the round-off alone.
Implementation doubleReference(const Implementation& implementation);

// Where the arithmetic rounds: the section and the numerator of the path from the
// rounding to that section's output, over the section's denominator (later sections
// follow whole). A direct-form-I section rounds its output, which enters its own
// feedback: 1 / A_i(z). A program rounds every node whose sum is not already on the data
// word; error feedback shapes its rounding by its integers. Where one product is summed
// twice, c v into node A at sample n and -c v into node B at sample n + 1, all else exact,
// B's rounding error is A's negated one sample later: one source, whose path is A's
// minus B's delayed (a numerator of degree 3); `meanNum` sums the paths, for the mean of
// truncation, which does not cancel.
struct RoundingPoint {
    std::size_t section = 0;
    double num[4] = {1, 0, 0, 0};
    double meanNum[4] = {1, 0, 0, 0};
};
std::vector<RoundingPoint> roundingPoints(const Implementation& implementation);

// The path of a rounding to the cascade's output at angle w (radians per sample): its
// numerator (`mean`: the mean's) over its section's denominator, then every later section.
std::complex<long double> roundingPathAt(const std::vector<SecondOrderSection>& quantised,
                                         const RoundingPoint& point, long double w,
                                         bool mean = false);

// The whole signal through a fresh simulator.
std::vector<double> simulate(const Implementation& implementation, const std::vector<double>& input,
                             SimulationCounts* counts = nullptr);

} // namespace zorkan
