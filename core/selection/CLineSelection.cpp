#include "CLineSelection.h"

#include <algorithm>

void CLineSelection::Reset(LineIndex count) {
    m_selected.assign(static_cast<std::size_t>(std::max<LineIndex>(count, 0)), 0);
    m_nSelFirst = 0;
    m_nSelEnd = 0;
    m_anchor.reset();
}

bool CLineSelection::Resize(LineIndex count) {
    m_selected.resize(static_cast<std::size_t>(std::max<LineIndex>(count, 0)), 0);
    m_nSelEnd = std::min(m_nSelEnd, GetLineCount());
    if (m_nSelFirst >= m_nSelEnd) m_nSelFirst = m_nSelEnd = 0;
    if (!m_anchor || IsLine(*m_anchor)) return false;
    m_anchor.reset();
    return true;
}

bool CLineSelection::IsSelected(LineIndex line) const {
    return IsLine(line) && m_selected[static_cast<std::size_t>(line)] != 0;
}

bool CLineSelection::HasSelectedLines() const {
    return NextSelected(m_nSelFirst).has_value();
}

std::optional<LineIndex> CLineSelection::NextSelected(LineIndex from) const {
    // Only the flags within the bounds can be set.
    const auto begin = m_selected.begin() + std::clamp(from, m_nSelFirst, m_nSelEnd);
    const auto end = m_selected.begin() + m_nSelEnd;
    const auto it = std::find_if(begin, end, [](std::uint8_t flag) { return flag != 0; });
    if (it == end) return std::nullopt;
    return static_cast<LineIndex>(it - m_selected.begin());
}

void CLineSelection::SetAnchor(std::optional<LineIndex> line) {
    m_anchor = line && IsLine(*line) ? line : std::nullopt;
}

void CLineSelection::SetRange(LineIndex a, LineIndex b, bool selected) {
    const LineIndex lo = std::max<LineIndex>(std::min(a, b), 0);
    const LineIndex hi = std::min<LineIndex>(std::max(a, b), GetLineCount() - 1);
    if (lo > hi) return;
    std::fill(m_selected.begin() + lo, m_selected.begin() + hi + 1, selected ? 1 : 0);
    if (!selected) return;
    m_nSelFirst = m_nSelFirst < m_nSelEnd ? std::min(m_nSelFirst, lo) : lo;
    m_nSelEnd = std::max(m_nSelEnd, hi + 1);
}

void CLineSelection::Clear() {
    std::fill(m_selected.begin() + m_nSelFirst, m_selected.begin() + m_nSelEnd, 0);
    m_nSelFirst = 0;
    m_nSelEnd = 0;
}

void CLineSelection::SelectAll() {
    if (GetLineCount() == 0) return;
    m_anchor = 0;
    SetRange(0, GetLineCount() - 1, true);
}

void CLineSelection::SelectOnly(LineIndex line) {
    Clear();
    SetRange(line, line, true);
    SetAnchor(line);
    m_nCaret = line;
    m_nDragLine = line;
}

std::optional<LineIndex> CLineSelection::NearestLine(LineIndex line) const {
    if (GetLineCount() == 0) return std::nullopt;
    return std::clamp<LineIndex>(line, 0, GetLineCount() - 1);
}

void CLineSelection::Press(LineIndex line, bool ctrl, bool shift) {
    m_nDragLine = line;
    m_nCaret = line;
    if (ctrl) {
        // A Ctrl+click off the lines changes no flag and no anchor.
        m_bDeselecting = IsSelected(line);
        if (m_bDeselecting) {
            SetRange(line, line, false);
            if (m_anchor == line) m_anchor.reset();
        } else if (IsLine(line)) {
            SetRange(line, line, true);
            m_anchor = line;
        }
        return;
    }
    Clear();
    if (shift && m_anchor) {
        SetRange(*m_anchor, line, true);
    } else if (IsLine(line)) {
        SetRange(line, line, true);
        m_anchor = line;
    } else if (!shift && line >= GetLineCount() && GetLineCount() > 0) {
        SetRange(GetLineCount() - 1, GetLineCount() - 1, true);
    }
}

void CLineSelection::DragTo(LineIndex line, bool ctrl, bool shift) {
    m_nCaret = line;
    if (line == m_nDragLine) return;
    const LineIndex from = m_nDragLine;
    m_nDragLine = line;
    if (ctrl && m_bDeselecting) {
        SetRange(from, line, false);
        if (m_anchor && *m_anchor >= std::min(from, line) && *m_anchor <= std::max(from, line))
            m_anchor.reset();
    } else if (!ctrl && shift) {
        Clear();
        if (m_anchor) {
            SetRange(*m_anchor, line, true);
        } else if (IsLine(line)) {
            SetRange(line, line, true);
            m_anchor = line;
        }
    } else {
        // The anchor stays on a line that exists however far the pointer goes.
        if (const auto nearest = NearestLine(line)) m_anchor = nearest;
        SetRange(from, line, true);
    }
}

void CLineSelection::SelectToCaret(bool extend) {
    if (extend) {
        SetRange(m_anchor.value_or(0), m_nCaret, true);
    } else {
        SetRange(m_nCaret, m_nCaret, true);
        SetAnchor(m_nCaret);
    }
}

void CLineSelection::MoveCaretBy(LineIndex delta, bool extend) {
    const auto nearest = NearestLine(m_nCaret);
    if (!nearest) return;
    Clear();
    m_nCaret = *nearest != m_nCaret ? *nearest : *NearestLine(m_nCaret + delta);
    SelectToCaret(extend);
}

void CLineSelection::MoveCaretToEnd(bool last, bool extend) {
    if (GetLineCount() == 0) return;
    Clear();
    m_nCaret = last ? GetLineCount() - 1 : 0;
    if (!extend || last || m_anchor) SelectToCaret(extend);
}
