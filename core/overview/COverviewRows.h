#pragma once

#include <cstdint>
#include <optional>

// Which displayed lines each pixel row of the overview stands for, on the scale of the
// scroll bar beside it. Row r of `rows` starts at line floor(r * lines / rows). With at
// least as many lines as rows, it covers the lines up to the next row's first: every line
// has exactly one row, and rows differ by at most one line. With fewer lines than rows,
// each row stands for the line it lies in, and each line for the run of rows from
// RowOf to LastRowOf, so a short log still fills the strip as it fills the scroll range.
// Exact for any count of lines a 64-bit index holds.
class COverviewRows {
public:
    // rows below 1 count as 1; lines below 0 as 0.
    COverviewRows(std::int64_t lines, int rows);

    std::int64_t Lines() const { return m_nLines; }
    int Rows() const { return m_nRows; }
    // The rows that stand for at least one line: all of them unless there are no lines.
    int UsedRows() const { return m_nLines > 0 ? m_nRows : 0; }
    // The first line of row, and the line after its last; both Lines() for rows past the
    // end.
    std::int64_t FirstLine(int row) const;
    std::int64_t EndLine(int row) const;
    // The first and the last row line stands in (the same row unless lines < rows); none
    // for a line outside [0, Lines()).
    std::optional<int> RowOf(std::int64_t line) const;
    std::optional<int> LastRowOf(std::int64_t line) const;

private:
    std::int64_t m_nLines;
    int m_nRows;
};
