#include "polezero/livelistening_qt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zorkan::ui {

namespace {

// What the device offers at a time: the sink asks for no more than its buffer anyway.
constexpr qint64 offeredBytes = 1 << 16;
constexpr double fullScale = 32768.0;

} // namespace

LiveFilterDevice::LiveFilterDevice(const std::string& path,
                                   const std::vector<SecondOrderSection>& sections, QObject* parent)
    : QIODevice(parent), reader_(path), rate_(reader_.info().rate),
      channels_(reader_.info().channels), filter_(sections, channels_, rate_) {}

void LiveFilterDevice::setSections(const std::vector<SecondOrderSection>& sections) {
    const std::lock_guard lock(mutex_);
    pending_ = sections;
}

qint64 LiveFilterDevice::bytesAvailable() const {
    return offeredBytes + QIODevice::bytesAvailable();
}

qint64 LiveFilterDevice::readData(char* data, qint64 maxSize) {
    {
        const std::lock_guard lock(mutex_);
        if (pending_) {
            filter_.setSections(*pending_);
            pending_.reset();
        }
    }
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const std::size_t frames = static_cast<std::size_t>(maxSize) / (2 * channels);
    buffer_.resize(frames * channels);
    std::size_t got = 0;
    bool restarted = false;
    while (got < frames) {
        const std::size_t n = reader_.read(buffer_.data() + got * channels, frames - got);
        if (n == 0) {
            // The end: from the start again, unless the file holds nothing.
            if (restarted)
                break;
            reader_.seek(0);
            restarted = true;
            continue;
        }
        restarted = false;
        got += n;
    }
    filter_.run(buffer_.data(), got);
    for (std::size_t i = 0; i < got * channels; ++i) {
        const double scaled =
            std::clamp(std::nearbyint(buffer_[i] * fullScale), -fullScale, fullScale - 1);
        const auto sample = static_cast<std::int16_t>(scaled);
        std::memcpy(data + 2 * i, &sample, 2);
    }
    return static_cast<qint64>(got * channels * 2);
}

} // namespace zorkan::ui
