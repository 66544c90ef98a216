#include "FilterList.h"

#include <algorithm>

void FilterList::Append(std::string_view text, FilterKind kind, const LocaleFormats& formats) {
    m_filters.push_back(MakeFilter(text, kind, formats));
}

bool FilterList::Remove(std::string_view text, FilterKind kind) {
    const auto it = std::find_if(m_filters.begin(), m_filters.end(), [&](const LogFilter& f) {
        return f.kind == kind && f.text == text;
    });
    if (it == m_filters.end()) return false;
    m_filters.erase(it);
    return true;
}
