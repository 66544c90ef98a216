#include "LogFilter.h"

#include "CPatternSearcher.h"
#include "IntervalText.h"
#include "LogLine.h"

bool IsIntervalKind(FilterKind kind) {
    return kind == FilterKind::ExcludeInterval || kind == FilterKind::IncludeInterval;
}

LogFilter MakeFilter(std::string_view text, FilterKind kind, const LocaleFormats& formats) {
    LogFilter filter{std::string(text), kind, std::nullopt, std::nullopt};
    if (!IsIntervalKind(kind)) return filter;
    const IntervalText::Ends ends = IntervalText::Covered(text, formats);
    filter.from = ends.from;
    filter.to = ends.to;
    return filter;
}

bool HasDefaultEnds(std::string_view text, FilterKind kind, const LocaleFormats& formats) {
    return IsIntervalKind(kind) && IntervalText::HasDefaultEnds(text, formats);
}

bool IsInInterval(const LogFilter& filter, std::string_view line, bool excludeInvalid,
                  const LocaleFormats& formats) {
    LogTime t;
    if (ParseTimestamp(line, true, &t, formats)) {
        return filter.from && filter.to && t.IsAtOrAfter(*filter.from) &&
               t.IsAtOrBefore(*filter.to);
    }
    return excludeInvalid ? filter.kind == FilterKind::ExcludeInterval
                          : filter.kind == FilterKind::IncludeInterval;
}

bool Matches(const LogFilter& filter, std::string_view line, bool excludeInvalid,
             const LocaleFormats& formats) {
    switch (filter.kind) {
        case FilterKind::ExcludeString:
            return line.find(filter.text) == std::string_view::npos;
        case FilterKind::IncludeString:
            return line.find(filter.text) != std::string_view::npos;
        case FilterKind::ExcludeInterval:
            return !IsInInterval(filter, line, excludeInvalid, formats);
        case FilterKind::IncludeInterval:
            return IsInInterval(filter, line, excludeInvalid, formats);
        case FilterKind::ExcludePattern:
            return !CPatternSearcher(filter.text, true).Matches(line);
        case FilterKind::IncludePattern:
            return CPatternSearcher(filter.text, true).Matches(line);
        case FilterKind::Unset:
            break;
    }
    return true;
}
