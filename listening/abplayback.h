#pragma once
// The sound of A/B listening: the original and the filtered file (and, for a filter run
// through an implementation, its error) read side by side at one position, so that
// switching between them keeps the position to the frame. The switch fades over a few
// milliseconds, so it neither leaves a gap nor clicks.
#include "listening/soundfile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorkan {

enum class AbSound { Original, Filtered, Error };

class AbSource {
  public:
    // The files must have the same rate and channels; the length is the shortest one's.
    // The error file, when named, is played multiplied by `errorGain`.
    AbSource(const std::string& original, const std::string& filtered,
             const std::string& error = {}, double errorGain = 1);

    int rate() const { return rate_; }
    int channels() const { return channels_; }
    std::int64_t frames() const { return frames_; }
    std::int64_t position() const { return position_; }
    bool hasError() const { return static_cast<bool>(e_); }
    double errorGain() const { return errorGain_; }

    AbSound chosen() const { return chosen_; }
    bool filteredSelected() const { return chosen_ == AbSound::Filtered; }
    // Chooses a sound from the next frame read on (the error only when there is one).
    void choose(AbSound sound);
    void select(bool filtered) { choose(filtered ? AbSound::Filtered : AbSound::Original); }
    // The next sound of the switch: original, filtered, then the error where there is one.
    AbSound next() const;
    // Moves the files to a frame; the choice holds at once, without a fade.
    void seek(std::int64_t frame);
    // Up to `frames` interleaved frames from the position on; 0 at the end.
    std::size_t read(float* out, std::size_t frames);

  private:
    std::unique_ptr<SoundReader> a_, b_, e_;
    double errorGain_ = 1;
    int rate_ = 0;
    int channels_ = 0;
    int fadeFrames_ = 1;
    std::int64_t frames_ = 0;
    std::int64_t position_ = 0;
    AbSound chosen_ = AbSound::Original;
    // The shares of the three sounds: a fade goes in straight steps from the shares at
    // the switch (`from_`) to the chosen sound alone, so they always add up to 1.
    std::array<double, 3> share_{1, 0, 0}, from_{1, 0, 0};
    int fadeStep_ = 0; // frames of the fade done; fadeFrames_ when none is under way
    std::vector<float> bufferA_, bufferB_, bufferE_;
};

} // namespace zorkan
