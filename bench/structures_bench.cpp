// The structures of an implementation, whole zorkan-cli processes:
// - a million samples through the seven sections of the default design in q15, every
//   structure beside direct form I (`implement --structure S --simulate`);
// - the comparison of every structure (`implement --structures`, 100 limit-cycle trials)
//   of a band-pass file of 30 sections;
// - the search for the cheapest implementation (`implement --best`) of a design of 12
//   second-order sections, a Butterworth low-pass and a sharp elliptic one whose poles lie
//   within 3e-5 of the unit circle (impulse responses of millions of samples).
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

// A Butterworth low-pass of order 24: 12 second-order sections.
const std::string& lowPass12() {
    static const std::string path = [] {
        const std::string flt = zorkan::bench::scratchPath("lp12.flt");
        const std::string command = "'" + zorkan::bench::cliPath() +
                                    "' design --approx butterworth --order 24 --band lowpass "
                                    "--edge 0.2 --report '" +
                                    zorkan::bench::scratchPath("lp12.out") + "' --filter '" + flt +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return std::string();
        return flt;
    }();
    return path;
}

// An elliptic low-pass of order 24 (0.5 dB ripple, 80 dB attenuation).
const std::string& elliptic24() {
    static const std::string path = [] {
        const std::string flt = zorkan::bench::scratchPath("e24.flt");
        const std::string command = "'" + zorkan::bench::cliPath() +
                                    "' design --approx elliptic --order 24 --band lowpass "
                                    "--edge 0.2 --da 0.5 --b1 80 --report '" +
                                    zorkan::bench::scratchPath("e24.out") + "' --filter '" + flt +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return std::string();
        return flt;
    }();
    return path;
}

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

const char* const structures[] = {"df1", "df2", "df2t", "ef", "normal", "lattice", "optimal"};

void BM_CliSimulateStructureQ15(benchmark::State& state) {
    const char* s = structures[state.range(0)];
    state.SetLabel(s);
    zorkan::bench::runCli(state, "implement '" + zorkan::bench::defaultDesignFile() +
                                     "' --target q15 --structure " + s +
                                     " --limit-cycles 0 --simulate '" + inputFile() + "' '" +
                                     zorkan::bench::scratchPath("out.yicd") + "'");
    state.SetItemsProcessed(state.iterations() * sampleCount);
    std::filesystem::remove(zorkan::bench::scratchPath("out.yicd"));
}

void BM_CliStructuresBandPass30(benchmark::State& state) {
    zorkan::bench::runCli(state,
                          "implement '" + zorkan::bench::bandPass30File() + "' --structures");
}

void BM_CliBestTwelveSections(benchmark::State& state) {
    if (lowPass12().empty()) {
        state.SkipWithError("the 12-section design failed");
        return;
    }
    zorkan::bench::runCli(state, "implement '" + lowPass12() + "' --best");
}

void BM_CliBestElliptic24(benchmark::State& state) {
    if (elliptic24().empty()) {
        state.SkipWithError("the elliptic design failed");
        return;
    }
    zorkan::bench::runCli(state, "implement '" + elliptic24() + "' --best");
}

} // namespace

BENCHMARK(BM_CliSimulateStructureQ15)
    ->DenseRange(0, 6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_CliStructuresBandPass30)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_CliBestTwelveSections)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_CliBestElliptic24)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
