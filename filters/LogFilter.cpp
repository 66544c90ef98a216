#include "LogFilter.h"

#include "CPatternSearcher.h"
#include "LogLine.h"
#include "StringTable.h"

namespace {

bool IsInterval(FilterKind kind) {
    return kind == FilterKind::ExcludeInterval || kind == FilterKind::IncludeInterval;
}

// The ends an interval gets for a side that cannot be read.
std::unique_ptr<LogTime> DefaultEnd(bool from) {
    return std::make_unique<LogTime>(from ? kDefaultIntervalFrom : kDefaultIntervalTo);
}

std::unique_ptr<LogTime> ReadEnd(std::string_view text, const LocaleFormats& formats) {
    auto t = std::make_unique<LogTime>();
    if (!ParseTimestamp(text, false, t.get(), formats)) return nullptr;
    return t;
}

// The two ends of an interval text; an end that cannot be read stays null.
void ReadEnds(std::string_view text, const LocaleFormats& formats, std::unique_ptr<LogTime>& from,
              std::unique_ptr<LogTime>& to) {
    const std::string_view join = LoadString(IDS_INTERVAL_JOIN);
    const std::size_t d = text.find(join);
    if (d == std::string_view::npos) return;
    from = ReadEnd(text.substr(0, d), formats);
    // The to-end is the last d characters: for texts whose two ends have the same length
    // these are exactly the characters after " to ".
    to = ReadEnd(text.substr(text.size() >= d ? text.size() - d : 0), formats);
}

}  // namespace

LogFilter::~LogFilter() {
    std::unique_ptr<LogFilter> rest = std::move(next);
    while (rest) rest = std::move(rest->next);
}

std::unique_ptr<LogFilter> MakeFilter(std::string_view text, FilterKind kind,
                                      const LocaleFormats& formats) {
    auto node = std::make_unique<LogFilter>();
    node->text = std::string(text);
    node->kind = kind;
    if (!IsInterval(kind)) return node;

    ReadEnds(text, formats, node->from, node->to);
    if (node->from && node->to) {
        if (node->from->IsAtOrAfter(*node->to)) std::swap(node->from, node->to);
        return node;
    }
    if (!node->from) node->from = DefaultEnd(true);
    if (!node->to) node->to = DefaultEnd(false);
    return node;
}

bool HasDefaultEnds(std::string_view text, FilterKind kind, const LocaleFormats& formats) {
    if (!IsInterval(kind)) return false;
    std::unique_ptr<LogTime> from;
    std::unique_ptr<LogTime> to;
    ReadEnds(text, formats, from, to);
    return !from || !to;
}

LogFilter* AppendFilter(FilterList& list, std::string_view text, FilterKind kind,
                        const LocaleFormats& formats) {
    std::unique_ptr<LogFilter>* slot = &list;
    while (*slot) slot = &(*slot)->next;
    *slot = MakeFilter(text, kind, formats);
    return list.get();
}

LogFilter* UnlinkFilter(FilterList& list, std::string_view text, FilterKind kind) {
    for (std::unique_ptr<LogFilter>* slot = &list; *slot; slot = &(*slot)->next) {
        if ((*slot)->text == text && (*slot)->kind == kind) {
            std::unique_ptr<LogFilter> removed = std::move(*slot);
            *slot = std::move(removed->next);
            break;
        }
    }
    return list.get();
}

FilterList CopyFilterList(const LogFilter* list) {
    FilterList copy;
    std::unique_ptr<LogFilter>* slot = &copy;
    for (const LogFilter* node = list; node != nullptr; node = node->next.get()) {
        auto n = std::make_unique<LogFilter>();
        n->text = node->text;
        n->kind = node->kind;
        if (node->from) n->from = std::make_unique<LogTime>(*node->from);
        if (node->to) n->to = std::make_unique<LogTime>(*node->to);
        *slot = std::move(n);
        slot = &(*slot)->next;
    }
    return copy;
}

void FreeFilterList(FilterList& list) {
    list.reset();
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
