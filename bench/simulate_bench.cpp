// A million samples through the seven sections of the default design, whole processes:
// `zorkan-cli implement --target q15 --simulate` (the bit-exact fixed-point model)
// against `zorkan-cli filter` (the modelling window's file filter) on the same signal file.
#include "bench/benchcli.h"
#include "bench/benchfiles.h"
#include "design/designrun.h"
#include "modelling/signalfile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int sampleCount = 1000000;

// Within full scale, so that the fixed-point input is not saturated on entry.
const std::string& inputFile() {
    static const std::string path = [] {
        const std::string p = zorkan::bench::scratchPath("in.xicd");
        zorkan::TextWriter out(p);
        for (int i = 0; i < sampleCount; ++i)
            zorkan::writeSample(out, 0.5 * std::sin(i * 0.05) + 0.3 * std::sin(i * 1.9) +
                                         (i % 97) * 0.001);
        out.close();
        return p;
    }();
    return path;
}

void runCli(benchmark::State& state, const std::string& arguments) {
    zorkan::bench::runCli(state, arguments);
    state.SetItemsProcessed(state.iterations() * sampleCount);
}

void BM_CliImplementSimulateQ15(benchmark::State& state) {
    runCli(state, "implement '" + zorkan::bench::defaultDesignFile() +
                      "' --target q15 --simulate '" + inputFile() + "' '" +
                      zorkan::bench::scratchPath("out-q15.yicd") + "'");
    std::filesystem::remove(zorkan::bench::scratchPath("out-q15.yicd"));
}

void BM_CliFilterBaseline(benchmark::State& state) {
    // Its work file in the scratch folder too, not tmp.zicd in the current one.
    runCli(state, "filter '" + zorkan::bench::defaultDesignFile() + "' '" + inputFile() + "' '" +
                      zorkan::bench::scratchPath("out-filter.yicd") + "' --work-file '" +
                      zorkan::bench::scratchPath("work.zicd") + "'");
    std::filesystem::remove(zorkan::bench::scratchPath("out-filter.yicd"));
    std::filesystem::remove(zorkan::bench::scratchPath("work.zicd"));
}

} // namespace

BENCHMARK(BM_CliImplementSimulateQ15)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CliFilterBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
