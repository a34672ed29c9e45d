// Sound conversion over arbitrary bytes: the bytes as a sound file (converter, which
// refuses nothing), and the same bytes as a signal file appended to a sound file (writer).
#include "sound/wavconvert.h"
#include "tests/fuzz/fuzzinput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    const std::string_view bytes = fuzz::bytesOf(data, size);

    StringSink signal, header;
    WavConversion done = convertWav(bytes, signal, header);
    const std::size_t headerBytes = size < wavHeaderLength ? size : wavHeaderLength;
    if (header.bytes != bytes.substr(0, headerBytes) || done.samples != size - headerBytes ||
        signal.bytes.size() != done.samples * signalLineLength)
        std::abort();

    fuzz::expectOnlyZorkanErrors([&] {
        auto in = fuzz::readerOf(data, size);
        StringSink wav;
        appendSignal(in, wav);
    });
    return 0;
}
