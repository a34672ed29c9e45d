// FIR design: a 201-tap equiripple low-pass with its figures (target 10 ms), and the
// search for the smallest equiripple low-pass of a request needing about 200 taps
// (target 100 ms).
#include "fir/firdesign.h"
#include "fir/remez.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zorkan;

FirRequest narrowLowPass() {
    FirRequest rq;
    rq.pass = {0.2};
    rq.stop = {0.215};
    rq.ripple = 0.1;
    rq.attenuation = 70;
    return rq;
}

// The exchange alone.
void BM_Remez201(benchmark::State& state) {
    const double weight = passDeviation(0.1) / stopDeviation(70);
    const std::vector<FirBand> bands = {{0, 0.2, 1, 1, false}, {0.215, 0.5, 0, weight, false}};
    EquirippleDesign d;
    for (auto _ : state)
        d = designEquiripple(201, FirSymmetry::Even, bands);
    state.counters["iterations"] = d.iterations;
}

// The design with its measured figures, as design-fir --taps 201 computes it.
void BM_EquirippleLowPass201(benchmark::State& state) {
    const FirRequest rq = narrowLowPass();
    FirOptions options;
    options.taps = 201;
    FirDesign d;
    for (auto _ : state)
        d = designFir(rq, options);
    state.counters["attenuation_db"] = d.figures.attenuationDb;
}

void BM_SmallestEquiripple(benchmark::State& state) {
    const FirRequest rq = narrowLowPass();
    FirDesign d;
    for (auto _ : state)
        d = smallestEquiripple(rq);
    state.counters["taps"] = static_cast<double>(d.taps.size());
    state.counters["estimate"] = static_cast<double>(d.estimatedTaps);
}

} // namespace

BENCHMARK(BM_Remez201)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EquirippleLowPass201)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallestEquiripple)->Unit(benchmark::kMillisecond);
