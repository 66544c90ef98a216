#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
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
        const std::string_view needle =
            filter != nullptr ? filter->RequiredSubstring() : std::string_view();
        if (!needle.empty()) m_searcher.emplace(needle);
        // A line that is not empty shows as something unless unreadable lines are left
        // out: a readable timestamp shows in a format of at least one field or literal.
        bool formatShows = false;
        for (const DisplayPiece& piece : formats.displayFormat.pieces) {
            formatShows = formatShows || piece.field != DisplayPiece::Field::Literal ||
                          !piece.literal.empty();
        }
        m_bEveryLineShows = !excludeInvalid && formatShows;
    }

    // Calls onKept(k, raw, displayLength) for each selected span k of spans[0, n), in
    // order; spans are relative to data and ascending. layoutCodes, when given, holds a
    // LayoutCode per span (0 where not yet known, filled in here), so that a line's
    // timestamp is read once per load rather than once per rebuild. A caller that does
    // not use displayLength says so with NeedLength false: it then gets 0, and a line's
    // timestamp is not read at all when every line shows whatever it holds.
    template <bool NeedLength = true, class OnKept>
    void Select(const char* data, const LineSpan* spans, std::size_t n, OnKept&& onKept,
                std::uint32_t* layoutCodes = nullptr);

    // How a line shows whatever the preference, in 32 bits: 1 when no timestamp can be
    // read in it, 2 + the length of its display text otherwise; 0 when that length does
    // not fit (the line is then worked out anew each time).
    static std::uint32_t LayoutCode(std::string_view raw, const LocaleFormats& formats) {
        const DisplayLayout layout = LayoutDisplayText(raw, false, formats);
        if (!layout.readable) return 1;
        const std::size_t length = layout.Length(raw.size());
        return length < 0xFFFFFFF0u ? static_cast<std::uint32_t>(2 + length) : 0;
    }

    // Select for spans that are known to hold the searcher's text (cut around it).
    template <bool NeedLength = true, class OnKept>
    void SelectHolding(const char* data, const LineSpan* spans, std::size_t n, OnKept&& onKept);

    // The layout of a line whose LayoutCode is code, without searching a line known to
    // have no timestamp for one.
    static DisplayLayout Layout(std::string_view raw, std::uint32_t code, bool excludeInvalid,
                                const LocaleFormats& formats) {
        if (code == 1) return LayoutUnreadableDisplayText(raw, excludeInvalid);
        if (code != 0) return LayoutReadableDisplayText(raw, formats);
        return LayoutDisplayText(raw, excludeInvalid, formats);
    }

    // Every line the filter passes shows, whatever its timestamp: a caller that needs a
    // line's display length only to compare it may then take Select<false> and an upper
    // bound (the raw length plus DisplayFormat::MaxFormattedLength).
    bool EveryLineShows() const { return m_bEveryLineShows; }
    // The searcher for the text every selected line contains, or null.
    const CSubstringSearcher* Searcher() const { return m_searcher ? &*m_searcher : nullptr; }

    // A line too long to hold whole: the filter's decision in pieces (null without a
    // filter), whether the line's timestamp is needed, and whether the line is selected
    // (it is far longer than a timestamp, so it shows unless it is left out as unreadable).
    std::unique_ptr<ILineFilter::Pieces> DecideInPieces() const {
        return m_pFilter != nullptr ? m_pFilter->DecideInPieces() : nullptr;
    }
    bool NeedsTime() const {
        return m_bExcludeInvalid || (m_pFilter != nullptr && m_pFilter->NeedsTime());
    }
    bool SelectsLongLine(const ILineFilter::Pieces* pieces, const LogTime* time) const {
        return (pieces == nullptr || pieces->Passes(time)) &&
               (time != nullptr || !m_bExcludeInvalid);
    }
    const LocaleFormats& Formats() const { return m_formats; }

    // Calls onSpan(k) for each span k of spans[0, n) (ascending, relative to data) that
    // holds searcher's text, searching the bytes from the first span to the last once:
    // a hit counts only when it lies inside one span; the search resumes after that span.
    template <class OnSpan>
    static void ForEachSpanHolding(const CSubstringSearcher& searcher, const char* data,
                                   const LineSpan* spans, std::size_t n, OnSpan&& onSpan);

private:
    // Lines decided a block at a time when no text is searched for first.
    static constexpr std::size_t kDecideBlock = 4096;

    template <bool NeedLength, class OnKept>
    void Consider(const char* data, const LineSpan& span, std::size_t k, OnKept& onKept,
                  std::uint32_t* codes, bool passed = false) {
        const std::string_view raw(data + span.start, static_cast<std::size_t>(span.length));
        if (!passed && m_pFilter != nullptr && !m_pFilter->Passes(raw)) return;
        if (!NeedLength && m_bEveryLineShows) {
            onKept(k, raw, std::size_t{0});
            return;
        }
        std::uint32_t code = codes != nullptr ? codes[k] : 0;
        if (code == 0) {
            code = LayoutCode(raw, m_formats);
            if (codes != nullptr) codes[k] = code;
        }
        std::size_t length = 0;
        if (code == 1) {
            length = m_bExcludeInvalid ? 0 : raw.size();
        } else if (code != 0) {
            length = code - 2;
        } else {
            length = LayoutDisplayText(raw, m_bExcludeInvalid, m_formats).Length(raw.size());
        }
        if (length != 0) onKept(k, raw, length);
    }

    const ILineFilter* m_pFilter;
    bool m_bExcludeInvalid;
    const LocaleFormats& m_formats;
    std::optional<CSubstringSearcher> m_searcher;
    bool m_bEveryLineShows = false;  // no line's display text is empty but an empty line's
};

template <class OnSpan>
void CLineSelector::ForEachSpanHolding(const CSubstringSearcher& searcher, const char* data,
                                       const LineSpan* spans, std::size_t n, OnSpan&& onSpan) {
    if (n == 0) return;
    const std::size_t length = searcher.Needle().size();
    const char* pos = data + spans[0].start;
    const char* const end = data + spans[n - 1].start + spans[n - 1].length;
    std::size_t k = 0;
    while (pos < end) {
        const char* hit = searcher.Find(pos, end);
        if (hit == end) break;
        const auto offset = static_cast<std::uint64_t>(hit - data);
        while (k < n && spans[k].start + spans[k].length < offset + length) ++k;
        if (k == n) break;
        if (spans[k].start <= offset) {
            onSpan(k);
            pos = data + spans[k].start + spans[k].length;
            ++k;
        } else {
            pos = data + spans[k].start;
        }
    }
}

template <bool NeedLength, class OnKept>
void CLineSelector::Select(const char* data, const LineSpan* spans, std::size_t n, OnKept&& onKept,
                           std::uint32_t* layoutCodes) {
    if (n == 0) return;
    if (m_searcher) {
        ForEachSpanHolding(*m_searcher, data, spans, n, [&](std::size_t k) {
            Consider<NeedLength>(data, spans[k], k, onKept, layoutCodes);
        });
        return;
    }
    if (m_pFilter == nullptr) {
        for (std::size_t k = 0; k < n; ++k)
            Consider<NeedLength>(data, spans[k], k, onKept, layoutCodes, true);
        return;
    }
    bool pass[kDecideBlock];
    for (std::size_t first = 0; first < n; first += kDecideBlock) {
        const std::size_t count = std::min(kDecideBlock, n - first);
        m_pFilter->PassesEach(data, spans + first, count, pass);
        for (std::size_t k = 0; k < count; ++k) {
            if (pass[k])
                Consider<NeedLength>(data, spans[first + k], first + k, onKept, layoutCodes, true);
        }
    }
}

template <bool NeedLength, class OnKept>
void CLineSelector::SelectHolding(const char* data, const LineSpan* spans, std::size_t n,
                                  OnKept&& onKept) {
    for (std::size_t k = 0; k < n; ++k) Consider<NeedLength>(data, spans[k], k, onKept, nullptr);
}
