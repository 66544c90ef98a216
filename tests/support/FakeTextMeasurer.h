#pragma once

#include "ITextMeasurer.h"

// Every byte is `advance` pixels wide in the normal font and twice that in bold.
class FakeTextMeasurer : public ITextMeasurer {
public:
    explicit FakeTextMeasurer(std::int64_t advanceIn = 3, bool giveBound = false)
        : advance(advanceIn), bound(giveBound) {}
    std::int64_t TextWidth(std::string_view text, bool bold) const override {
        ++calls;
        return static_cast<std::int64_t>(text.size()) * advance * (bold ? 2 : 1);
    }
    std::int64_t MaxByteAdvance() const override { return bound ? 2 * advance : 0; }

    std::int64_t advance;
    bool bound;
    mutable int calls = 0;
};
