// The transform with spectrum shift: 1024 × 1024 cosines and sines. Measured beside the
// plain single-threaded loop that only evaluates those same cosines and sines, and beside
// the whole work of "zorkan-cli spectrum ppf" short of starting the process: reading the
// signal file, the transform, the three pictures, the result file and the printed table.
// CPU times of the transform count both threads (the process's time).
#include "bench/benchfiles.h"
#include "common/textnumbers.h"
#include "spectral/recursive.h"
#include "spectral/spectralcommands.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace zorkan;

std::unique_ptr<SpectrumPoints> input() {
    auto table = std::make_unique<SpectrumPoints>();
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        (*table)[n].re = std::sin(0.05 * static_cast<double>(n));
        (*table)[n].im = 0.25 * std::cos(0.3 * static_cast<double>(n));
    }
    return table;
}

// The baseline: every angle (kθ)·n, its cosine and its sine, and nothing else.
void CosSinLoop(benchmark::State& state) {
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t k = 0; k < spectrumLength; ++k) {
            const double kStep = static_cast<double>(k) * spectralStep;
            for (std::size_t n = 0; n < spectrumLength; ++n) {
                const double phi = kStep * static_cast<double>(n);
                sum += std::cos(phi) - std::sin(phi);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(CosSinLoop)->Unit(benchmark::kMillisecond);

void ShiftedSpectrum(benchmark::State& state) {
    const auto x = input();
    auto table = std::make_unique<SpectrumPoints>();
    for (auto _ : state) {
        *table = *x;
        shiftedSpectrum(*table, 0.97, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(table->data());
    }
}
BENCHMARK(ShiftedSpectrum)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// What the command line does for "spectrum ppf s.xicd --output r.reim", in process.
void PpfCommand(benchmark::State& state) {
    const std::string signal = zorkan::bench::scratchPath("s.xicd");
    const std::string result = zorkan::bench::scratchPath("r.reim");
    {
        const auto x = input();
        TextWriter out(signal);
        for (const SpectrumPoint& p : *x) {
            out.writeReal(p.re);
            out.endLine();
        }
        out.close();
    }
    FILE* sink = std::fopen("/dev/null", "w");
    auto spectral = std::make_unique<SpectralState>();
    spectral->ShiftCoefficient = 0.97;
    for (auto _ : state) {
        SpectrumPictures pictures = makeSpectrumPictures();
        runSpectralCommand(
            SpectralCommand::PPF, xicdSpectrumInput, {"", signal, ""}, result, *spectral,
            [&pictures] {
                return std::array<Canvas*, 3>{&pictures[0], &pictures[1], &pictures[2]};
            });
        for (std::size_t n = 0; n < spectrumLength; ++n) {
            const SpectrumPoint& p = spectral->SpectrumTable[n];
            std::fprintf(sink, "%zu %s %s %s %s\n", n, formatReal(p.re).c_str(),
                         formatReal(p.im).c_str(), formatReal(p.magnitude).c_str(),
                         formatReal(p.phase).c_str());
        }
    }
    std::fclose(sink);
    std::filesystem::remove(signal);
    std::filesystem::remove(result);
}
BENCHMARK(PpfCommand)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
