#include "common/utf8.h"

namespace zorkan {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

// How many bytes from text[at] on begin a well-formed sequence (at least the lead byte,
// even when it begins none), and whether they make a whole one.
std::size_t wellFormedPart(std::string_view text, std::size_t at, bool& whole) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    whole = lead < 0x80;
    if (whole)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    } else {
        return 1;
    }
    std::size_t k = 1;
    for (; k < length && at + k < text.size(); ++k) {
        const unsigned char c = byte(k);
        if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF))
            break;
    }
    whole = k == length;
    return k;
}

} // namespace

std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
    bool whole = false;
    const std::size_t length = wellFormedPart(text, at, whole);
    return whole ? length : 0;
}

bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        bool whole = false;
        const std::size_t length = wellFormedPart(text, at, whole);
        if (whole)
            out.append(text.substr(at, length));
        else
            out.append(replacementCharacter);
        at += length;
    }
    return out;
}

namespace {

std::size_t characterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char ch : text)
        count += (ch & 0xC0) != 0x80;
    return count;
}

} // namespace

std::string paddedRight(std::string text, std::size_t width) {
    const std::size_t shown = characterCount(text);
    if (shown < width)
        text.append(width - shown, ' ');
    return text;
}

std::string paddedLeft(const std::string& text, std::size_t width) {
    const std::size_t shown = characterCount(text);
    if (shown >= width)
        return text;
    std::string out(width - shown, ' ');
    out += text;
    return out;
}

} // namespace zorkan
