#pragma once
// Shared by the fuzzing harnesses: the input as the bytes of a file, and the rule that a
// reader may refuse an input only with one of the system's own errors.
#include "common/errors.h"
#include "common/textnumbers.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorkan::fuzz {

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline TextReader readerOf(const std::uint8_t* data, std::size_t size) {
    return TextReader::fromBytes(bytesOf(data, size));
}

// Runs one reading; zorkan errors are the reader's answer to bad input, anything else
// (another exception, a crash, a sanitizer report) is a fault the fuzzer reports.
template <typename Read> void expectOnlyZorkanErrors(Read&& read) {
    try {
        read();
    } catch (const Error&) {
    }
}

} // namespace zorkan::fuzz
