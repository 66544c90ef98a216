#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "LineIndex.h"

// Which displayed lines are selected, with the anchor (where a Shift+click or Shift+key
// extends from, and where Find Next starts) and the caret (the line the keys move from).
// It knows only how many displayed lines there are; the view turns points and keys into
// lines and calls it.
//
// The anchor is a line that exists, or none. The caret is a place rather than a line: a
// click below the last line puts it there, and a list that got shorter may leave it past
// the end; the keys bring it back to the nearest line first.
class CLineSelection {
public:
    // The displayed lines were replaced by count others: nothing is selected and there is
    // no anchor; the caret stays where it was.
    void Reset(LineIndex count);
    // The list now holds count lines, those before the old end as they were (lines added
    // at the end, or the last line cut again): the flags of the lines that remain stay.
    // True when the anchor was past the new end and is gone.
    bool Resize(LineIndex count);
    LineIndex GetLineCount() const { return static_cast<LineIndex>(m_selected.size()); }

    bool IsSelected(LineIndex line) const;
    // Whether any line is selected.
    bool HasSelectedLines() const;
    // The first selected line at or after from; none when no line from there on is.
    std::optional<LineIndex> NextSelected(LineIndex from) const;
    // Calls visit(line) for every selected line, in ascending order.
    template <typename Visit>
    void ForEachSelected(Visit visit) const {
        for (auto line = NextSelected(m_nSelFirst); line; line = NextSelected(*line + 1))
            visit(*line);
    }

    std::optional<LineIndex> GetAnchor() const { return m_anchor; }
    // A line that does not exist leaves no anchor.
    void SetAnchor(std::optional<LineIndex> line);
    LineIndex GetCaret() const { return m_nCaret; }
    void SetCaret(LineIndex line) { m_nCaret = line; }

    // Sets the flags of every existing line between a and b, both included, in either
    // order; lines that do not exist are never touched.
    void SetRange(LineIndex a, LineIndex b, bool selected);
    // Every line unselected; the anchor and the caret stay.
    void Clear();
    // Every line selected, the anchor on line 0; the caret stays. Nothing without lines.
    void SelectAll();
    // line alone selected, and the anchor and the caret on it (a Find hit, Go To Line).
    void SelectOnly(LineIndex line);

    // The left button went down on line (which may lie outside the lines). A plain click
    // selects the line alone; Shift extends from the anchor; Ctrl toggles the line, and a
    // Ctrl drag that follows unselects when this press unselected. Below the last line a
    // plain click selects the last line and keeps the anchor.
    void Press(LineIndex line, bool ctrl, bool shift);
    // The pointer moved to line during the drag that a Press started. A plain drag only
    // adds the lines passed, and the anchor follows the pointer.
    void DragTo(LineIndex line, bool ctrl, bool shift);

    // The caret moves by delta lines, stopping at the ends (Up, Down, Page Up, Page Down);
    // a caret outside the lines is first put on the nearest one, and then does not move.
    // Then the caret's line alone is selected and becomes the anchor, or with extend the
    // lines from the anchor (line 0 when there is none) to the caret are. Nothing happens
    // without lines.
    void MoveCaretBy(LineIndex delta, bool extend);
    // Ctrl+Home and Ctrl+End: the caret to the first or the last line, selected as
    // MoveCaretBy does; with extend and no anchor, the first line selects nothing (and the
    // last every line).
    void MoveCaretToEnd(bool last, bool extend);

private:
    bool IsLine(LineIndex line) const { return line >= 0 && line < GetLineCount(); }
    // The nearest line that exists; none when there are no lines.
    std::optional<LineIndex> NearestLine(LineIndex line) const;
    // The caret's line selected; extend: from the anchor (line 0 without one).
    void SelectToCaret(bool extend);

    // One flag per displayed line, 1 = selected.
    std::vector<std::uint8_t> m_selected;
    // No flag outside [m_nSelFirst, m_nSelEnd) is set, so that clearing a small selection
    // does not touch every flag. The bounds may cover unselected lines.
    LineIndex m_nSelFirst = 0;
    LineIndex m_nSelEnd = 0;
    std::optional<LineIndex> m_anchor;
    LineIndex m_nCaret = 0;
    // The line the last Press or drag step was on, and whether the press unselected.
    LineIndex m_nDragLine = 0;
    bool m_bDeselecting = false;
};
