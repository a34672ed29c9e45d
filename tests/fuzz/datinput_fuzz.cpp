// Test-signal descriptions (".dat") of spectral analysis: the ten harmonics and the points
// made from them.
#include "spectral/spectralinput.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    static SpectrumPoints table;
    fuzz::expectOnlyZorkanErrors([&] {
        auto in = fuzz::readerOf(data, size);
        readDatInput(in, table);
    });
    return 0;
}
