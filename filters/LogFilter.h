#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "LocaleFormats.h"
#include "LogTime.h"

enum class FilterKind : std::int32_t {
    ExcludeString = 0,
    IncludeString = 1,
    ExcludeInterval = 2,
    IncludeInterval = 3,
    Unset = 4,
    // A regular expression (see CPatternSearcher), matched case-sensitively as the texts are.
    ExcludePattern = 5,
    IncludePattern = 6,
};

// One filter, a plain value.
struct LogFilter {
    std::string text;  // as entered: search text, pattern, or interval text (IntervalText)
    FilterKind kind = FilterKind::Unset;
    std::optional<LogTime> from;  // interval kinds only: lower end, inclusive
    std::optional<LogTime> to;    // interval kinds only: upper end, inclusive

    bool operator==(const LogFilter&) const = default;
};

// ExcludeInterval and IncludeInterval: the kinds whose text is an interval text.
bool IsIntervalKind(FilterKind kind);

// A filter with the given text and kind; for the interval kinds its ends are those the
// text covers (IntervalText::Covered: user date order, system separators, defaults for an
// end that cannot be read).
LogFilter MakeFilter(std::string_view text, FilterKind kind,
                     const LocaleFormats& formats = GetLocaleFormats());

// Whether an interval filter of this text got a default end because an end cannot be
// read (no " to ", garbage, another date order): it then covers more than its text says.
// False for the other kinds.
bool HasDefaultEnds(std::string_view text, FilterKind kind,
                    const LocaleFormats& formats = GetLocaleFormats());

// Whether the raw line passes this one filter. excludeInvalid is the preference "Exclude
// lines with invalid timestamps", which decides interval tests on unreadable lines.
bool Matches(const LogFilter& filter, std::string_view line, bool excludeInvalid,
             const LocaleFormats& formats = GetLocaleFormats());
bool IsInInterval(const LogFilter& filter, std::string_view line, bool excludeInvalid,
                  const LocaleFormats& formats = GetLocaleFormats());
