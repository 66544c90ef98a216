#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "CSubstringSearcher.h"
#include "LineScan.h"

// A line of a file: where it starts and how many bytes it has, its line end excluded.
// A loaded log holds one per line, so it takes 12 bytes: 48 bits each reach 256 TiB,
// beyond any file that fits in memory.
struct __attribute__((packed, aligned(4))) LineSpan {
    LineSpan() : start(0), length(0) {}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
    LineSpan(std::uint64_t lineStart, std::uint64_t lineLength)
        : start(lineStart), length(lineLength) {}
#pragma GCC diagnostic pop

    std::uint64_t start : 48;
    std::uint64_t length : 48;
};
static_assert(sizeof(LineSpan) == 12);

// Cuts bytes into lines: CR or CR LF ends a line (a lone LF stays in the line's text,
// unless the cutter is told that LF ends a line too); a NUL ends a line too, and the next
// line then starts at the first byte that is neither a control byte nor 0x80 or above.
// Empty lines are not reported. A file can be cut in one piece or block by block with the
// same result: what a block's end leaves undecided (an LF after a CR, bytes to skip after
// a NUL) carries over to the next block.
class CLineCutter {
public:
    explicit CLineCutter(bool lfEndsLine = false) : m_bLfEndsLine(lfEndsLine) {}

    // With lfEndsLine, CR, CR LF and a lone LF each end a line; without, only CR and
    // CR LF do. Either way every byte is scanned once. Set it before cutting a file:
    // Reset keeps it.
    void SetLfEndsLine(bool lfEndsLine) { m_bLfEndsLine = lfEndsLine; }
    bool LfEndsLine() const { return m_bLfEndsLine; }

    // The first byte at or after p that ends a line (or the NUL after the data), under
    // FindCrOrNul's guarantee.
    const char* FindLineEnd(const char* p) const {
        return m_bLfEndsLine ? FindCrLfOrNul(p) : FindCrOrNul(p);
    }

    // The last byte in [begin, end) that may end a line (CR, NUL, and LF when it ends
    // one), or nullptr.
    const char* FindLastLineEnd(const char* begin, const char* end) const {
        return m_bLfEndsLine ? FindLastCrLfOrNul(begin, end) : FindLastCrOrNul(begin, end);
    }

    void Reset() {
        m_bSkipLf = false;
        m_bSkipControl = false;
    }

    // Cuts data[0, size) and calls onLine(offset, length) for each line, offsets relative
    // to data. data[size] must be a NUL followed by kScanPadding readable bytes. When last is
    // false, the end of data is not a line end: the returned offset is where the unfinished line
    // starts, and the caller passes those bytes again at the front of the next block.
    // When last is true, the end of data ends the last line and size is returned.
    // onLine may return bool: false stops the cut after that line, and the offset where
    // the next line starts is returned (Cut goes on from there when called with the rest).
    template <class OnLine>
    std::size_t Cut(const char* data, std::size_t size, bool last, OnLine&& onLine);

    // Like Cut, but reports only the lines that contain an occurrence of searcher's text,
    // finding each from the occurrence instead of cutting every line before it. Gives
    // exactly the lines of Cut that contain the text, and the same carry-over.
    template <class OnLine>
    std::size_t CutAround(const char* data, std::size_t size, bool last,
                          const CSubstringSearcher& searcher, OnLine&& onLine);

private:
    // Finishes what the previous block left undecided at its end: an LF after a CR, or
    // bytes to skip after a NUL. Returns where the first line of this block starts.
    const char* ApplyCarry(const char* p, const char* end) {
        if (m_bSkipLf && p < end) {
            if (*p == '\n') ++p;
            m_bSkipLf = false;
        }
        if (m_bSkipControl && p < end) {
            p = SkipToLineStart(p, end);
            m_bSkipControl = p == end;
        }
        return p;
    }

    // Where the line after the line end at t starts, given that no line starts in
    // [lineStart, t): after a NUL, or a CR among the control bytes skipped after a NUL,
    // the control bytes that follow are skipped; after a CR that ends a line, an LF is.
    // Sets the carry-over flags when that start is end.
    const char* StartAfter(const char* lineStart, const char* t, const char* end);

    bool m_bLfEndsLine;
    bool m_bSkipLf = false;
    bool m_bSkipControl = false;
};

template <class OnLine>
std::size_t CLineCutter::Cut(const char* data, std::size_t size, bool last, OnLine&& onLine) {
    const char* p = ApplyCarry(data, data + size);
    const char* const end = data + size;
    while (p < end) {
        const char* e = FindLineEnd(p);
        if (e == end && !last) return static_cast<std::size_t>(p - data);
        bool more = true;
        if (e > p) {
            if constexpr (std::is_same_v<decltype(onLine(std::uint64_t{}, std::uint64_t{})),
                                         bool>) {
                more =
                    onLine(static_cast<std::uint64_t>(p - data), static_cast<std::uint64_t>(e - p));
            } else {
                onLine(static_cast<std::uint64_t>(p - data), static_cast<std::uint64_t>(e - p));
            }
        }
        if (e == end) break;
        p = e + 1;
        if (*e == '\r') {
            if (p < end) {
                if (*p == '\n') ++p;
            } else {
                m_bSkipLf = true;
            }
        } else if (*e == '\0') {
            p = SkipToLineStart(p, end);
            m_bSkipControl = p == end;
        }
        if (!more && p < end) return static_cast<std::size_t>(p - data);
    }
    return size;
}

inline const char* CLineCutter::StartAfter(const char* lineStart, const char* t, const char* end) {
    bool skipping = *t == '\0';
    if (!skipping) {
        // A CR preceded, back to a NUL, only by control bytes was skipped after that NUL.
        const char* q = t;
        while (q > lineStart && static_cast<signed char>(q[-1]) < 0x20 && q[-1] != '\0') --q;
        skipping = q > lineStart && q[-1] == '\0';
    }
    const char* p = t + 1;
    if (skipping) {
        p = SkipToLineStart(p, end);
        m_bSkipControl = p == end;
    } else if (*t != '\r') {
        // A lone LF that ends a line: the next line starts right after it.
    } else if (p == end) {
        m_bSkipLf = true;
    } else if (*p == '\n') {
        ++p;
    }
    return p;
}

template <class OnLine>
std::size_t CLineCutter::CutAround(const char* data, std::size_t size, bool last,
                                   const CSubstringSearcher& searcher, OnLine&& onLine) {
    const char* p = ApplyCarry(data, data + size);
    const char* const end = data + size;
    // p is always where a line starts (or end): every byte before it is decided.
    const std::size_t length = searcher.Needle().size();
    while (p < end) {
        const char* hit = searcher.Find(p, end);
        if (hit == end) break;
        const char* start = p;
        if (const char* t = FindLastLineEnd(p, hit)) start = StartAfter(p, t, end);
        if (start > hit) {
            // The occurrence lies in bytes that belong to no line (skipped control
            // bytes, or the LF of a CR LF).
            p = start;
            continue;
        }
        const char* lineEnd = FindLineEnd(hit);
        if (lineEnd == end && !last) return static_cast<std::size_t>(start - data);
        if (start <= hit && lineEnd >= hit + length && lineEnd > start) {
            onLine(static_cast<std::uint64_t>(start - data),
                   static_cast<std::uint64_t>(lineEnd - start));
        }
        if (lineEnd == end) return size;
        p = StartAfter(start, lineEnd, end);
    }
    if (last || p >= end) return size;
    // Find where the unfinished line at the end of the block starts.
    if (const char* t = FindLastLineEnd(p, end)) {
        p = StartAfter(p, t, end);
        if (p == end) return size;
    }
    return static_cast<std::size_t>(p - data);
}
