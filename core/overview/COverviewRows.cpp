#include "COverviewRows.h"

#include <algorithm>

COverviewRows::COverviewRows(std::int64_t lines, int rows)
    : m_nLines(std::max<std::int64_t>(lines, 0)), m_nRows(std::max(rows, 1)) {}

std::int64_t COverviewRows::FirstLine(int row) const {
    if (row <= 0) return 0;
    if (row >= m_nRows) return m_nLines;
    // r * lines / rows without the product, which overflows for large logs:
    // r * q + r * m / rows, where r * m < rows * rows fits.
    const std::int64_t q = m_nLines / m_nRows;
    const std::int64_t m = m_nLines % m_nRows;
    return row * q + row * m / m_nRows;
}

std::int64_t COverviewRows::EndLine(int row) const {
    if (row < 0 || row >= m_nRows) return FirstLine(row + 1);
    // With fewer lines than rows, the next row may start at the same line.
    return std::max(FirstLine(row + 1), std::min(FirstLine(row) + 1, m_nLines));
}

std::optional<int> COverviewRows::RowOf(std::int64_t line) const {
    if (line < 0 || line >= m_nLines) return std::nullopt;
    // The first row r with r * lines / rows >= line; line * rows fits, as line < rows.
    if (m_nLines < m_nRows) return static_cast<int>((line * m_nRows + m_nLines - 1) / m_nLines);
    // An estimate in floating point, off by at most one row either way, then settled.
    auto row = static_cast<int>(static_cast<long double>(line) * m_nRows /
                                static_cast<long double>(m_nLines));
    row = std::clamp(row, 0, m_nRows - 1);
    while (row > 0 && FirstLine(row) > line) --row;
    while (row + 1 < m_nRows && FirstLine(row + 1) <= line) ++row;
    return row;
}

std::optional<int> COverviewRows::LastRowOf(std::int64_t line) const {
    if (line < 0 || line >= m_nLines) return std::nullopt;
    if (m_nLines >= m_nRows) return RowOf(line);
    return line + 1 < m_nLines ? *RowOf(line + 1) - 1 : m_nRows - 1;
}
