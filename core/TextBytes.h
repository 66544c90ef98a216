#pragma once

#include <cstddef>
#include <string_view>

// What a line's bytes are as text. A line that is valid UTF-8 reads as UTF-8; any other
// line reads byte by byte as Windows-1252, the code page the suite writes its logs in.

bool IsAscii(std::string_view text);
// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Where the timestamp column of a display text ends: after `column` bytes, moved back so
// that a UTF-8 text is not cut inside a character (both parts must still read as UTF-8).
std::size_t ColumnSplit(std::string_view text, std::size_t column);

// The character that starts at p in valid UTF-8 text; p moves past it.
char32_t NextUtf8(const char*& p);
// The first byte of [begin, end) that is above ASCII; end when none.
const char* FindNonAscii(const char* begin, const char* end);
