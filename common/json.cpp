#include "common/json.h"

#include "common/textnumbers.h"

#include <cmath>
#include <cstdio>

namespace zorkan {

std::string jsonNumber(double v) {
    if (!std::isfinite(v))
        return "null";
    return formatRoundTrip(v);
}

std::string jsonBool(bool v) {
    return v ? "true" : "false";
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace zorkan
