#pragma once

#include <QString>
#include <string_view>

#include "TextBytes.h"

// Turning the bytes of a log line into characters for drawing and measuring. A line that
// is valid UTF-8 is read as UTF-8; any other line is read byte by byte as Windows-1252,
// the code page the suite writes its logs in. The bytes themselves are never changed.

// The Windows-1252 character of one byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same value.
char16_t Windows1252ToUnicode(unsigned char byte);
QString DecodeLogText(std::string_view text);
