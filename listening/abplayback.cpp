#include "listening/abplayback.h"

#include "common/errors.h"

#include <algorithm>

namespace zorkan {

AbSource::AbSource(const std::string& original, const std::string& filtered,
                   const std::string& error, double errorGain)
    : a_(std::make_unique<SoundReader>(original)), b_(std::make_unique<SoundReader>(filtered)),
      errorGain_(errorGain) {
    if (!error.empty())
        e_ = std::make_unique<SoundReader>(error);
    const SoundInfo& a = a_->info();
    const SoundInfo& b = b_->info();
    if (a.rate != b.rate || a.channels != b.channels ||
        (e_ && (e_->info().rate != a.rate || e_->info().channels != a.channels)))
        throw UserMessage("Частота или число каналов отфильтрованного файла не совпадают с "
                          "исходным");
    rate_ = a.rate;
    channels_ = a.channels;
    frames_ = std::min(a.frames, b.frames);
    if (e_)
        frames_ = std::min(frames_, e_->info().frames);
    // 5 ms: short enough to be heard as a switch, long enough not to click.
    fadeFrames_ = std::max(1, rate_ / 200);
    fadeStep_ = fadeFrames_;
}

void AbSource::choose(AbSound sound) {
    if (sound == AbSound::Error && !e_)
        sound = AbSound::Original;
    if (sound == chosen_)
        return;
    chosen_ = sound;
    from_ = share_;
    fadeStep_ = 0;
}

AbSound AbSource::next() const {
    switch (chosen_) {
    case AbSound::Original:
        return AbSound::Filtered;
    case AbSound::Filtered:
        return e_ ? AbSound::Error : AbSound::Original;
    case AbSound::Error:
        break;
    }
    return AbSound::Original;
}

void AbSource::seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, frames_);
    a_->seek(frame);
    b_->seek(frame);
    if (e_)
        e_->seek(frame);
    position_ = frame;
    share_ = {0, 0, 0};
    share_[static_cast<std::size_t>(chosen_)] = 1;
    fadeStep_ = fadeFrames_;
}

std::size_t AbSource::read(float* out, std::size_t frames) {
    frames = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(frames), frames_ - position_));
    if (frames == 0)
        return 0;
    const std::size_t values = frames * static_cast<std::size_t>(channels_);
    bufferA_.resize(values);
    bufferB_.resize(values);
    frames = std::min(a_->read(bufferA_.data(), frames), b_->read(bufferB_.data(), frames));
    if (e_) {
        bufferE_.resize(values);
        frames = std::min(frames, e_->read(bufferE_.data(), frames));
    }
    const std::size_t target = static_cast<std::size_t>(chosen_);
    const float gain = static_cast<float>(errorGain_);
    for (std::size_t f = 0; f < frames; ++f) {
        if (fadeStep_ < fadeFrames_) {
            ++fadeStep_;
            const double t = static_cast<double>(fadeStep_) / fadeFrames_;
            for (std::size_t s = 0; s < 3; ++s)
                share_[s] = fadeStep_ == fadeFrames_ ? (s == target ? 1.0 : 0.0)
                                                     : from_[s] * (1 - t) + (s == target ? t : 0);
        }
        const float wa = static_cast<float>(share_[0]), wb = static_cast<float>(share_[1]),
                    we = static_cast<float>(share_[2]);
        for (int c = 0; c < channels_; ++c) {
            const std::size_t i = f * static_cast<std::size_t>(channels_) + c;
            const float e = e_ ? bufferE_[i] * gain : 0.0f;
            // At the end of a fade one sound passes exactly.
            out[i] = share_[0] == 1   ? bufferA_[i]
                     : share_[1] == 1 ? bufferB_[i]
                     : share_[2] == 1 ? e
                                      : bufferA_[i] * wa + bufferB_[i] * wb + e * we;
        }
    }
    position_ += static_cast<std::int64_t>(frames);
    return frames;
}

} // namespace zorkan
