#pragma once

#include <string_view>

// The active filters as the document applies them: a prepared test of one raw line.
// The filter library implements it; the document sees nothing else of the filters.
class ILineFilter {
public:
    virtual ~ILineFilter() = default;
    // Whether the raw line (without its line end) is displayed.
    virtual bool Passes(std::string_view line) const = 0;
    // A text that every passing line contains, or empty when there is none. The document
    // uses it to search the whole buffer instead of testing every line.
    virtual std::string_view RequiredSubstring() const { return {}; }
};
