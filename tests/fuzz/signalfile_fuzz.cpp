// Signal files, through each of the three ways they are read.
#include "modelling/signalfile.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    fuzz::expectOnlyZorkanErrors([&] {
        auto in = fuzz::readerOf(data, size);
        while (readSample(in)) {
        }
    });
    fuzz::expectOnlyZorkanErrors([&] {
        auto in = fuzz::readerOf(data, size);
        readSampleBlock(in);
    });
    fuzz::expectOnlyZorkanErrors([&] {
        auto in = fuzz::readerOf(data, size);
        double sum = 0;
        forEachSample(in, [&](double v) { sum += v; });
    });
    return 0;
}
