#include "listening/abdevice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zorkan::ui {

AbDevice::AbDevice(AbSource& source, QObject* parent) : QIODevice(parent), source_(source) {}

qint64 AbDevice::bytesAvailable() const {
    return (source_.frames() - source_.position()) * source_.channels() * 2 +
           QIODevice::bytesAvailable();
}

bool AbDevice::atEnd() const {
    return source_.position() >= source_.frames();
}

qint64 AbDevice::readData(char* data, qint64 maxSize) {
    const std::size_t channels = static_cast<std::size_t>(source_.channels());
    const std::size_t frames = static_cast<std::size_t>(maxSize) / (2 * channels);
    buffer_.resize(frames * channels);
    const std::size_t got = source_.read(buffer_.data(), frames);
    for (std::size_t i = 0; i < got * channels; ++i) {
        // The same scale as the files: a 16-bit sample is the value times 32768.
        const float scaled = std::nearbyint(buffer_[i] * 32768.0f);
        const auto sample = static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
        std::memcpy(data + 2 * i, &sample, 2);
    }
    return static_cast<qint64>(got * channels * 2);
}

} // namespace zorkan::ui
