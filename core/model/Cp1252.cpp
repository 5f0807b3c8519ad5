#include "model/Cp1252.h"

#include <cstdint>

namespace zolmar {

namespace {

// Code points of bytes 0x80..0x9F; 0 where Windows-1252 leaves the byte undefined.
constexpr char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t codePointOf(uint8_t b) {
    if (b >= 0x80 && b <= 0x9F) {
        char32_t c = kHigh[b - 0x80];
        return c ? c : b; // undefined bytes map to the C1 control of the same number
    }
    return b;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char byteFor(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == c || (kHigh[k] == 0 && c == static_cast<char32_t>(0x80 + k)))
            return static_cast<char>(0x80 + k);
    return '?';
}

} // namespace

std::string cp1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes)
        appendUtf8(out, codePointOf(static_cast<uint8_t>(ch)));
    return out;
}

std::string utf8ToCp1252(const std::string& text) {
    std::string out;
    size_t k = 0;
    while (k < text.size()) {
        auto b = static_cast<uint8_t>(text[k]);
        char32_t c;
        size_t extra;
        if (b < 0x80) {
            c = b;
            extra = 0;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            out += '?'; // a stray continuation byte or an invalid lead byte
            ++k;
            continue;
        }
        bool ok = true;
        for (size_t m = 1; m <= extra; ++m) {
            if (k + m >= text.size() || (static_cast<uint8_t>(text[k + m]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (static_cast<uint8_t>(text[k + m]) & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++k;
            continue;
        }
        out += byteFor(c);
        k += extra + 1;
    }
    return out;
}

} // namespace zolmar
