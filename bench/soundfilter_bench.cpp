// A 10-minute 44.1 kHz 16-bit stereo WAV (about 106 MB), made at run time in a scratch
// folder, filtered through the default design (7 sections) and through an FIR filter of
// 201 taps (a Hann-windowed low-pass at a quarter of the rate) beside the floor: the same
// file only read and written again through libsndfile in the same blocks. The folder is
// memory-backed /dev/shm where there is one (or ZORKAN_BENCH_DIR from the environment),
// so that the numbers measure the code and not the disk; it is removed at the end.
#include "design/designrun.h"
#include "fir/firfile.h"
#include "listening/soundfilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <random>
#include <sndfile.h>
#include <stdlib.h>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr sf_count_t tenMinutes = sf_count_t{rate} * 600;
constexpr std::size_t blockFrames = 4096;
constexpr int firTaps = 201;

// The scratch folder with the recording and the filter, made once and removed at exit.
struct Scratch {
    std::filesystem::path folder;
    std::string sound, filter, fir;
    bool ok = false;

    Scratch() {
        std::filesystem::path base = std::filesystem::temp_directory_path();
        if (const char* dir = std::getenv("ZORKAN_BENCH_DIR"))
            base = dir;
        else if (std::filesystem::is_directory("/dev/shm"))
            base = "/dev/shm";
        std::string pattern = (base / "zorkan-sound-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        folder = pattern;
        sound = (folder / "ten-minutes.wav").string();
        filter = (folder / "1.flt").string();
        zorkan::designFilter(zorkan::DesignRequest{}, (folder / "1.out").string(), filter,
                             [](const std::string&) {});
        fir = (folder / "lowpass.fir").string();
        zorkan::FirFilter lowpass;
        for (int k = 0; k < firTaps; ++k) {
            const double t = k - (firTaps - 1) / 2.0;
            const double sinc =
                t == 0 ? 0.5 : std::sin(std::numbers::pi * 0.5 * t) / (std::numbers::pi * t);
            lowpass.taps.push_back(
                sinc * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * k / (firTaps - 1))));
        }
        zorkan::writeFirFile(fir, lowpass);
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(sound.c_str(), SFM_WRITE, &info);
        if (!f)
            return;
        // Noise at a speaking level, different in each channel.
        std::mt19937 random(1);
        std::normal_distribution<double> noise(0, 3000);
        std::vector<short> block(2 * blockFrames);
        for (sf_count_t done = 0; done < tenMinutes; done += blockFrames) {
            for (short& s : block)
                s = static_cast<short>(std::clamp(noise(random), -32768.0, 32767.0));
            sf_writef_short(f, block.data(), std::min<sf_count_t>(blockFrames, tenMinutes - done));
        }
        ok = sf_close(f) == 0;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const Scratch& scratch() {
    static const Scratch s;
    return s;
}

void BM_FilterSound(benchmark::State& state) {
    const Scratch& s = scratch();
    if (!s.ok) {
        state.SkipWithError("no scratch recording");
        return;
    }
    const std::string out = (s.folder / "filtered.wav").string();
    zorkan::SoundFilterOptions options;
    options.normalise = state.range(0) != 0;
    for (auto _ : state) {
        const auto result =
            zorkan::filterSoundFile(state.range(1) ? s.fir : s.filter, s.sound, out, options);
        benchmark::DoNotOptimize(result.clipped);
    }
    state.SetItemsProcessed(state.iterations() * tenMinutes);
}

// The floor: read and write the same file in the same blocks, nothing else.
void BM_CopySound(benchmark::State& state) {
    const Scratch& s = scratch();
    if (!s.ok) {
        state.SkipWithError("no scratch recording");
        return;
    }
    const std::string out = (s.folder / "copy.wav").string();
    std::vector<double> block(2 * blockFrames);
    std::vector<int> integers(block.size());
    for (auto _ : state) {
        zorkan::SoundReader reader(s.sound);
        zorkan::SoundWriter writer(out, reader.info());
        const zorkan::CodingInfo coding = zorkan::codingOf(reader.info().format);
        while (const std::size_t got = reader.read(block.data(), blockFrames)) {
            zorkan::quantiseSamples(block.data(), 2 * got, coding, integers.data(), nullptr);
            writer.writeIntegers(integers.data(), got);
        }
        writer.close();
    }
    state.SetItemsProcessed(state.iterations() * tenMinutes);
}

} // namespace

BENCHMARK(BM_FilterSound)
    ->Name("Sound/Filter10minStereo7Sections")
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_FilterSound)
    ->Name("Sound/Filter10minStereo7SectionsNormalised")
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_FilterSound)
    ->Name("Sound/Filter10minStereoFir201Taps")
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_CopySound)
    ->Name("Sound/Copy10minStereo")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
