#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "CSubstringSearcher.h"
#include "ILineFilter.h"
#include "LogFilter.h"

// A filter list prepared for one rebuild: each string filter gets its searcher once, and
// a line is displayed only when every filter passes it, tested in list order up to the
// first one that fails. The list must outlive the matcher.
class CFilterMatcher : public ILineFilter {
public:
    CFilterMatcher(const LogFilter* list, bool excludeInvalid,
                   const LocaleFormats& formats = GetLocaleFormats());

    bool Passes(std::string_view line) const override;
    // The text of the first non-empty include-string filter.
    std::string_view RequiredSubstring() const override;

private:
    struct Prepared {
        const LogFilter* filter;
        std::optional<CSubstringSearcher> searcher;  // string kinds with a non-empty text
    };

    std::vector<Prepared> m_filters;
    bool m_bExcludeInvalid;
    const LocaleFormats& m_formats;
};
