#include "Printable.h"

#include <cstdio>

namespace tool {

namespace {

// Length of the valid UTF-8 sequence at `s`, 0 when it is not one (overlong forms and
// surrogates included).
size_t sequenceLength(std::string_view s) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto cont = [&](size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
    const unsigned char c = b(0);
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0)) return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) >= 0x90)) return 0;
        return 4;
    }
    return 0;
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char esc[8];
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
            ++i;
            continue;
        }
        const size_t n = c >= 0x80 ? sequenceLength(text.substr(i)) : 0;
        if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
            out += esc;
        } else if (n > 0) {
            out.append(text.substr(i, n));
        } else {
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
            i += 1;
            continue;
        }
        i += n;
    }
    return out;
}

}  // namespace tool
