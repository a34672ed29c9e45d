// The coefficient window's loader: a parameter file shown in the two grids. One form
// lives across the runs, as the window's grids live across its loads.
#include "coefficients/quantise.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    static CoefficientForm form = [] {
        CoefficientForm setUp;
        setUpCoefficientGrids(setUp);
        return setUp;
    }();
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors([&] { loadCoefficients(form, in, ','); });
    return 0;
}
