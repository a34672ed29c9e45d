#include "export/exporttext.h"

#include "common/errors.h"
#include "common/textnumbers.h"
#include "common/utf8.h"

#include <charconv>
#include <filesystem>

namespace zorkan {

std::string exactNumber(double v) {
    if (v == 0)
        v = 0; // no "-0"
    return formatRoundTrip(v, RoundTripForm::Scientific);
}

std::string singleLiteral(float v) {
    if (v == 0)
        v = 0;
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific, 8);
    return std::string(text, r.ptr) + "f";
}

std::string integerLiteral(std::int64_t v) {
    if (v == -2147483648LL)
        return "(-2147483647 - 1)";
    return std::to_string(v);
}

std::string printableAscii(const std::string& text, std::string_view refused) {
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += (c >= 0x20 && c < 0x7f && refused.find(ch) == std::string_view::npos) ? ch : '?';
    }
    return out;
}

std::string includeDirective(const std::string& headerName) {
    bool fits = !headerName.empty();
    for (std::size_t at = 0; fits && at < headerName.size();) {
        const auto c = static_cast<unsigned char>(headerName[at]);
        const std::size_t length = utf8SequenceLength(headerName, at);
        fits = length != 0 && c >= 0x20 && c != 0x7f && c != '"' && c != '\\';
        at += length;
    }
    if (!fits)
        throw UserMessage("Имя заголовочного файла " + validUtf8(headerName) +
                          " нельзя записать в #include кода C (допустимы имена в UTF-8 без "
                          "управляющих символов, '\"' и '\\'): выберите другое имя");
    return "#include \"" + headerName + "\"\n";
}

bool plainIdentifier(const std::string& name) {
    bool ok = !name.empty() && name.size() <= 64 && !(name[0] >= '0' && name[0] <= '9');
    for (char ch : name)
        ok = ok && ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                    (ch >= '0' && ch <= '9') || ch == '_');
    return ok;
}

void checkCIdentifier(const std::string& prefix) {
    if (!plainIdentifier(prefix))
        throw UserMessage("Имя фильтра для языка C '" + prefix +
                          "' должно состоять из латинских букв, цифр и '_' и не начинаться с "
                          "цифры");
}

std::string upperName(std::string s) {
    for (char& ch : s)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return s;
}

const char* kindName(FilterKind kind, const char* other) {
    switch (kind) {
    case lowPass:
        return "low-pass";
    case highPass:
        return "high-pass";
    case bandPass:
        return "band-pass";
    default:
        return other;
    }
}

std::string commented(const std::vector<std::string>& lines, const std::string& mark) {
    std::string out;
    for (const std::string& l : lines)
        out += mark + " " + l + "\n";
    return out;
}

std::string baseName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

bool endsWith(const std::string& path, const std::string& tail) {
    return path.size() > tail.size() &&
           path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace zorkan
