#include "TextBytes.h"

#include <cstdint>
#include <cstring>

bool IsAscii(std::string_view text) {
    return FindNonAscii(text.data(), text.data() + text.size()) == text.data() + text.size();
}

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            // Runs of ASCII, the bulk of most lines, eight bytes at a time.
            ++p;
            while (end - p >= 8) {
                std::uint64_t word = 0;
                std::memcpy(&word, p, 8);
                if ((word & 0x8080808080808080ull) != 0) break;
                p += 8;
            }
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

const char* FindNonAscii(const char* begin, const char* end) {
    const char* p = begin;
    // Eight bytes at a time: this runs on every paint, and a search for a non-ASCII text
    // runs it over the whole log.
    while (end - p >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
        p += 8;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) return p;
    }
    return end;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    // Lead byte: 110xxxxx, 1110xxxx or 11110xxxx by the number of continuation bytes.
    out.push_back(static_cast<char>(((0xFF00u >> (extra + 1)) & 0xFFu) | (c >> (6 * extra))));
    for (int k = extra - 1; k >= 0; --k) out.push_back(static_cast<char>(0x80u | ((c >> (6 * k)) & 0x3Fu)));
}
