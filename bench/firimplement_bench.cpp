// A million samples through a 201-tap FIR filter in q15: the whole process
// `zorkan-cli implement F.fir --target q15 --simulate` (reading and writing the signal
// files included), beside the bit-exact simulation alone in this process and a plain
// double convolution of the same taps as the baseline of the arithmetic.
#include "bench/benchcli.h"
#include "bench/benchfiles.h"
#include "fir/firfile.h"
#include "fixedpoint/firimplementation.h"
#include "modelling/signalfile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int sampleCount = 1000000;
constexpr int tapCount = 201;

// A Hann-windowed sinc low-pass with its edge at a tenth of the sampling rate, scaled to
// unit gain at zero frequency.
const zorkan::FirFilter& lowPass() {
    static const zorkan::FirFilter filter = [] {
        zorkan::FirFilter f;
        const double pi = std::numbers::pi, cutoff = 0.1, middle = (tapCount - 1) / 2.0;
        double sum = 0;
        for (int k = 0; k < tapCount; ++k) {
            const double t = k - middle;
            const double sinc = t == 0 ? 2 * cutoff : std::sin(2 * pi * cutoff * t) / (pi * t);
            const double hann = 0.5 - 0.5 * std::cos(2 * pi * k / (tapCount - 1));
            f.taps.push_back(sinc * hann);
            sum += f.taps.back();
        }
        for (double& h : f.taps)
            h /= sum;
        return f;
    }();
    return filter;
}

const std::vector<double>& signal() {
    static const std::vector<double> x = [] {
        std::vector<double> v;
        for (int i = 0; i < sampleCount; ++i)
            v.push_back(0.5 * std::sin(i * 0.05) + 0.3 * std::sin(i * 1.9) + (i % 97) * 0.001);
        return v;
    }();
    return x;
}

const std::string& firFile() {
    static const std::string path = [] {
        const std::string p = zorkan::bench::scratchPath("lp.fir");
        zorkan::writeFirFile(p, lowPass());
        return p;
    }();
    return path;
}

const std::string& inputFile() {
    static const std::string path = [] {
        const std::string p = zorkan::bench::scratchPath("in.xicd");
        zorkan::TextWriter out(p);
        for (double v : signal())
            zorkan::writeSample(out, v);
        out.close();
        return p;
    }();
    return path;
}

// The scratch files go when the program ends.
struct ScratchFiles {
    ~ScratchFiles() {
        std::error_code ec;
        std::filesystem::remove(zorkan::bench::scratchPath("lp.fir"), ec);
        std::filesystem::remove(zorkan::bench::scratchPath("in.xicd"), ec);
    }
} scratchFiles;

void BM_CliImplementFirQ15(benchmark::State& state) {
    zorkan::bench::runCli(state, "implement '" + firFile() + "' --target q15 --simulate '" +
                                     inputFile() + "' '" + zorkan::bench::scratchPath("out.yicd") +
                                     "'");
    state.SetItemsProcessed(state.iterations() * sampleCount);
    std::filesystem::remove(zorkan::bench::scratchPath("out.yicd"));
}

void BM_FirSimulatorQ15(benchmark::State& state) {
    zorkan::Arithmetic a;
    a.target = zorkan::Target::Q15;
    const zorkan::FirImplementation im = zorkan::realiseFir(lowPass(), a);
    for (auto _ : state)
        benchmark::DoNotOptimize(zorkan::simulateFir(im, signal()));
    state.SetItemsProcessed(state.iterations() * sampleCount);
}

void BM_DoubleConvolutionBaseline(benchmark::State& state) {
    const std::vector<double>& h = lowPass().taps;
    const std::vector<double>& x = signal();
    for (auto _ : state) {
        std::vector<double> y(x.size());
        for (std::size_t n = 0; n < x.size(); ++n) {
            double acc = 0;
            for (std::size_t k = 0; k < h.size() && k <= n; ++k)
                acc += h[k] * x[n - k];
            y[n] = acc;
        }
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * sampleCount);
}

} // namespace

BENCHMARK(BM_CliImplementFirQ15)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FirSimulatorQ15)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DoubleConvolutionBaseline)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
