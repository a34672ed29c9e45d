// The FIR coefficient file.
#include "fir/firfile.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto in = zorkan::fuzz::readerOf(data, size);
    zorkan::fuzz::expectOnlyZorkanErrors([&] { zorkan::readFirFile(in, "fuzz.fir"); });
    return 0;
}
