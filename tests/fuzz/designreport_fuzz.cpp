// The request of a design report, read from any bytes: a request or a refusal.
#include "design/designreport.h"
#include "tests/fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    fuzz::expectOnlyZorkanErrors([&] {
        const DesignRequest r = parseDesignRequest(fuzz::bytesOf(data, size), "fuzz.out");
        if (!(r.fd > 0) || !toleranceLayout(r.f1, r.f2, r.f3, r.f4))
            __builtin_trap();
    });
    return 0;
}
