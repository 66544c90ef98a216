#pragma once

#include <cstdint>
#include <string_view>

// Colour of a log line, chosen by an optional letter and blank at its start.
enum class LineColor { Normal, Blue, Cyan, Green, Magenta, Red, Yellow };

// When the line is at least two bytes long and its second byte is a blank, the first
// byte picks the colour (B C G M R Y); anything else, "N " included, is Normal.
LineColor LineColorOf(std::string_view raw);

// True when the line starts with one of the seven prefix letters B C G M N R Y and a
// blank. Such a prefix is not part of what the view shows.
bool HasColourPrefix(std::string_view raw);

// 0xRRGGBB of a colour; Normal has none (the window-text colour) and gives -1.
std::int32_t LineColorRgb(LineColor color);
