#pragma once

#include "CLineSelection.h"
#include "CTrawlviewView.h"

// Selection changes the way the window's commands make them: through the view, which
// repaints what they change.
inline void SelectLine(CTrawlviewView& view, LineIndex line, bool selected = true) {
    view.ChangeSelection([=](CLineSelection& s) { s.SetRange(line, line, selected); });
}
inline void SetCaretLine(CTrawlviewView& view, LineIndex line) {
    view.ChangeSelection([=](CLineSelection& s) { s.SetCaret(line); });
}
inline void SetAnchorLine(CTrawlviewView& view, LineIndex line) {
    view.ChangeSelection([=](CLineSelection& s) { s.SetAnchor(line); });
}
