// A parameter file read for the filter analysis, then everything the analysis computes
// and draws from it: roots and their lines, summary, group delay, impulse and step
// responses, the comparison with itself, every page of the window and its readouts.
#include "analysis/analysisrun.h"
#include "tests/fuzz/fuzzinput.h"
#include "tests/fuzz/rootcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors([&] {
        AnalysedFile a;
        a.filter = readAnalysedFilter(in);
        for (const FilterSection& s : a.filter.sections) {
            fuzz::checkRoots(s.a, sectionDegree(a.filter));
            fuzz::checkRoots(s.b, sectionDegree(a.filter));
        }
        a.roots = filterRoots(a.filter);
        a.summary = summarise(a.filter, a.roots, 1);
        a.summaryText = summaryLines(a.summary, 1);
        if (a.summary.delayDefined)
            a.delay = groupDelayTable(a.filter, 16, 2);
        try {
            cascadeResponse(a.filter, 64, false, a.impulse);
            cascadeResponse(a.filter, 64, true, a.step);
        } catch (const FloatError&) {
        }
        const FilterComparison c = compareFilters(a.filter, a.roots, a.filter, a.roots, 1);
        comparisonLines(c);
        for (const FilterRoot& r : a.roots)
            rootLine(r);
        // The window draws at any size it is given, down to its smallest.
        Canvas canvas(size % 2 ? zPlaneWidth : 320, size % 2 ? zPlaneHeight : 200);
        for (int i = 0; i < analysisPageCount; ++i) {
            const auto page = static_cast<AnalysisPage>(i);
            const PlotFrame f = drawAnalysisPage(canvas, page, a, &a, &c, 1);
            for (int x = f.left; x <= f.left + f.width; x += f.width / 3 + 1)
                readoutAt(page, f, x, f.top + f.height / 2, a, &a, &c, ',');
        }
    });
    return 0;
}
