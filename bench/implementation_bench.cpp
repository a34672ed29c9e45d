// The implementation's whole report for a 30-section band-pass (60 second-order
// sections) in q15: the figures the command line prints, limit cycles with M = 100
// trials of K = 4096 samples included, and with the twelve variants as the window
// computes them.
#include "design/designrun.h"
#include "fixedpoint/report.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const zorkan::FilterCoefficients& bandPass30() {
    static const zorkan::FilterCoefficients filter = [] {
        const std::string base = (std::filesystem::temp_directory_path() /
                                  ("zorkan-ibench-" + std::to_string(::getpid())))
                                     .string();
        zorkan::DesignRequest r;
        r.approximation = 1;
        r.f1 = 0.25;
        r.f2 = 0.15;
        r.f3 = 0.145;
        r.f4 = 0.255;
        r.b1 = 43;
        zorkan::designFilter(r, base + ".out", base + ".flt", {});
        zorkan::FilterCoefficients f =
            zorkan::readFilterFile(base + ".flt", zorkan::responseReader);
        std::filesystem::remove(base + ".out");
        std::filesystem::remove(base + ".flt");
        return f;
    }();
    return filter;
}

void BM_ReportBandPass30(benchmark::State& state) {
    zorkan::ReportOptions report;
    report.variants = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(zorkan::implementationFigures(bandPass30(), {}, report));
    state.counters["sections"] = static_cast<double>(bandPass30().sections.size());
}

} // namespace

BENCHMARK(BM_ReportBandPass30)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
