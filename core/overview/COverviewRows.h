#pragma once

#include <cstdint>
#include <optional>

// Which displayed lines each pixel row of the overview stands for. Row r of `rows` covers
// lines [floor(r * lines / rows), floor((r + 1) * lines / rows)): every line has exactly
// one row, and rows differ by at most one line. With fewer lines than rows each line has
// a row of its own from the top, and the rows below the last line stand for none.
// Exact for any count of lines a 64-bit index holds.
class COverviewRows {
public:
    // rows below 1 count as 1; lines below 0 as 0.
    COverviewRows(std::int64_t lines, int rows);

    std::int64_t Lines() const { return m_nLines; }
    int Rows() const { return m_nRows; }
    // The rows that stand for at least one line: all of them unless lines < rows.
    int UsedRows() const;
    // The first line of row, and the line after its last; both Lines() for a row that
    // stands for none (and for rows past the end).
    std::int64_t FirstLine(int row) const;
    std::int64_t EndLine(int row) const { return FirstLine(row + 1); }
    // The row line stands in; none for a line outside [0, Lines()).
    std::optional<int> RowOf(std::int64_t line) const;

private:
    std::int64_t m_nLines;
    int m_nRows;
};
