#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "TextBytes.h"

// Turning the bytes of a log line into characters for drawing and measuring. A line that
// is valid UTF-8 is read as UTF-8; any other line is read byte by byte as Windows-1252,
// the code page the suite writes its logs in. The bytes themselves are never changed.

QString DecodeLogText(std::string_view text);
// The same into out (its memory reused), with the reading chosen by the caller: a piece
// of a line reads the way the whole line does.
void DecodeLogText(std::string_view text, TextReading reading, QString& out);

// Calls f(codePoint, byteOffset) for each character of text, read as UTF-8 when utf8 is
// set (text must then be valid UTF-8) or else byte by byte as Windows-1252, until f
// returns false.
template <class F>
void ForEachCharacter(std::string_view text, bool utf8, F&& f) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (!utf8 || b < 0x80) {
            if (!f(utf8 ? char32_t{b} : char32_t{Windows1252ToUnicode(b)}, i)) return;
            ++i;
            continue;
        }
        const char* next = text.data() + i;
        const char32_t cp = NextUtf8(next);
        if (!f(cp, i)) return;
        i = static_cast<std::size_t>(next - text.data());
    }
}
