// The filter parameter file read with the modelling reader's rules.
#include "coefficients/filterfile.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto in = zorkan::fuzz::readerOf(data, size);
    zorkan::fuzz::expectOnlyZorkanErrors(
        [&] { zorkan::readFilterFile(in, zorkan::modellingReader); });
    return 0;
}
