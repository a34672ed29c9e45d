// The coefficient window's loader: a parameter file shown in the two grids.
#include "coefficients/quantise.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    static const CoefficientForm setUp = [] {
        CoefficientForm form;
        setUpCoefficientGrids(form);
        return form;
    }();
    CoefficientForm form = setUp;
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors([&] { loadCoefficients(form, in, ','); });
    return 0;
}
