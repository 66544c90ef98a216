#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "CLineCutter.h"
#include "CLineSelector.h"

// Selects lines from bytes read block by block, holding only a block (and the line that
// spans its end) in memory: the export's way through a log of any size. When every
// selected line must contain a text, only the lines around its occurrences are cut.
class CLineStream {
public:
    explicit CLineStream(std::size_t blockSize = std::size_t{256} << 10)
        : m_buffer(std::max<std::size_t>(blockSize, 1) + kPadding) {}

    // Whether a lone LF ends a line, as in the window (CLineCutter::SetLfEndsLine).
    void SetLfLineEnds(bool lfEndsLine) { m_cutter.SetLfEndsLine(lfEndsLine); }

    // read(buffer, count, got) fills up to count bytes and returns false on a read error
    // (which ends the stream with false). size is how many bytes to read in all; fewer
    // arriving means the source ended early. onKept(raw) gets each selected line in
    // order and returns false to stop the stream early (which still returns true).
    template <class Read, class OnKept>
    bool Run(CLineSelector& selector, std::uint64_t size, Read&& read, OnKept&& onKept);

private:
    static constexpr std::size_t kPadding = 1 + kScanPadding;  // the NUL and the scans past it
    CLineCutter m_cutter;
    std::vector<char> m_buffer;
    std::vector<LineSpan> m_spans;
};

template <class Read, class OnKept>
bool CLineStream::Run(CLineSelector& selector, std::uint64_t size, Read&& read, OnKept&& onKept) {
    m_cutter.Reset();
    std::uint64_t remaining = size;
    std::size_t have = 0;
    auto addSpan = [this](std::uint64_t start, std::uint64_t length) { m_spans.push_back({start, length}); };
    for (;;) {
        std::size_t capacity = m_buffer.size() - kPadding;
        if (have == capacity) {
            // A line longer than the block: grow the block to hold it.
            m_buffer.resize(2 * capacity + kPadding);
            capacity = m_buffer.size() - kPadding;
        }
        const std::uint64_t want = std::min<std::uint64_t>(capacity - have, remaining);
        std::uint64_t got = 0;
        if (!read(m_buffer.data() + have, want, got)) return false;
        remaining -= got;
        have += static_cast<std::size_t>(got);
        const bool last = got < want || remaining == 0;
        m_buffer[have] = '\0';  // the cutter's scans stop at a NUL
        m_spans.clear();
        const std::size_t used = selector.Searcher() != nullptr
                                     ? m_cutter.CutAround(m_buffer.data(), have, last, *selector.Searcher(), addSpan)
                                     : m_cutter.Cut(m_buffer.data(), have, last, addSpan);
        bool more = true;
        selector.Select(m_buffer.data(), m_spans.data(), m_spans.size(),
                        [&](std::size_t, std::string_view raw, std::size_t) { more = more && onKept(raw); });
        if (!more || last) return true;
        std::memmove(m_buffer.data(), m_buffer.data() + used, have - used);
        have -= used;
    }
}
