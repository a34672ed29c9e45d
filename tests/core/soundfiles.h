#pragma once
// Sound files for the listening tests, written and read straight through libsndfile.
#include <sndfile.h>
#include <string>
#include <vector>

namespace zorkan::testing {

struct SoundData {
    SF_INFO info{};
    std::vector<double> samples; // interleaved, as libsndfile normalises them
};

// Writes interleaved samples given at 32-bit scale (a 16-bit sample s as s << 16).
inline bool writeSound(const std::string& path, int format, int rate, int channels,
                       const std::vector<int>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_int(f, samples.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

// Writes interleaved samples as doubles (for float codings, infinities and NaN pass).
inline bool writeSoundDoubles(const std::string& path, int format, int rate, int channels,
                              const std::vector<double>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_double(f, samples.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

// What libsndfile itself says when it is asked to open the file for reading.
inline std::string openingFailure(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f) {
        sf_close(f);
        return {};
    }
    return sf_strerror(nullptr);
}

inline SoundData readSound(const std::string& path) {
    SoundData d;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &d.info);
    if (!f)
        return d;
    d.samples.resize(static_cast<std::size_t>(d.info.frames * d.info.channels));
    d.samples.resize(static_cast<std::size_t>(sf_readf_double(f, d.samples.data(), d.info.frames) *
                                              d.info.channels));
    sf_close(f);
    return d;
}

} // namespace zorkan::testing
