// The ".dat" reader of spectral analysis over arbitrary bytes: it either fills the table
// or refuses with a zorkan error.
#include "common/errors.h"
#include "common/textnumbers.h"
#include "spectral/spectralinput.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zorkan::SpectrumPoints table;
    try {
        zorkan::TextReader in = zorkan::TextReader::fromBytes(
            std::string_view(reinterpret_cast<const char*>(data), size));
        zorkan::readDatInput(in, table);
    } catch (const zorkan::Error&) {
    }
    return 0;
}
