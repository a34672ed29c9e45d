// The modelling window's loader of filter parameter files, over bytes in memory, and
// the test-signal run over whatever it stored.
#include "common/errors.h"
#include "modelling/filtering.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zorkan::SectionTables tables;
    try {
        zorkan::TextReader in = zorkan::TextReader::fromBytes(
            std::string_view(reinterpret_cast<const char*>(data), size));
        zorkan::loadModellingFilter(in, tables);
        zorkan::TestSignalBuffer input{};
        zorkan::TestSignalBuffer output{};
        input[0] = 1;
        zorkan::filterBlock(input, tables, tables.sectionCount(), output);
    } catch (const zorkan::Error&) {
        // Refusals: unreadable numbers, too many sections, floating-point faults.
    }
    return 0;
}
