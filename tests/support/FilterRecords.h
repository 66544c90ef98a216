#pragma once

#include <string>
#include <utility>
#include <vector>

#include "LogFilter.h"

// A filter list as plain values, in list order, for comparing lists in tests.
using Records = std::vector<std::pair<FilterKind, std::string>>;

inline Records RecordsOf(const LogFilter* list) {
    Records out;
    for (const LogFilter* n = list; n != nullptr; n = n->next.get())
        out.emplace_back(n->kind, n->text);
    return out;
}

inline FilterList MakeFilterList(const Records& records) {
    FilterList list;
    for (const auto& [kind, text] : records) AppendFilter(list, text, kind);
    return list;
}
