#pragma once

#include <cstddef>
#include <cstdint>

#include "LineScan.h"

// A line of a file: where it starts and how many bytes it has, its line end excluded.
struct LineSpan {
    std::uint64_t start;
    std::uint64_t length;
};

// Cuts bytes into lines: CR or CR LF ends a line (a lone LF stays in the line's text); a
// NUL ends a line too, and the next line then starts at the first byte that is neither a
// control byte nor 0x80 or above. Empty lines are not reported. A file can be cut in one
// piece or block by block with the same result: what a block's end leaves undecided (an
// LF after a CR, bytes to skip after a NUL) carries over to the next block.
class CLineCutter {
public:
    void Reset() {
        m_bSkipLf = false;
        m_bSkipControl = false;
    }

    // Cuts data[0, size) and calls onLine(offset, length) for each line, offsets relative
    // to data. data[size] must be a NUL followed by kScanPadding readable bytes. When last is false, the
    // end of data is not a line end: the returned offset is where the unfinished line
    // starts, and the caller passes those bytes again at the front of the next block.
    // When last is true, the end of data ends the last line and size is returned.
    template <class OnLine>
    std::size_t Cut(const char* data, std::size_t size, bool last, OnLine&& onLine);

private:
    bool m_bSkipLf = false;
    bool m_bSkipControl = false;
};

template <class OnLine>
std::size_t CLineCutter::Cut(const char* data, std::size_t size, bool last, OnLine&& onLine) {
    const char* p = data;
    const char* const end = data + size;
    if (m_bSkipLf && p < end) {
        if (*p == '\n') ++p;
        m_bSkipLf = false;
    }
    if (m_bSkipControl && p < end) {
        p = SkipToLineStart(p, end);
        m_bSkipControl = p == end;
    }
    while (p < end) {
        const char* e = FindCrOrNul(p);
        if (e == end && !last) return static_cast<std::size_t>(p - data);
        if (e > p) onLine(static_cast<std::uint64_t>(p - data), static_cast<std::uint64_t>(e - p));
        if (e == end) break;
        p = e + 1;
        if (*e == '\r') {
            if (p < end) {
                if (*p == '\n') ++p;
            } else {
                m_bSkipLf = true;
            }
        } else {
            p = SkipToLineStart(p, end);
            m_bSkipControl = p == end;
        }
    }
    return size;
}
