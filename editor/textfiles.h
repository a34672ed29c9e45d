#pragma once
// The editor's plain-text files and its file access: which names are saved as plain
// lines, how plain bytes are read, and writing that never damages the file on failure.
#include <string>
#include <string_view>
#include <vector>

namespace zorkan::editor {

// True when the file name's extension is exactly ".out", ".flt" or ".txt" (lower case):
// such files are saved as plain lines, every other name as rich text.
bool isPlainTextName(std::string_view path);

// The lines of a text (UTF-8) split at '\n' and U+2028; a final empty piece after the
// last line end is no line of its own.
std::vector<std::string> textLines(std::string_view utf8);

// Every line followed by CR LF, in code page 1251. A character the code page cannot hold
// is refused with a UserMessage naming it; nothing is encoded then.
std::string encodePlainText(std::string_view utf8);

// Plain bytes as UTF-8 text with '\n' line ends: read as UTF-8 when they are valid UTF-8
// holding characters beyond ASCII (a byte-order mark is dropped), otherwise as CP1251.
std::string decodePlainText(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values
// beyond U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The whole file; a file that cannot be opened or read raises the input/output error.
std::string readFileBytes(const std::string& path);

} // namespace zorkan::editor
