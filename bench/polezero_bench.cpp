// The pole-zero editor's computations: the realisable grid of q15 direct form I (count
// and largest gap) beside the normal form and the lattice of the same words; the Welch
// spectrum of 10 minutes of 48 kHz 16-bit mono sound, from a WAV file in a memory-backed
// scratch folder (/dev/shm where there is one, or ZORKAN_BENCH_DIR) and, beside it, of
// the same samples already in memory (the transforms alone).
#include "polezero/polegrid.h"
#include "polezero/welch.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sndfile.h>
#include <stdlib.h>
#include <vector>

namespace {

using namespace zorkan;

constexpr int rate = 48000;
constexpr sf_count_t tenMinutes = sf_count_t{rate} * 600;

void PoleGridQ15(benchmark::State& state) {
    const Structure structure = static_cast<Structure>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(poleGridFigures(structure, 16, {}));
    state.SetLabel(structureName(structure));
}
BENCHMARK(PoleGridQ15)
    ->Arg(static_cast<int>(Structure::Df1))
    ->Arg(static_cast<int>(Structure::Normal))
    ->Arg(static_cast<int>(Structure::Lattice))
    ->Unit(benchmark::kMillisecond);

std::vector<short> tenMinutesOfSamples() {
    std::vector<short> samples(static_cast<std::size_t>(tenMinutes));
    std::uint32_t seed = 12345;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        seed = seed * 1664525u + 1013904223u;
        const double tone = 8000 * std::sin(0.01 * static_cast<double>(n));
        samples[n] = static_cast<short>(tone + static_cast<double>(seed >> 20) - 2048);
    }
    return samples;
}

struct Scratch {
    std::filesystem::path folder;
    std::string sound;
    bool ok = false;
    Scratch() {
        std::filesystem::path base = std::filesystem::temp_directory_path();
        if (const char* dir = std::getenv("ZORKAN_BENCH_DIR"))
            base = dir;
        else if (std::filesystem::is_directory("/dev/shm"))
            base = "/dev/shm";
        std::string pattern = (base / "zorkan-welch-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        folder = pattern;
        sound = (folder / "ten-minutes.wav").string();
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(sound.c_str(), SFM_WRITE, &info);
        if (!f)
            return;
        const std::vector<short> samples = tenMinutesOfSamples();
        ok = sf_writef_short(f, samples.data(), tenMinutes) == tenMinutes;
        ok = sf_close(f) == 0 && ok;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

void WelchOfTenMinutesFile(benchmark::State& state) {
    static const Scratch scratch;
    if (!scratch.ok) {
        state.SkipWithError("the scratch sound could not be written");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(welchOfFile(scratch.sound, welchDefaultSegment, 0));
}
BENCHMARK(WelchOfTenMinutesFile)->Unit(benchmark::kMillisecond);

void WelchOfTenMinutesInMemory(benchmark::State& state) {
    const std::vector<short> samples = tenMinutesOfSamples();
    std::vector<double> x(samples.begin(), samples.end());
    for (double& v : x)
        v /= 32768;
    for (auto _ : state) {
        WelchAverage average(welchDefaultSegment, 1);
        average.add(x.data(), x.size());
        benchmark::DoNotOptimize(average.spectrum(rate));
    }
}
BENCHMARK(WelchOfTenMinutesInMemory)->Unit(benchmark::kMillisecond);

} // namespace
