// Files of complex points (".reim") of spectral analysis.
#include "spectral/spectralinput.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    static SpectrumPoints table;
    fuzz::expectOnlyZorkanErrors([&] {
        auto in = fuzz::readerOf(data, size);
        readReimInput(in, table);
    });
    return 0;
}
