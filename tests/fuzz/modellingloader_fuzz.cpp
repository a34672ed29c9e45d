// The modelling window's loader of filter parameter files, and the test-signal run over
// whatever it stored.
#include "modelling/filtering.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    fuzz::expectOnlyZorkanErrors([&] {
        SectionTables tables;
        auto in = fuzz::readerOf(data, size);
        loadModellingFilter(in, tables);
        TestSignalBuffer input{};
        TestSignalBuffer output{};
        input[0] = 1;
        filterBlock(input, tables, tables.sectionCount(), output);
    });
    return 0;
}
