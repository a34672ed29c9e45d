#pragma once
// A sound file through a filter parameter file's cascade: every channel with its own
// state, the filtering engine's section equation on sections divided by their B0 (the
// filter H(z) = A(z)/B(z) that the response and the analysis show), the result written
// in the format its name asks for, streamed in blocks.
#include "analysis/filteranalysis.h"
#include "coefficients/filterfile.h"
#include "fir/firfile.h"
#include "fixedpoint/simulation.h"
#include "listening/soundfile.h"
#include "modelling/filtering.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// The filter file rules of the listening tools: the cascade as the design routine
// writes it (five coefficients for band-pass only), up to 32 sections.
extern const FilterFileReader listeningReader;

// Reads a parameter file with the listening rules and refuses what cannot be filtered:
// a file without sections and a section whose B0 is zero.
FilterCoefficients readListeningFilter(const std::string& path);

// Refuses an output name that reaches the source or the filter file.
void checkOutputName(const std::string& filterPath, const std::string& input,
                     const std::string& output);

// The cascade run over interleaved frames, one state per channel and section, with the
// engine's equation (B0 not used: give it sections divided by their B0). An output
// beyond the double range is held at the largest double so that the state never
// becomes infinite or NaN; such section outputs are counted. An infinite input is held
// at the largest double of its sign, a NaN input counts as 0.
class ChannelCascade {
  public:
    ChannelCascade(std::vector<FilterSection> sections, int channels);
    // Filters `frames` frames in place.
    void run(double* samples, std::size_t frames);
    std::uint64_t overflows() const { return overflows_; }

  private:
    std::vector<FilterSection> sections_;
    int channels_;
    std::vector<SectionState> states_; // channel-major: channel c, section k at c * N + k
    std::uint64_t overflows_ = 0;
    std::vector<double> carry_;     // outputs passed from one section to the next
    std::vector<char> secondOrder_; // A3, A4, B3 and B4 all zero
};

// An FIR filter over interleaved frames, every channel with its own history of the last
// N - 1 inputs: y[n] = the sum over k = 0 .. N-1 of h[k] x[n - k], added in double in
// that order, directly (as many products per sample as taps). The input and output
// conventions of ChannelCascade: an infinite input is held at the largest double of its
// sign, a NaN input counts as 0, an output beyond the double range is held at the
// largest double and counted.
class ChannelFir {
  public:
    ChannelFir(std::vector<double> taps, int channels);
    // Filters `frames` frames in place.
    void run(double* samples, std::size_t frames);
    std::uint64_t overflows() const { return overflows_; }

  private:
    std::vector<double> taps_;
    int channels_;
    std::vector<std::vector<double>> history_; // per channel: the last N - 1 inputs, oldest first
    std::vector<double> line_;                 // history and block of one channel
    std::vector<double> out_;
    std::uint64_t overflows_ = 0;
};

// Frequencies in hertz where the magnitude of A(z)/B(z) crosses 10^(-3/20) of its
// largest value, from 0 to half the rate. Empty when it never crosses.
std::vector<double> threeDecibelEdges(const std::vector<FilterSection>& sections, double rate);
// The same for an FIR filter's taps.
std::vector<double> firThreeDecibelEdges(const std::vector<double>& taps, double rate);

// A sound through an implementation of the filter: every channel through the bit-exact
// simulation (samples are fractions of full scale) and through the implementation's
// double reference, whose difference is the round-off of the arithmetic alone.
class ChannelImplementation {
  public:
    ChannelImplementation(const Implementation& implementation, int channels);
    ChannelImplementation(const ChannelImplementation&) = delete;
    ChannelImplementation& operator=(const ChannelImplementation&) = delete;
    // Filters `frames` frames in place; `error` (as many values) receives each output
    // minus the double reference's.
    void run(double* samples, double* error, std::size_t frames);
    long long overflows() const;
    long long inputClipped() const;

  private:
    Implementation implementation_, reference_; // the simulators hold references to these
    int channels_;
    std::vector<Simulator> simulated_, exact_;
};

struct SoundFilterOptions {
    double gainDecibels = 0;
    bool normalise = false;   // peak at -1 dBFS, in two passes
    bool floatOutput = false; // 32-bit float instead of the source's coding
    // The filtered sound is the implementation's output; the difference from its double
    // reference goes to `errorOutput` (32-bit float, before any gain) when one is named.
    std::optional<ImplementationOptions> implementation;
    std::string errorOutput;
};

struct SoundRunControl {
    const std::atomic<bool>* cancel = nullptr;
    // Frames done and frames to do (both passes counted when normalising).
    std::function<void(std::uint64_t done, std::uint64_t total)> onProgress;
};

struct SoundFilterResult {
    SoundInfo source;
    int outputFormat = 0;
    std::string formatNote; // why the output's format is not what its name asks for
    std::uint64_t frames = 0;
    std::uint64_t clipped = 0;       // samples clipped when written, over all channels
    std::uint64_t overflows = 0;     // section outputs held at the largest double
    double gain = 1;                 // applied after the filter
    double peak = 0;                 // largest filtered magnitude before the gain
    std::vector<double> edges;       // -3 dB edges in hertz
    std::vector<int> scaledSections; // sections (from 1) whose B0 is not 1
    Stability stability;
    bool completed = true; // false when cancelled: the output was removed
    // Through an implementation: its arithmetic, the section outputs that overflowed, the
    // input samples beyond full scale saturated on entry, the peak of the error and
    // the gain that brings it to -20 dBFS (1 when there is no error).
    std::optional<Arithmetic> arithmetic;
    std::vector<std::string> implementationWarnings;
    long long implementationOverflows = 0;
    long long inputClipped = 0;
    double errorPeak = 0;
    double errorGain = 1;
};

// Quantises filtered samples for the output coding and counts those clipped:
// integers are scaled by 2^(bits - 1), rounded halves to even and clipped, then
// scaled to 32 bits; 32-bit floats are clipped to the float range; lossy codings to
// [-1, 1]. Doubles go to `doubles`, integers to `integers`.
std::uint64_t quantiseSamples(const double* samples, std::size_t count, CodingInfo coding,
                              int* integers, double* doubles);

// Filters the sound file `input` through the filter file `filterPath` (a ".fir" file as
// an FIR filter's taps, any other as a parameter file) into `output`.
// The output is refused before anything is opened when it is the input or the filter
// file; it is written to a temporary file beside it (with an older file's permissions,
// through a link to the file it names) and put in place only when complete, so a
// failure or a cancel leaves the source and any older output as they were.
SoundFilterResult filterSoundFile(const std::string& filterPath, const std::string& input,
                                  const std::string& output, const SoundFilterOptions& options,
                                  const SoundRunControl& control = {});

// "WAV, 16 бит, 8000 Гц, каналов: 1, 0:00.500 (4000 кадров)".
std::string soundDescription(const SoundInfo& info, std::uint64_t frames);

// The summary line: format, rate, channels, length, clipped samples, -3 dB edges; then,
// where sections have a B0 other than 1, a line "Внимание: ..." saying how they are taken;
// through an implementation, a line naming it with the peak of its error and the gain
// that brings the error to -20 dBFS.
std::string soundSummary(const SoundFilterResult& result);

// The part of the samples clipped on writing above which the user is warned.
constexpr double clippedShareWarned = 0.001;

// "Внимание: ..." lines of what the user should know about a finished run: the output's
// format where it is not the one its name asks for, an unstable filter, outputs held at
// the largest double, an implementation's overflows, its input beyond full scale and its
// scaling's warnings, and clipped samples beyond clippedShareWarned, the last ending
// with `clipAdvice` (how to avoid them).
std::vector<std::string> soundWarnings(const SoundFilterResult& result,
                                       const std::string& clipAdvice);

// The arithmetic as the windows name it: "q15", "float с FMA", "W = 12, C = 14" ...
std::string arithmeticDescription(const Arithmetic& arithmetic);

// The name proposed for the filtered copy: "song.wav" -> "song-filtered.wav".
std::string proposedOutputName(const std::string& input);

} // namespace zorkan
