// The root finder on the section polynomials of any parameter file, checked by the
// invariants of rootcheck.h.
#include "analysis/filteranalysis.h"
#include "tests/fuzz/fuzzinput.h"
#include "tests/fuzz/rootcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors([&] {
        const FilterCoefficients f = readAnalysedFilter(in);
        const int d = sectionDegree(f);
        for (const FilterSection& s : f.sections) {
            fuzz::checkRoots(s.a, d);
            fuzz::checkRoots(s.b, d);
        }
    });
    return 0;
}
