#pragma once

#include "ITextMeasurer.h"

// Every byte is `advance` pixels wide in the normal font and twice that in bold; the byte
// `narrow`, when given, is 1 pixel in either font (a proportional font in miniature).
class FakeTextMeasurer : public ITextMeasurer {
public:
    explicit FakeTextMeasurer(std::int64_t advanceIn = 3, bool giveBound = false, char narrowIn = 0)
        : advance(advanceIn), bound(giveBound), narrow(narrowIn) {}
    using ITextMeasurer::TextWidth;
    std::int64_t TextWidth(std::string_view text, bool bold, TextReading) const override {
        ++calls;
        std::int64_t width = 0;
        for (const char c : text)
            width += narrow != 0 && c == narrow ? 1 : advance * (bold ? 2 : 1);
        return width;
    }
    std::int64_t MaxByteAdvance() const override { return bound ? 2 * advance : 0; }

    std::int64_t advance;
    bool bound;
    char narrow;
    mutable int calls = 0;
};
