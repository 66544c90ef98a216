#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "CLineCutter.h"
#include "CSubstringSearcher.h"
#include "ILineFilter.h"
#include "LocaleFormats.h"
#include "LogLine.h"

// Picks the lines that are displayed: those that pass the active filters and whose
// display text is not empty. When the filters name a text every passing line must
// contain, the bytes are searched for it once and only the lines it occurs in are
// tested. The window's document and the headless export both select through this.
class CLineSelector {
public:
    CLineSelector(const ILineFilter* filter, bool excludeInvalid, const LocaleFormats& formats)
        : m_pFilter(filter), m_bExcludeInvalid(excludeInvalid), m_formats(formats) {
        const std::string_view needle = filter != nullptr ? filter->RequiredSubstring() : std::string_view();
        if (!needle.empty()) m_searcher.emplace(needle);
    }

    // Calls onKept(k, raw, layout) for each selected span k of spans[0, n), in order;
    // spans are relative to data and ascending. layout tells how the line shows.
    template <class OnKept>
    void Select(const char* data, const LineSpan* spans, std::size_t n, OnKept&& onKept);

    // The searcher for the text every selected line contains, or null.
    const CSubstringSearcher* Searcher() const { return m_searcher ? &*m_searcher : nullptr; }

private:
    template <class OnKept>
    void Consider(const char* data, const LineSpan& span, std::size_t k, OnKept& onKept) {
        const std::string_view raw(data + span.start, static_cast<std::size_t>(span.length));
        if (m_pFilter != nullptr && !m_pFilter->Passes(raw)) return;
        const DisplayLayout layout = LayoutDisplayText(raw, m_bExcludeInvalid, m_formats);
        if (layout.Length(raw.size()) == 0) return;
        onKept(k, raw, layout);
    }

    const ILineFilter* m_pFilter;
    bool m_bExcludeInvalid;
    const LocaleFormats& m_formats;
    std::optional<CSubstringSearcher> m_searcher;
};

template <class OnKept>
void CLineSelector::Select(const char* data, const LineSpan* spans, std::size_t n, OnKept&& onKept) {
    if (n == 0) return;
    if (!m_searcher) {
        for (std::size_t k = 0; k < n; ++k) Consider(data, spans[k], k, onKept);
        return;
    }
    // A hit counts only when it lies inside one line; the search resumes after that line.
    const std::size_t length = m_searcher->Needle().size();
    const char* pos = data + spans[0].start;
    const char* const end = data + spans[n - 1].start + spans[n - 1].length;
    std::size_t k = 0;
    while (pos < end) {
        const char* hit = m_searcher->Find(pos, end);
        if (hit == end) break;
        const auto offset = static_cast<std::uint64_t>(hit - data);
        while (k < n && spans[k].start + spans[k].length < offset + length) ++k;
        if (k == n) break;
        if (spans[k].start <= offset) {
            Consider(data, spans[k], k, onKept);
            pos = data + spans[k].start + spans[k].length;
            ++k;
        } else {
            pos = data + spans[k].start;
        }
    }
}
