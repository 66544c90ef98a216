#include "TextBytes.h"

#include <cstdint>
#include <cstring>

bool IsAscii(std::string_view text) {
    const char* p = text.data();
    std::size_t n = text.size();
    // Eight bytes at a time: the common line is plain ASCII and this is on every paint.
    while (n >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        if ((word & 0x8080808080808080ull) != 0) return false;
        p += 8;
        n -= 8;
    }
    for (; n > 0; --n, ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        std::size_t extra = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0) lo = 0xA0;  // overlong
            if (b == 0xED) hi = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0) lo = 0x90;  // overlong
            if (b == 0xF4) hi = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) <= extra) return false;
        if (p[1] < lo || p[1] > hi) return false;
        for (std::size_t k = 2; k <= extra; ++k) {
            if (p[k] < 0x80 || p[k] > 0xBF) return false;
        }
        p += extra + 1;
    }
    return true;
}

TextReading ReadingOf(std::string_view text) { return ReadingOf(text, {}); }

TextReading ReadingOf(std::string_view first, std::string_view second) {
    if (IsAscii(first) && IsAscii(second)) return TextReading::Ascii;
    // Valid UTF-8 ends on a character boundary, so two valid parts make a valid whole.
    return IsValidUtf8(first) && IsValidUtf8(second) ? TextReading::Utf8 : TextReading::Windows1252;
}
