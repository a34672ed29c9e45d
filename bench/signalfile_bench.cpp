// Signal files of a million samples: SignalFile against plain stdio doing the same job
// (fprintf of "%23.14E" lines, fgets + strtod). Memory is watched through the peak
// resident size, which must not grow with the file.
#include "bench/benchfiles.h"
#include "modelling/signalfile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int sampleCount = 1000000;

double sampleValue(int i) {
    return (i % 4093) * 0.0123456789 - 25.0;
}

double peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void writeWithSignalFile(const std::string& path) {
    zorkan::TextWriter out(path);
    for (int i = 0; i < sampleCount; ++i)
        zorkan::writeSample(out, sampleValue(i));
    out.close();
}

void writeWithStdio(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    for (int i = 0; i < sampleCount; ++i)
        std::fprintf(f, "%23.14E\r\n", sampleValue(i));
    std::fclose(f);
}

template <void (*Write)(const std::string&)> void BM_Write(benchmark::State& state) {
    std::string path = zorkan::bench::scratchPath("write.xicd");
    double peakBefore = peakResidentMb();
    for (auto _ : state)
        Write(path);
    state.SetItemsProcessed(state.iterations() * sampleCount);
    state.counters["bytes_per_sample"] =
        static_cast<double>(std::filesystem::file_size(path)) / sampleCount;
    state.counters["peak_rss_growth_MB"] = peakResidentMb() - peakBefore;
    std::filesystem::remove(path);
}

double readWithSignalFile(const std::string& path) {
    double sum = 0;
    std::size_t n = zorkan::forEachSample(path, [&](double v) { sum += v; });
    if (n != sampleCount)
        std::abort();
    return sum;
}

double readWithStdio(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        std::abort();
    char line[128];
    double sum = 0;
    int n = 0;
    while (std::fgets(line, sizeof line, f)) {
        sum += std::strtod(line, nullptr);
        ++n;
    }
    std::fclose(f);
    if (n != sampleCount)
        std::abort();
    return sum;
}

template <double (*Read)(const std::string&)> void BM_Read(benchmark::State& state) {
    std::string path = zorkan::bench::scratchPath("read.xicd");
    writeWithSignalFile(path);
    double peakBefore = peakResidentMb();
    for (auto _ : state)
        benchmark::DoNotOptimize(Read(path));
    state.SetItemsProcessed(state.iterations() * sampleCount);
    state.counters["peak_rss_growth_MB"] = peakResidentMb() - peakBefore;
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK(BM_Write<writeWithSignalFile>)->Name("Write/SignalFile")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write<writeWithStdio>)->Name("Write/fprintf")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read<readWithSignalFile>)->Name("Read/SignalFile")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read<readWithStdio>)->Name("Read/fgets+strtod")->Unit(benchmark::kMillisecond);
