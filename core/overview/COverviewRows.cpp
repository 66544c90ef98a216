#include "COverviewRows.h"

#include <algorithm>

COverviewRows::COverviewRows(std::int64_t lines, int rows)
    : m_nLines(std::max<std::int64_t>(lines, 0)), m_nRows(std::max(rows, 1)) {}

int COverviewRows::UsedRows() const {
    return static_cast<int>(std::min<std::int64_t>(m_nRows, m_nLines));
}

std::int64_t COverviewRows::FirstLine(int row) const {
    if (row <= 0) return 0;
    if (m_nLines < m_nRows) return std::min<std::int64_t>(row, m_nLines);
    if (row >= m_nRows) return m_nLines;
    // r * lines / rows without the product, which overflows for large logs:
    // r * q + r * m / rows, where r * m < rows * rows fits.
    const std::int64_t q = m_nLines / m_nRows;
    const std::int64_t m = m_nLines % m_nRows;
    return row * q + row * m / m_nRows;
}

std::optional<int> COverviewRows::RowOf(std::int64_t line) const {
    if (line < 0 || line >= m_nLines) return std::nullopt;
    if (m_nLines < m_nRows) return static_cast<int>(line);
    // An estimate in floating point, off by at most one row either way, then settled.
    auto row = static_cast<int>(static_cast<long double>(line) * m_nRows /
                                static_cast<long double>(m_nLines));
    row = std::clamp(row, 0, m_nRows - 1);
    while (row > 0 && FirstLine(row) > line) --row;
    while (row + 1 < m_nRows && FirstLine(row + 1) <= line) ++row;
    return row;
}
