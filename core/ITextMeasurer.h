#pragma once

#include <cstdint>
#include <string_view>

// Pixel widths of display text in the view's two fonts, the normal one and its bold
// variant. The view layer implements it with the real fonts.
class ITextMeasurer {
public:
    virtual ~ITextMeasurer() = default;
    // Width of the bytes in pixels. Contract: a non-empty text is at least 1 pixel wide,
    // so that whether a line is shown does not depend on the font.
    virtual std::int64_t TextWidth(std::string_view text, bool bold) const = 0;
    // An upper bound on the width any one byte can add in either font, or 0 when the
    // measurer cannot give one. Lets the document skip measuring lines that cannot be the
    // widest.
    virtual std::int64_t MaxByteAdvance() const { return 0; }
};
