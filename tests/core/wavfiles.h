#pragma once
// A small writer of canonical PCM WAV files for the tests: the 44-byte header
// (RIFF, "fmt " of 16 bytes, "data") followed by the given data bytes.
#include <cstdint>
#include <string>

namespace zorkan::testing {

inline void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline std::string wavHeader(std::uint32_t dataBytes, int channels, std::uint32_t rate,
                             int bitsPerSample) {
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels * bitsPerSample / 8);
    std::string h = "RIFF";
    putLe(h, 36 + dataBytes, 4);
    h += "WAVEfmt ";
    putLe(h, 16, 4);
    putLe(h, 1, 2); // PCM
    putLe(h, static_cast<std::uint32_t>(channels), 2);
    putLe(h, rate, 4);
    putLe(h, rate * blockAlign, 4);
    putLe(h, blockAlign, 2);
    putLe(h, static_cast<std::uint32_t>(bitsPerSample), 2);
    h += "data";
    putLe(h, dataBytes, 4);
    return h;
}

// `frames` frames of a tone sweeping through every byte value.
inline std::string wavFile(std::uint32_t frames, int channels, std::uint32_t rate,
                           int bitsPerSample) {
    const std::uint32_t dataBytes =
        frames * static_cast<std::uint32_t>(channels * bitsPerSample / 8);
    std::string out = wavHeader(dataBytes, channels, rate, bitsPerSample);
    for (std::uint32_t i = 0; i < dataBytes; ++i)
        out.push_back(static_cast<char>((i * 37 + i / 251) & 0xFF));
    return out;
}

} // namespace zorkan::testing
