// A parameter file read for the filter analysis, then everything the analysis computes
// from it: roots, summary, a short group-delay table, impulse and step responses, the
// comparison with itself and the z-plane picture.
#include "analysis/analysisplots.h"
#include "analysis/comparison.h"
#include "analysis/filteranalysis.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors([&] {
        const FilterCoefficients filter = readAnalysedFilter(in);
        const std::vector<FilterRoot> roots = filterRoots(filter);
        Canvas canvas(zPlaneWidth, zPlaneHeight);
        drawZPlane(canvas, roots, &roots);
        summaryLines(summarise(filter, roots, 1), 1);
        compareFilters(filter, roots, filter, roots, 1);
        groupDelayTable(filter, 16, 2);
        std::vector<double> samples;
        cascadeResponse(filter, 64, false, samples);
        cascadeResponse(filter, 64, true, samples);
    });
    return 0;
}
