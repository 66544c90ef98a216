#pragma once

#include <cstdint>
#include <memory>
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

// One node of a filter list. A node owns its interval ends and the rest of the chain.
struct LogFilter {
    std::unique_ptr<LogTime> to;    // interval kinds only: upper end, inclusive
    std::unique_ptr<LogTime> from;  // interval kinds only: lower end, inclusive
    std::unique_ptr<LogFilter> next;
    std::string text;  // as entered: search text, or "FROM to TO"
    FilterKind kind = FilterKind::Unset;

    LogFilter() = default;
    LogFilter(const LogFilter&) = delete;
    LogFilter& operator=(const LogFilter&) = delete;
    // Frees the rest of the chain one node at a time, so that long lists do not recurse.
    ~LogFilter();
};

// The ends an interval gets for a side that cannot be read. The messages that warn of
// such intervals (IDS_INTERVAL_FELL_BACK, IDS_INTERVAL_FELL_BACK_TIP) name these.
inline constexpr LogTime kDefaultIntervalFrom{1970, 1, 1, 0, 0, 0};
inline constexpr LogTime kDefaultIntervalTo{2037, 12, 31, 23, 59, 59};

// The first node of a chain; null for an empty list. Order is the order of appending.
using FilterList = std::unique_ptr<LogFilter>;

// A new unlinked node with the given text and kind; for the interval kinds its ends are
// read from the text (user date order, system separators), with the default ends above
// for an end that cannot be read.
std::unique_ptr<LogFilter> MakeFilter(std::string_view text, FilterKind kind,
                                      const LocaleFormats& formats = GetLocaleFormats());

// Whether an interval filter of this text got a default end because an end cannot be
// read (no " to ", garbage, another date order): it then covers more than its text says.
// False for the string kinds.
bool HasDefaultEnds(std::string_view text, FilterKind kind,
                    const LocaleFormats& formats = GetLocaleFormats());

// Appends a new node at the end of the list; returns the first node.
LogFilter* AppendFilter(FilterList& list, std::string_view text, FilterKind kind,
                        const LocaleFormats& formats = GetLocaleFormats());
// Removes the first node with exactly this text and kind; returns the first node.
LogFilter* UnlinkFilter(FilterList& list, std::string_view text, FilterKind kind);
// A deep copy: same texts and kinds in the same order, independent interval ends.
FilterList CopyFilterList(const LogFilter* list);
void FreeFilterList(FilterList& list);

// Whether the raw line passes this one node. excludeInvalid is the preference "Exclude
// lines with invalid timestamps", which decides interval tests on unreadable lines.
bool Matches(const LogFilter& filter, std::string_view line, bool excludeInvalid,
             const LocaleFormats& formats = GetLocaleFormats());
bool IsInInterval(const LogFilter& filter, std::string_view line, bool excludeInvalid,
                  const LocaleFormats& formats = GetLocaleFormats());
