#include "CFilterMatcher.h"

CFilterMatcher::CFilterMatcher(const LogFilter* list, bool excludeInvalid,
                               const LocaleFormats& formats)
    : m_bExcludeInvalid(excludeInvalid), m_formats(formats) {
    for (const LogFilter* node = list; node != nullptr; node = node->next.get()) {
        Prepared p{node, std::nullopt};
        const bool isString = node->kind == FilterKind::ExcludeString || node->kind == FilterKind::IncludeString;
        if (isString && !node->text.empty()) {
            p.searcher.emplace(node->text);
        }
        m_filters.push_back(std::move(p));
    }
}

bool CFilterMatcher::Passes(std::string_view line) const {
    for (const Prepared& p : m_filters) {
        if (!p.searcher) {
            if (!Matches(*p.filter, line, m_bExcludeInvalid, m_formats)) return false;
            continue;
        }
        const bool found = p.searcher->Contains(line);
        if (found != (p.filter->kind == FilterKind::IncludeString)) return false;
    }
    return true;
}

std::string_view CFilterMatcher::RequiredSubstring() const {
    for (const Prepared& p : m_filters) {
        if (p.filter->kind == FilterKind::IncludeString && !p.filter->text.empty()) return p.filter->text;
    }
    return {};
}
