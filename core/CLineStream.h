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
// Selected lines that follow each other in the file with a CR LF between them are handed
// on as one run of bytes, so that writing them costs one copy and no work per line.
class CLineStream {
public:
    explicit CLineStream(std::size_t blockSize = std::size_t{256} << 10)
        : m_buffer(std::max<std::size_t>(blockSize, 1) + kPadding) {}

    // read(buffer, count, got) fills up to count bytes and returns false on a read error
    // (which ends the stream with false). size is how many bytes to read in all; fewer
    // arriving means the source ended early. onRun(bytes) gets the selected lines in
    // order, one or more at a time: bytes are the raw lines joined by CR LF, to be
    // followed by one more CR LF. It returns false to stop the stream early (which still
    // returns true).
    template <class Read, class OnRun>
    bool Run(CLineSelector& selector, std::uint64_t size, Read&& read, OnRun&& onRun);

private:
    static constexpr std::size_t kPadding = 1 + kScanPadding;  // the NUL and the scans past it
    CLineCutter m_cutter;
    std::vector<char> m_buffer;
    std::vector<LineSpan> m_spans;
};

template <class Read, class OnRun>
bool CLineStream::Run(CLineSelector& selector, std::uint64_t size, Read&& read, OnRun&& onRun) {
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
        const char* const data = m_buffer.data();
        const char* runStart = nullptr;
        const char* runEnd = nullptr;
        auto onKept = [&](std::size_t, std::string_view raw, std::size_t) {
            if (runStart != nullptr && raw.data() == runEnd + 2 && runEnd[0] == '\r' && runEnd[1] == '\n') {
                runEnd = raw.data() + raw.size();
                return;
            }
            if (runStart != nullptr) more = more && onRun(std::string_view(runStart, static_cast<std::size_t>(runEnd - runStart)));
            runStart = raw.data();
            runEnd = raw.data() + raw.size();
        };
        // Lines cut around the searcher's text hold it: they are not searched again.
        if (selector.Searcher() != nullptr) {
            selector.SelectHolding<false>(data, m_spans.data(), m_spans.size(), onKept);
        } else {
            selector.Select<false>(data, m_spans.data(), m_spans.size(), onKept);
        }
        if (runStart != nullptr) more = more && onRun(std::string_view(runStart, static_cast<std::size_t>(runEnd - runStart)));
        if (!more || last) return true;
        std::memmove(m_buffer.data(), m_buffer.data() + used, have - used);
        have -= used;
    }
}
