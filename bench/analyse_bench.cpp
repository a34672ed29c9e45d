// The group delay of a 30-section band-pass file over 4000 frequencies against the
// frequency response over 4000 columns of the same file, side by side: in process (the
// computation and the printed lines) and as whole zorkan-cli runs
// ("analyse F.flt --group-delay 4000" against "response F.flt --width 3999", both 4000
// rows), when zorkan-cli lies beside this program.
#include "analysis/filteranalysis.h"
#include "bench/benchcli.h"
#include "bench/benchfiles.h"
#include "design/designrun.h"
#include "response/response.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int rows = 4000;

class NoDrawing : public zorkan::DrawingTarget {
  public:
    void setPenColor(zorkan::Rgb) override {}
    void setPenWidth(int) override {}
    void verticalSegment(int, int, int) override {}
    void setPixel(int, int, zorkan::Rgb) override {}
};

void BM_GroupDelayRows(benchmark::State& state) {
    for (auto _ : state) {
        const zorkan::FilterCoefficients f =
            zorkan::readAnalysedFilter(zorkan::bench::bandPass30File());
        std::string out;
        for (const auto& row : zorkan::groupDelayTable(f, rows, 1.0))
            out += zorkan::formatReal(row.frequency) + " " + zorkan::formatReal(row.samples) + "\n";
        benchmark::DoNotOptimize(out);
    }
    state.counters["sections"] = static_cast<double>(
        zorkan::readAnalysedFilter(zorkan::bench::bandPass30File()).sections.size());
}

void BM_ResponseColumns(benchmark::State& state) {
    NoDrawing nothing;
    for (auto _ : state) {
        const auto result = zorkan::computeResponse(
            zorkan::bench::bandPass30File(), zorkan::ResponseRange{}, rows - 1, 273, nothing);
        std::string out;
        for (const auto& c : result.columns)
            out += zorkan::formatReal(c.frequency) + " " + zorkan::formatReal(c.magnitude) + " " +
                   zorkan::formatReal(c.decibels) + " " + zorkan::formatReal(c.phase) + "\n";
        benchmark::DoNotOptimize(out);
    }
}

void BM_CliAnalyseGroupDelay(benchmark::State& state) {
    zorkan::bench::runCli(state, "analyse '" + zorkan::bench::bandPass30File() +
                                     "' --group-delay " + std::to_string(rows));
}

void BM_CliResponse(benchmark::State& state) {
    zorkan::bench::runCli(state, "response '" + zorkan::bench::bandPass30File() + "' --width " +
                                     std::to_string(rows - 1));
}

} // namespace

BENCHMARK(BM_GroupDelayRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResponseColumns)->Unit(benchmark::kMillisecond);
// Whole processes: real time, since the work is in the child.
BENCHMARK(BM_CliAnalyseGroupDelay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliResponse)->Unit(benchmark::kMillisecond)->UseRealTime();
