// A 10-minute 44.1 kHz 8-bit mono sound file (26.46 million samples) converted to a
// signal file and written back onto its header, beside the signal writer and reader
// doing the same number of lines. Files go to memory-backed /dev/shm where there is one
// (or to ZORKAN_BENCH_DIR), so that the numbers measure the code and not the disk.
#include "modelling/signalfile.h"
#include "sound/wavconvert.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::uint32_t tenMinutes = 44100 * 600;

std::filesystem::path scratchFolder() {
    if (const char* dir = std::getenv("ZORKAN_BENCH_DIR"))
        return dir;
    if (std::filesystem::is_directory("/dev/shm"))
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

std::string scratchPath(const char* name) {
    return (scratchFolder() / ("zorkan-bench-" + std::to_string(::getpid()) + "-" + name)).string();
}

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string makeHeader() {
    std::string h = "RIFF";
    putLe(h, 36 + tenMinutes, 4);
    h += "WAVEfmt ";
    putLe(h, 16, 4);
    putLe(h, 1, 2);
    putLe(h, 1, 2);
    putLe(h, 44100, 4);
    putLe(h, 44100, 4);
    putLe(h, 1, 2);
    putLe(h, 8, 2);
    h += "data";
    putLe(h, tenMinutes, 4);
    return h;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Removes the sound file when the run ends.
struct ScratchFile {
    std::string path;
    ~ScratchFile() { std::filesystem::remove(path); }
};

// The sound file, written once.
const std::string& soundFile() {
    static const ScratchFile file{[] {
        std::string p = scratchPath("ten-minutes.wav");
        std::string bytes = makeHeader();
        bytes.reserve(44 + tenMinutes);
        for (std::uint32_t i = 0; i < tenMinutes; ++i)
            bytes.push_back(static_cast<char>(128 + (i * 7 % 200) - 100));
        writeFile(p, bytes);
        return p;
    }()};
    return file.path;
}

void BM_ConvertWav(benchmark::State& state) {
    const std::string signal = scratchPath("x1.xicd");
    const std::string header = scratchPath("Y1.wav");
    for (auto _ : state)
        zorkan::convertWavFile(soundFile(), signal, header);
    state.SetItemsProcessed(state.iterations() * tenMinutes);
    std::filesystem::remove(header);
    std::filesystem::remove(signal);
}

void BM_SignalWriter(benchmark::State& state) {
    const std::string signal = scratchPath("yardstick.xicd");
    for (auto _ : state) {
        zorkan::TextWriter out(signal);
        for (std::uint32_t i = 0; i < tenMinutes; ++i)
            zorkan::writeSample(out, static_cast<double>(static_cast<int>(i * 7 % 200) - 100));
        out.close();
    }
    state.SetItemsProcessed(state.iterations() * tenMinutes);
    std::filesystem::remove(signal);
}

void BM_WriteBack(benchmark::State& state) {
    const std::string signal = scratchPath("y1.yicd");
    const std::string header = scratchPath("Y1.wav");
    zorkan::convertWavFile(soundFile(), signal, header);
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(header, makeHeader());
        state.ResumeTiming();
        zorkan::appendSignalFile(signal, header);
    }
    state.SetItemsProcessed(state.iterations() * tenMinutes);
    if (std::filesystem::file_size(header) != 44 + std::uintmax_t{tenMinutes})
        state.SkipWithError("wrong size written");
    std::filesystem::remove(header);
    std::filesystem::remove(signal);
}

void BM_SignalReader(benchmark::State& state) {
    const std::string signal = scratchPath("yardstick-read.xicd");
    const std::string header = scratchPath("yardstick-read.wav");
    zorkan::convertWavFile(soundFile(), signal, header);
    for (auto _ : state) {
        double sum = 0;
        zorkan::forEachSample(signal, [&](double v) { sum += v; });
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * tenMinutes);
    std::filesystem::remove(header);
    std::filesystem::remove(signal);
}

} // namespace

BENCHMARK(BM_ConvertWav)->Name("Wav/Convert10min")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SignalWriter)
    ->Name("Wav/SignalWriter10min")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_WriteBack)->Name("Wav/WriteBack10min")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SignalReader)
    ->Name("Wav/SignalReader10min")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
