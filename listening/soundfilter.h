#pragma once
// A sound file through a filter parameter file's cascade: every channel with its own
// state, the filtering engine's section equation, the result written in the source's
// format and rate (or as 32-bit float), streamed in blocks.
#include "coefficients/filterfile.h"
#include "listening/soundfile.h"
#include "modelling/filtering.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorkan {

// The filter file rules of the listening tools: the cascade as the design routine
// writes it (five coefficients for band-pass only), up to 32 sections.
extern const FilterFileReader listeningReader;

// The cascade run over interleaved frames, one state per channel and section. An
// output beyond the double range is held at the largest double so that the state
// never becomes infinite or NaN; such samples are counted. A NaN input counts as 0.
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

// Frequencies in hertz where the magnitude crosses 10^(-3/20) of its largest value,
// from 0 to half the rate, for the cascade as the engine runs it (B0 taken as 1).
// Empty when it never crosses. `maximum` gets the largest magnitude.
std::vector<double> threeDecibelEdges(const std::vector<FilterSection>& sections, double rate);

struct SoundFilterOptions {
    double gainDecibels = 0;
    bool normalise = false;   // peak at -1 dBFS, in two passes
    bool floatOutput = false; // 32-bit float instead of the source's coding
};

struct SoundRunControl {
    const std::atomic<bool>* cancel = nullptr;
    // Frames done and frames to do (both passes counted when normalising).
    std::function<void(std::uint64_t done, std::uint64_t total)> onProgress;
};

struct SoundFilterResult {
    SoundInfo source;
    int outputFormat = 0;
    std::uint64_t frames = 0;
    std::uint64_t clipped = 0; // samples clipped when written, over all channels
    double gain = 1;           // applied after the filter
    double peak = 0;           // largest filtered magnitude before the gain
    std::vector<double> edges; // -3 dB edges in hertz
    bool completed = true;     // false when cancelled: the output was removed
};

// The output format for a source: its own, or 32-bit float in the same container.
int outputFormatFor(int sourceFormat, bool floatOutput);

// Quantises filtered samples for the output coding and counts those clipped:
// integers are scaled by 2^(bits - 1), rounded halves to even and clipped, then
// scaled to 32 bits; 32-bit floats are clipped to the float range; lossy codings to
// [-1, 1]. Doubles go to `doubles`, integers to `integers`.
std::uint64_t quantiseSamples(const double* samples, std::size_t count, CodingInfo coding,
                              int* integers, double* doubles);

// Filters the sound file `input` through the filter file `filterPath` into `output`.
// The output is refused before anything is opened when it is the input itself; it is
// written under a temporary name and put in place only when complete, so a failure
// or a cancel leaves the source and any older output as they were.
SoundFilterResult filterSoundFile(const std::string& filterPath, const std::string& input,
                                  const std::string& output, const SoundFilterOptions& options,
                                  const SoundRunControl& control = {});

// The summary line: format, rate, channels, length, clipped samples, -3 dB edges.
std::string soundSummary(const SoundFilterResult& result);

// The name proposed for the filtered copy: "song.wav" -> "song-filtered.wav".
std::string proposedOutputName(const std::string& input);

} // namespace zorkan
