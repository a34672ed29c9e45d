// Designs of 32 sections: the design run's own (a Butterworth band-pass of prototype
// order 64) beside every approximation and kind by order 64, and band-stop filters by
// tolerance, each with its report and parameter file.
#include "design/classicaldesign.h"
#include "design/classicalprototypes.h"
#include "design/designrun.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace zorkan;

std::string scratch(const char* suffix) {
    return (std::filesystem::temp_directory_path() /
            ("zorkan-dbench-" + std::to_string(::getpid()) + suffix))
        .string();
}

void BM_DescribedDesign32(benchmark::State& state) {
    DesignRequest r;
    r.f1 = 0.25;
    r.f2 = 0.15;
    r.f3 = 0.145;
    r.f4 = 0.255;
    r.b1 = 43;
    const std::string report = scratch(".out"), filter = scratch(".flt");
    DesignedCascade designed;
    for (auto _ : state)
        designFilter(r, report, filter, {}, &designed);
    state.counters["sections"] = static_cast<double>(designed.sections.size());
    std::filesystem::remove(report);
    std::filesystem::remove(filter);
}

// range(0): approximation 1..5; range(1): kind 0..3.
void BM_OrderDesign32(benchmark::State& state) {
    ClassicalDesignRequest r;
    r.request.approximation = static_cast<int>(state.range(0));
    r.request.da = 0.5;
    r.request.b1 = 60;
    r.byOrder = true;
    r.order = maxPrototypeOrder;
    r.band = static_cast<BandKind>(state.range(1));
    r.edge1 = 0.15;
    r.edge2 = 0.3;
    const std::string report = scratch(".out"), filter = scratch(".flt");
    DesignedCascade designed;
    designClassicalFilter(r, report, filter, {}, &designed); // Bessel roots found once
    for (auto _ : state)
        designClassicalFilter(r, report, filter, {}, &designed);
    state.counters["sections"] = static_cast<double>(designed.sections.size());
    std::filesystem::remove(report);
    std::filesystem::remove(filter);
}

// A band-stop request that takes close to the 32 sections, range(0) the approximation.
void BM_BandStopTolerance(benchmark::State& state) {
    ClassicalDesignRequest r;
    r.request.approximation = static_cast<int>(state.range(0));
    r.request.f1 = 0.149;
    r.request.f3 = 0.15;
    r.request.f4 = 0.3;
    r.request.f2 = 0.301;
    r.request.da = 1;
    r.request.b1 = 30;
    const std::string report = scratch(".out"), filter = scratch(".flt");
    DesignedCascade designed;
    for (auto _ : state)
        designClassicalFilter(r, report, filter, {}, &designed);
    state.counters["sections"] = static_cast<double>(designed.sections.size());
    std::filesystem::remove(report);
    std::filesystem::remove(filter);
}

} // namespace

BENCHMARK(BM_DescribedDesign32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderDesign32)
    ->ArgsProduct({{1, 2, 3, 4, 5}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BandStopTolerance)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);
