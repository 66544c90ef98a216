#pragma once

#include <string>
#include <utility>
#include <vector>

#include "FilterList.h"

// A filter list as plain values, in list order, for comparing lists in tests.
using Records = std::vector<std::pair<FilterKind, std::string>>;

inline Records RecordsOf(const FilterList& list) {
    Records out;
    for (const LogFilter& f : list) out.emplace_back(f.kind, f.text);
    return out;
}

inline FilterList MakeFilterList(const Records& records) {
    FilterList list;
    for (const auto& [kind, text] : records) list.Append(text, kind);
    return list;
}
