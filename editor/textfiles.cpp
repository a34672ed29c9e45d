#include "editor/textfiles.h"

#include "common/cp1251.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "editor/richtext.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorkan::editor {

namespace {

// One code point of valid UTF-8 at `i` (the caller has checked the text), advancing `i`.
char32_t codePointAt(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80)
        return b;
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t cp = b & (0x3F >> extra);
    for (int k = 0; k < extra && i < s.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return cp;
}

std::string describe(char32_t cp) {
    std::string glyph;
    richtext::appendUtf8(glyph, cp);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    return "«" + glyph + "» (" + code + ")";
}

} // namespace

bool isPlainTextName(std::string_view path) {
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(dot);
    return extension == ".out" || extension == ".flt" || extension == ".txt";
}

std::vector<std::string> textLines(std::string_view utf8) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t i = 0;
    constexpr std::string_view lineSeparator = "\xE2\x80\xA8";
    while (i < utf8.size()) {
        if (utf8[i] == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            ++i;
        } else if (utf8.substr(i, 3) == lineSeparator) {
            lines.push_back(std::move(line));
            line.clear();
            i += 3;
        } else {
            line += utf8[i++];
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

std::string encodePlainText(std::string_view utf8) {
    std::string out;
    for (const std::string& line : textLines(utf8)) {
        std::size_t i = 0;
        while (i < line.size()) {
            const std::size_t start = i;
            const char32_t cp = codePointAt(line, i);
            const std::string_view piece = std::string_view(line).substr(start, i - start);
            const std::string encoded = toCp1251(piece);
            if (cp != '?' && (encoded.size() != 1 || encoded[0] == '?'))
                throw UserMessage("Символ " + describe(cp) +
                                  " нельзя записать в кодировке Windows-1251 простого "
                                  "текста. Файл не сохранён; сохраните текст в формате RTF "
                                  "или замените этот символ.");
            out += encoded;
        }
        out += "\r\n";
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        char32_t least;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
            least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
            least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string decodePlainText(std::string_view bytes) {
    std::string text;
    bool beyondAscii = false;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            beyondAscii = true;
            break;
        }
    if (beyondAscii && isValidUtf8(bytes)) {
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        text.assign(bytes);
    } else {
        text = fromCp1251(bytes);
    }
    // CR LF and lone CR become '\n'.
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (text[i] != '\0') {
            out += text[i];
        }
    }
    return out;
}

std::string readFileBytes(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throwOpenError(errno, false);
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode))
        throwIoError(ioAccessDenied);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throwIoError(errno);
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

} // namespace zorkan::editor
