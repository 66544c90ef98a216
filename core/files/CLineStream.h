#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "CLineCutter.h"
#include "CLineSelector.h"
#include "LineScan.h"
#include "LogLine.h"

// Selects lines from a file read block by block, holding only a block in memory: the
// export's way through a log of any size. When every selected line must contain a text,
// only the lines around its occurrences are cut. Selected lines that follow each other
// in the file with a CR LF between them are handed on as one run of bytes, so that
// writing them costs one copy and no work per line. A line longer than the block is
// decided piece by piece as it streams past (its timestamp from its first bytes) and,
// when selected, copied from the file by offset: memory does not grow with the line.
class CLineStream {
public:
    explicit CLineStream(std::size_t blockSize = std::size_t{256} << 10)
        : m_buffer(std::max<std::size_t>(blockSize, 1) + kPadding) {}

    // Whether a lone LF ends a line, as in the window (CLineCutter::SetLfEndsLine).
    void SetLfLineEnds(bool lfEndsLine) { m_cutter.SetLfEndsLine(lfEndsLine); }

    // readAt(buffer, count, offset, got) fills up to count bytes from the source's offset
    // and returns false on a read error (which ends the stream with false). size is how
    // many bytes to read in all; fewer arriving means the source ended early.
    // onRun(bytes, ends) gets the selected lines in order: bytes are one or more raw
    // lines joined by CR LF, to be followed by one more CR LF when ends is set; a long
    // line comes in pieces with ends unset, then an empty piece with ends set. onRun
    // returns false to stop the stream early (which still returns true).
    template <class ReadAt, class OnRun>
    bool Run(CLineSelector& selector, std::uint64_t size, ReadAt&& readAt, OnRun&& onRun);

    // After Run returned false: true when a line was too long to read its timestamp from
    // the first kTimePrefix bytes (a read error otherwise).
    bool LineTooLong() const { return m_bLineTooLong; }

    // The most of a long line held at once to read its timestamp.
    static constexpr std::size_t kTimePrefix = std::size_t{32} << 20;

private:
    static constexpr std::size_t kPadding = 1 + kScanPadding;  // the NUL and the scans past it

    // Decides the line at offset start whose first have bytes fill the block, hands it
    // on when selected, and sets end to where its line end (or the file's end) is.
    template <class ReadAt, class OnRun>
    bool LongLine(CLineSelector& selector, std::uint64_t start, std::size_t have,
                  std::uint64_t size, ReadAt& readAt, OnRun& onRun, bool& more, std::uint64_t& end);

    CLineCutter m_cutter;
    std::vector<char> m_buffer;
    std::vector<LineSpan> m_spans;
    bool m_bLineTooLong = false;
};

template <class ReadAt, class OnRun>
bool CLineStream::Run(CLineSelector& selector, std::uint64_t size, ReadAt&& readAt, OnRun&& onRun) {
    m_cutter.Reset();
    m_bLineTooLong = false;
    const std::size_t capacity = m_buffer.size() - kPadding;
    std::uint64_t base = 0;  // the source offset of m_buffer[0]
    std::size_t have = 0;
    auto addSpan = [this](std::uint64_t start, std::uint64_t length) {
        m_spans.push_back({start, length});
    };
    for (;;) {
        const std::uint64_t want =
            std::min<std::uint64_t>(capacity - have, size - std::min(size, base + have));
        std::uint64_t got = 0;
        if (!readAt(m_buffer.data() + have, want, base + have, got)) return false;
        have += static_cast<std::size_t>(got);
        const bool last = got < want || base + have >= size;
        m_buffer[have] = '\0';  // the cutter's scans stop at a NUL
        m_spans.clear();
        const std::size_t used =
            selector.Searcher() != nullptr
                ? m_cutter.CutAround(m_buffer.data(), have, last, *selector.Searcher(), addSpan)
                : m_cutter.Cut(m_buffer.data(), have, last, addSpan);
        bool more = true;
        const char* const data = m_buffer.data();
        const char* runStart = nullptr;
        const char* runEnd = nullptr;
        auto onKept = [&](std::size_t, std::string_view raw, std::size_t) {
            if (runStart != nullptr && raw.data() == runEnd + 2 && runEnd[0] == '\r' &&
                runEnd[1] == '\n') {
                runEnd = raw.data() + raw.size();
                return;
            }
            if (runStart != nullptr)
                more = more && onRun(std::string_view(runStart,
                                                      static_cast<std::size_t>(runEnd - runStart)),
                                     true);
            runStart = raw.data();
            runEnd = raw.data() + raw.size();
        };
        // Lines cut around the searcher's text hold it: they are not searched again.
        if (selector.Searcher() != nullptr) {
            selector.SelectHolding<false>(data, m_spans.data(), m_spans.size(), onKept);
        } else {
            selector.Select<false>(data, m_spans.data(), m_spans.size(), onKept);
        }
        if (runStart != nullptr)
            more = more &&
                   onRun(std::string_view(runStart, static_cast<std::size_t>(runEnd - runStart)),
                         true);
        if (!more || last) return true;
        if (used == 0 && have == capacity) {
            // One line fills the block. The stream goes on at its line end, as at the start
            // of a line: a CR or NUL there ends an empty line, which shows nothing.
            std::uint64_t end = 0;
            if (!LongLine(selector, base, have, size, readAt, onRun, more, end)) return false;
            if (!more) return true;
            base = end;
            have = 0;
            m_cutter.Reset();
            continue;
        }
        std::memmove(m_buffer.data(), m_buffer.data() + used, have - used);
        base += used;
        have -= used;
    }
}

template <class ReadAt, class OnRun>
bool CLineStream::LongLine(CLineSelector& selector, std::uint64_t start, std::size_t have,
                           std::uint64_t size, ReadAt& readAt, OnRun& onRun, bool& more,
                           std::uint64_t& end) {
    const std::size_t capacity = m_buffer.size() - kPadding;
    const std::unique_ptr<ILineFilter::Pieces> pieces = selector.DecideInPieces();
    const bool needTime = selector.NeedsTime();
    LogTime time;
    bool readable = false;
    bool decided = true;
    if (needTime)
        readable = ParseTimestampOfPrefix(std::string_view(m_buffer.data(), have), &time, decided,
                                          selector.Formats());
    if (pieces) pieces->Feed(std::string_view(m_buffer.data(), have));
    end = start + have;
    for (;;) {
        const std::uint64_t want = std::min<std::uint64_t>(capacity, size - std::min(size, end));
        std::uint64_t got = 0;
        if (!readAt(m_buffer.data(), want, end, got)) return false;
        m_buffer[static_cast<std::size_t>(got)] = '\0';
        const auto n =
            static_cast<std::size_t>(m_cutter.FindLineEnd(m_buffer.data()) - m_buffer.data());
        if (pieces && n > 0) pieces->Feed(std::string_view(m_buffer.data(), n));
        end += n;
        if (n < got || got < want || end >= size) break;
    }
    if (needTime && !decided) {
        // The timestamp lies further in than the block: read it from a longer start.
        const std::uint64_t length = std::min<std::uint64_t>(end - start, kTimePrefix);
        std::vector<char> prefix(static_cast<std::size_t>(length));
        std::uint64_t got = 0;
        if (!readAt(prefix.data(), length, start, got)) return false;
        const std::string_view text(prefix.data(), static_cast<std::size_t>(got));
        if (got == end - start) {
            readable = ParseTimestamp(text, true, &time, selector.Formats());
        } else {
            readable = ParseTimestampOfPrefix(text, &time, decided, selector.Formats());
            if (!decided) {
                m_bLineTooLong = true;
                return false;
            }
        }
    }
    if (!selector.SelectsLongLine(pieces.get(), readable ? &time : nullptr)) return true;
    for (std::uint64_t at = start; at < end && more;) {
        const std::uint64_t want = std::min<std::uint64_t>(capacity, end - at);
        std::uint64_t got = 0;
        if (!readAt(m_buffer.data(), want, at, got)) return false;
        if (got == 0) break;  // the file shrank since
        more = onRun(std::string_view(m_buffer.data(), static_cast<std::size_t>(got)), false);
        at += got;
    }
    more = more && onRun(std::string_view(), true);
    return true;
}
