// IIR or FIR: the comparison of every design meeting one request, the low-pass of 0.5 dB
// up to 0.2 FD and 60 dB from 0.25 FD, without a target and with q15 (target 2 s each).
#include "advice/advice.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zorkan;

DesignRequest lowPass() {
    DesignRequest rq;
    rq.f1 = 0.2;
    rq.f4 = 0.25;
    rq.da = 0.5;
    rq.b1 = 60;
    return rq;
}

void BM_AdviseDesigns(benchmark::State& state) {
    const DesignRequest rq = lowPass();
    Advice advice;
    for (auto _ : state)
        advice = adviseDesigns(rq, std::nullopt);
    state.counters["candidates"] = static_cast<double>(advice.candidates.size());
}

void BM_AdviseDesignsQ15(benchmark::State& state) {
    const DesignRequest rq = lowPass();
    Advice advice;
    for (auto _ : state)
        advice = adviseDesigns(rq, namedArithmetic(Target::Q15));
    state.counters["candidates"] = static_cast<double>(advice.candidates.size());
}

} // namespace

BENCHMARK(BM_AdviseDesigns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdviseDesignsQ15)->Unit(benchmark::kMillisecond)->Iterations(2);
