// The all-pass group-delay equaliser: an eighth-order equaliser of the sixth-order
// elliptic low-pass (0.5 dB ripple, 60 dB attenuation, edge 0.2 FD) over 0 .. 0.18 FD,
// whose target is one second; beside it the orders 4 and 16, for how the continuation
// in the order grows.
#include "coefficients/filterfile.h"
#include "design/classicaldesign.h"
#include "purpose/allpassequaliser.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("zorkan-pbench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

const zorkan::FilterCoefficients& ellipticLowPass() {
    static const zorkan::FilterCoefficients filter = [] {
        zorkan::ClassicalDesignRequest r;
        r.request.approximation = 3;
        r.request.da = 0.5;
        r.request.b1 = 60;
        r.byOrder = true;
        r.order = 6;
        r.band = zorkan::BandKind::LowPass;
        r.edge1 = 0.2;
        const std::string out = scratchPath("e.out"), flt = scratchPath("e.flt");
        zorkan::designClassicalFilter(r, out, flt, {});
        zorkan::FilterCoefficients f = zorkan::readAnalysedFilter(flt);
        std::filesystem::remove(out);
        std::filesystem::remove(flt);
        return f;
    }();
    return filter;
}

void equaliser(benchmark::State& state) {
    zorkan::EqualiserRequest request;
    request.filter = ellipticLowPass();
    request.f1 = 0;
    request.f2 = 0.18;
    request.order = static_cast<int>(state.range(0));
    double after = 0, before = 0;
    for (auto _ : state) {
        const zorkan::EqualiserResult r = zorkan::designEqualiser(request);
        after = r.variationAfter;
        before = r.variationBefore;
        benchmark::DoNotOptimize(r.equaliser.sections.data());
    }
    // The figures as a label beside the times.
    state.SetLabel("variation " + std::to_string(before) + " -> " + std::to_string(after) +
                   " samples");
}
BENCHMARK(equaliser)->Arg(8)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace
