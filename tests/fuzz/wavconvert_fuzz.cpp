// Sound conversion over arbitrary bytes: the bytes as a sound file (converter), and the
// same bytes as a signal file appended to a sound file (writer).
#include "common/errors.h"
#include "sound/wavconvert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    zorkan::StringSink signal, header;
    zorkan::WavConversion done = zorkan::convertWav(bytes, signal, header);
    const std::size_t headerBytes = size < zorkan::wavHeaderLength ? size : zorkan::wavHeaderLength;
    if (header.bytes != bytes.substr(0, headerBytes) || done.samples != size - headerBytes ||
        signal.bytes.size() != done.samples * zorkan::signalLineLength)
        std::abort();

    zorkan::StringSink wav;
    try {
        zorkan::TextReader in = zorkan::TextReader::fromBytes(bytes);
        zorkan::appendSignal(in, wav);
    } catch (const zorkan::Error&) {
        // A malformed number: an expected refusal.
    }
    return 0;
}
