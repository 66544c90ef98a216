#pragma once

#include <cstdint>
#include <string_view>

#include "TextBytes.h"

// Pixel widths of display text in the view's two fonts, the normal one and its bold
// variant. The view layer implements it with the real fonts. Widths add up: a text
// measured in pieces is as wide as the whole.
class ITextMeasurer {
public:
    virtual ~ITextMeasurer() = default;
    // Width in pixels of the bytes read the given way (a piece of a line is read the way
    // its whole line reads). Contract: a non-empty text is at least 1 pixel wide and at
    // most MaxByteAdvance per byte when that bound is given.
    virtual std::int64_t TextWidth(std::string_view text, bool bold, TextReading reading) const = 0;
    // Width of a whole text, read the way its own bytes read.
    std::int64_t TextWidth(std::string_view text, bool bold) const {
        return TextWidth(text, bold, ReadingOf(text));
    }
    // An upper bound on the width any one byte can add in either font, or 0 when the
    // measurer cannot give one. Lets the document skip measuring lines that cannot be the
    // widest.
    virtual std::int64_t MaxByteAdvance() const { return 0; }
};
