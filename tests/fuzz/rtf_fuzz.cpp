// The RTF reader over any bytes: it never fails, and what it reads the writer writes
// in a form that reads back the same, with nothing reported lost.
#include "common/errors.h"
#include "editor/richtext.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const std::string_view bytes(reinterpret_cast<const char*>(data), size);
        const zorkan::richtext::Document document = zorkan::richtext::readRtf(bytes);
        const std::string written = zorkan::richtext::writeRtf(document);
        // Runs of one format that the reader split by group boundaries are joined by
        // the second reading, so compare the second and third generations.
        // The writer's own files hold nothing that the reader drops.
        zorkan::richtext::LostContent lost;
        const zorkan::richtext::Document again = zorkan::richtext::readRtf(written, &lost);
        if (lost.any())
            std::abort();
        if (zorkan::richtext::readRtf(zorkan::richtext::writeRtf(again)) != again)
            std::abort();
    } catch (const zorkan::Error&) {
    }
    return 0;
}
