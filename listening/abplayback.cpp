#include "listening/abplayback.h"

#include "common/errors.h"

#include <algorithm>

namespace zorkan {

AbSource::AbSource(const std::string& original, const std::string& filtered)
    : a_(std::make_unique<SoundReader>(original)), b_(std::make_unique<SoundReader>(filtered)) {
    const SoundInfo& a = a_->info();
    const SoundInfo& b = b_->info();
    if (a.rate != b.rate || a.channels != b.channels)
        throw UserMessage("Частота или число каналов отфильтрованного файла не совпадают с "
                          "исходным");
    rate_ = a.rate;
    channels_ = a.channels;
    frames_ = std::min(a.frames, b.frames);
    // 5 ms: short enough to be heard as a switch, long enough not to click.
    fadeFrames_ = std::max(1, rate_ / 200);
}

void AbSource::select(bool filtered) {
    target_ = filtered ? 1 : 0;
}

void AbSource::seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, frames_);
    a_->seek(frame);
    b_->seek(frame);
    position_ = frame;
    mix_ = target_;
}

std::size_t AbSource::read(float* out, std::size_t frames) {
    frames = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(frames), frames_ - position_));
    if (frames == 0)
        return 0;
    const std::size_t values = frames * static_cast<std::size_t>(channels_);
    bufferA_.resize(values);
    bufferB_.resize(values);
    const std::size_t gotA = a_->read(bufferA_.data(), frames);
    const std::size_t gotB = b_->read(bufferB_.data(), frames);
    frames = std::min(gotA, gotB);
    const double step = 1.0 / fadeFrames_;
    for (std::size_t f = 0; f < frames; ++f) {
        if (mix_ < target_)
            mix_ = std::min(target_, mix_ + step);
        else if (mix_ > target_)
            mix_ = std::max(target_, mix_ - step);
        const float wb = static_cast<float>(mix_);
        for (int c = 0; c < channels_; ++c) {
            const std::size_t i = f * static_cast<std::size_t>(channels_) + c;
            // At either end of the fade one sound passes exactly.
            out[i] = mix_ == 0   ? bufferA_[i]
                     : mix_ == 1 ? bufferB_[i]
                                 : bufferA_[i] * (1 - wb) + bufferB_[i] * wb;
        }
    }
    position_ += static_cast<std::int64_t>(frames);
    return frames;
}

} // namespace zorkan
