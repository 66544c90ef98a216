#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What a line's bytes are as text. A line that is valid UTF-8 reads as UTF-8; any other
// line reads byte by byte as Windows-1252, the code page the suite writes its logs in.

bool IsAscii(std::string_view text);
// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// How a text's bytes read as characters. Pieces of one line are read the way the whole
// line reads, so that a piece that happens to be valid UTF-8 on its own does not read
// differently from the rest of a Windows-1252 line.
enum class TextReading : std::uint8_t { Ascii, Utf8, Windows1252 };
TextReading ReadingOf(std::string_view text);
// The reading of text made of the two parts, one after the other; the first must end
// between characters (a re-formatted timestamp does).
TextReading ReadingOf(std::string_view first, std::string_view second);

// The character that starts at p in valid UTF-8 text; p moves past it.
inline char32_t NextUtf8(const char*& p) {
    const auto b = static_cast<unsigned char>(*p++);
    if (b < 0x80) return b;
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3Fu >> extra);
    for (int k = 0; k < extra; ++k) c = (c << 6) | (static_cast<unsigned char>(*p++) & 0x3Fu);
    return c;
}
// Appends the UTF-8 bytes of a character.
void AppendUtf8(char32_t c, std::string& out);
// The first byte of [begin, end) that is above ASCII; end when none.
const char* FindNonAscii(const char* begin, const char* end);

// The Windows-1252 character of one byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same value.
char16_t Windows1252ToUnicode(unsigned char byte);
// The Windows-1252 bytes of a UTF-8 text, the way a line in that code page would hold
// it; empty when a character has no byte there.
std::string EncodeWindows1252(std::string_view utf8);
