#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "LogFilter.h"

// The filters of one list, in the order they were appended; a plain value (copies are
// independent). A line is displayed only when every filter of the list passes it.
class FilterList {
public:
    using const_iterator = std::vector<LogFilter>::const_iterator;

    FilterList() = default;

    void Append(LogFilter filter) { m_filters.push_back(std::move(filter)); }
    // Appends MakeFilter(text, kind, formats).
    void Append(std::string_view text, FilterKind kind,
                const LocaleFormats& formats = GetLocaleFormats());
    // Removes the first filter whose text is exactly text (bytes, case matters) and whose
    // kind is kind; false when there is none.
    bool Remove(std::string_view text, FilterKind kind);
    void Clear() { m_filters.clear(); }
    // Room for count filters in all, so that appending them allocates once.
    void Reserve(std::size_t count) { m_filters.reserve(count); }

    std::size_t size() const { return m_filters.size(); }
    bool empty() const { return m_filters.empty(); }
    const LogFilter& operator[](std::size_t i) const { return m_filters[i]; }
    const_iterator begin() const { return m_filters.begin(); }
    const_iterator end() const { return m_filters.end(); }

    bool operator==(const FilterList&) const = default;

private:
    std::vector<LogFilter> m_filters;
};
