#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "CLineCutter.h"
#include "LogTime.h"

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
    virtual void PassesEach(const char* data, const LineSpan* spans, std::size_t n,
                            bool* pass) const {
        for (std::size_t k = 0; k < n; ++k) {
            pass[k] = Passes(
                std::string_view(data + spans[k].start, static_cast<std::size_t>(spans[k].length)));
        }
    }
    // A text that every passing line contains, or empty when there is none. The document
    // uses it to search the whole buffer instead of testing every line.
    virtual std::string_view RequiredSubstring() const { return {}; }

    // A line too long to hold whole, decided piece by piece: the pieces in order, each
    // following the one before, then the line's timestamp.
    class Pieces {
    public:
        virtual ~Pieces() = default;
        virtual void Feed(std::string_view piece) = 0;
        // Whether the line is displayed; time is its timestamp, null when none can be read.
        virtual bool Passes(const LogTime* time) const = 0;
    };
    // A fresh decision for one line.
    virtual std::unique_ptr<Pieces> DecideInPieces() const = 0;
    // Whether Passes looks at the line's timestamp.
    virtual bool NeedsTime() const = 0;
};
