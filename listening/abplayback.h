#pragma once
// The sound of A/B listening: the original and the filtered file read side by side at
// one position, so that switching between them keeps the position to the frame. The
// switch fades over a few milliseconds, so it neither leaves a gap nor clicks.
#include "listening/soundfile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorkan {

class AbSource {
  public:
    // Both files must have the same rate and channels; the length is the shorter one's.
    AbSource(const std::string& original, const std::string& filtered);

    int rate() const { return rate_; }
    int channels() const { return channels_; }
    std::int64_t frames() const { return frames_; }
    std::int64_t position() const { return position_; }

    bool filteredSelected() const { return target_ == 1; }
    // Chooses the filtered (true) or the original sound from the next frame read on.
    void select(bool filtered);
    // Moves both files to a frame; the choice holds at once, without a fade.
    void seek(std::int64_t frame);
    // Up to `frames` interleaved frames from the position on; 0 at the end.
    std::size_t read(float* out, std::size_t frames);

  private:
    std::unique_ptr<SoundReader> a_, b_;
    int rate_ = 0;
    int channels_ = 0;
    int fadeFrames_ = 1;
    std::int64_t frames_ = 0;
    std::int64_t position_ = 0;
    double mix_ = 0; // share of the filtered sound, 0..1
    double target_ = 0;
    std::vector<float> bufferA_, bufferB_;
};

} // namespace zorkan
