#pragma once

#include <cstddef>
#include <string_view>

#include "CLineCutter.h"

// The active filters as the document applies them: a prepared test of one raw line.
// The filter library implements it; the document sees nothing else of the filters.
class ILineFilter {
public:
    virtual ~ILineFilter() = default;
    // Whether the raw line (without its line end) is displayed.
    virtual bool Passes(std::string_view line) const = 0;
    // The same for the lines spans[0, n) of data (ascending) at once: pass[k] tells
    // whether line k is displayed. A filter that searches a whole block for a text
    // faster than line by line overrides it.
    virtual void PassesEach(const char* data, const LineSpan* spans, std::size_t n, bool* pass) const {
        for (std::size_t k = 0; k < n; ++k) {
            pass[k] = Passes(std::string_view(data + spans[k].start, static_cast<std::size_t>(spans[k].length)));
        }
    }
    // A text that every passing line contains, or empty when there is none. The document
    // uses it to search the whole buffer instead of testing every line.
    virtual std::string_view RequiredSubstring() const { return {}; }
};
