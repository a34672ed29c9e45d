// The frequency response of a parameter file as read, drawn on a small picture (every
// column takes the same steps, so a narrow picture keeps the runs fast).
#include "response/response.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    Canvas canvas(40, 30);
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors(
        [&] { computeResponse(in, ResponseRange{}, canvas.width(), canvas.height(), canvas); });
    return 0;
}
