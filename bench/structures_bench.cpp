// The structures of an implementation, whole zorkan-cli processes:
// - a million samples through the seven sections of the default design in q15, every
//   structure beside direct form I (`implement --structure S --simulate`);
// - the comparison of every structure (`implement --structures`, 100 limit-cycle trials)
//   of a band-pass file of 30 sections;
// - the search for the cheapest implementation (`implement --best`) of a design of 12
//   second-order sections, a Butterworth low-pass and a sharp elliptic one whose poles lie
//   within 3e-5 of the unit circle (impulse responses of millions of samples);
// - the passes of the impulse response behind the L1 and L2 norms of that elliptic design's
//   twelve sections in the optimal structure (20-bit words): one nodeL1Gains pass (the gain
//   to every node, stopped where the sums are final), and the scaling pass of every
//   section's unscaled program over the whole response, sample by sample (step) and a
//   section over the response at once (runSection).
#include "bench/benchcli.h"
#include "bench/benchfiles.h"
#include "cascade/norms.h"
#include "cascade/secondorder.h"
#include "design/designrun.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/structures.h"
#include "modelling/signalfile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

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

// An elliptic low-pass of order 24 with its edge at 0.2, designed into scratch files
// `name`.flt and `name`.out; empty when the design fails.
std::string ellipticLowPass24(const std::string& name, const std::string& options) {
    const std::string flt = zorkan::bench::scratchPath(name + ".flt");
    std::string command = "'" + zorkan::bench::cliPath();
    command += "' design --approx elliptic --order 24 --band lowpass --edge 0.2 ";
    command += options;
    command += " --report '" + zorkan::bench::scratchPath(name + ".out");
    command += "' --filter '" + flt + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? flt : std::string();
}

// 0.5 dB ripple, 80 dB attenuation: poles down to 3e-5 from the unit circle.
const std::string& elliptic24() {
    static const std::string path = ellipticLowPass24("e24", "--da 0.5 --b1 80");
    return path;
}

// The design's own defaults (1.5 dB ripple, 30 dB attenuation): poles down to 5e-10 from the
// circle, whose impulse responses outlast any sum over samples.
const std::string& ellipticDefaults24() {
    static const std::string path = ellipticLowPass24("ed24", "");
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

void BM_CliBestEllipticDefaults24(benchmark::State& state) {
    if (ellipticDefaults24().empty()) {
        state.SkipWithError("the elliptic design failed");
        return;
    }
    zorkan::bench::runCli(state, "implement '" + ellipticDefaults24() + "' --best");
}

// The elliptic design's second-order sections as the filter factors into them.
const std::optional<zorkan::SecondOrderCascade>& elliptic24Sections() {
    static const std::optional<zorkan::SecondOrderCascade> cascade =
        []() -> std::optional<zorkan::SecondOrderCascade> {
        if (elliptic24().empty())
            return std::nullopt;
        return zorkan::secondOrderSections(elliptic24());
    }();
    return cascade;
}

void BM_NodeL1GainsElliptic24(benchmark::State& state) {
    if (!elliptic24Sections()) {
        state.SkipWithError("the elliptic design failed");
        return;
    }
    constexpr int wordBits = 20;
    zorkan::ImplementationOptions options;
    options.arithmetic.target = zorkan::Target::Fixed;
    options.arithmetic.dataBits = wordBits;
    options.arithmetic.coefBits = wordBits;
    options.scaling = zorkan::Scaling::L1;
    options.structure = zorkan::Structure::Optimal;
    const zorkan::Implementation im = zorkan::realise(*elliptic24Sections(), options);
    const long samples = zorkan::normSamples(im.quantised);
    // The gains are kept by the sample count: a new count each pass sums them anew (the sums
    // become final long before the last sample).
    long pass = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(zorkan::nodeL1Gains(im.programs, samples + ++pass));
    state.counters["samples"] = static_cast<double>(samples);
}

void BM_ScalingPassElliptic24(benchmark::State& state) {
    if (!elliptic24Sections()) {
        state.SkipWithError("the elliptic design failed");
        return;
    }
    const bool whole = state.range(0) != 0;
    state.SetLabel(whole ? "runSection" : "step");
    // Unscaled and in the order of an implementation, as the scaling takes them.
    const std::vector<zorkan::SecondOrderSection> sections =
        zorkan::realisedCascade(*elliptic24Sections(), zorkan::Scaling::None,
                                zorkan::SectionOrder::Ascending)
            .sections;
    std::vector<zorkan::SectionProgram> units;
    for (std::size_t k = 0; k < sections.size(); ++k)
        units.push_back(zorkan::buildProgram(zorkan::Structure::Optimal, sections[k], 1, 1, k));
    const auto samples = static_cast<std::size_t>(zorkan::normSamples(sections));
    std::vector<double> response(samples);
    for (auto _ : state) {
        std::fill(response.begin(), response.end(), 0.0);
        response[0] = 1;
        long double total = 0;
        for (const zorkan::SectionProgram& unit : units) {
            std::vector<long double> norms(unit.nodes.size(), 0);
            zorkan::ExactPrograms run({unit});
            if (whole) {
                run.runSection(0, response, response, zorkan::ExactPrograms::NodeSum::Magnitude,
                               norms);
            } else {
                for (double& x : response) {
                    const double y = run.step(x);
                    for (std::size_t j = 0; j < norms.size(); ++j)
                        norms[j] += std::fabs(run.node(0, static_cast<int>(j)));
                    x = y;
                }
            }
            for (long double n : norms)
                total += n;
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["samples"] = static_cast<double>(samples);
}

} // namespace

BENCHMARK(BM_NodeL1GainsElliptic24)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ScalingPassElliptic24)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_CliSimulateStructureQ15)
    ->DenseRange(0, 6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_CliStructuresBandPass30)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_CliBestTwelveSections)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_CliBestElliptic24)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_CliBestEllipticDefaults24)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
