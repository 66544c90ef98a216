#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CFindState.h"
#include "CLineCache.h"
#include "CLineSelection.h"
#include "CScrollView32.h"
#include "CTrawlviewDoc.h"

class CLineNumberGutter;
class COverviewStrip;
class CQtTextMeasurer;
class QDialog;

// The log view: one line of text per displayed line of the document, each a timestamp
// column in fixed cells (so all lines' columns align) and the message in the line's
// colour, bold for red lines. Only visible lines are drawn.
//
// Line i occupies content rows [i * m_nLineHeight, (i + 1) * m_nLineHeight) across the
// whole content width m_nTotalWidth.
class CTrawlviewView : public CScrollView32 {
    Q_OBJECT

public:
    // The document and the measurer must outlive the view; the document's lines are
    // drawn with the measurer's fonts.
    CTrawlviewView(CTrawlviewDoc& doc, const CQtTextMeasurer& measurer, QWidget* parent = nullptr);
    ~CTrawlviewView() override;

    // Measures the timestamp column (once), then takes in the document.
    void OnInitialUpdate();
    // The document's displayed lines changed: new content width, selection cleared,
    // scroll sizes recomputed, repainted.
    void OnUpdate();
    // Lines were appended to the document (Follow): displayed lines before firstChanged
    // are as they were, so the selection, the caret and the scroll position stay; a view
    // scrolled to the end stays at the end. bufferMoved: the document's bytes moved.
    void OnLinesAppended(LineIndex firstChanged, bool bufferMoved) {
        AddLines(firstChanged, bufferMoved, true);
    }
    // Lines of a running load came in after firstNew: as OnLinesAppended, but the view
    // stays where it is (the load fills the log from the top; it is not followed).
    void OnLinesArrived(LineIndex firstNew) { AddLines(firstNew, false, false); }
    // Whether the last line is in view at the bottom (or every line fits).
    bool IsAtEnd() const;
    // Scrolls down to the last line without touching the caret or the selection.
    void ScrollToEnd();
    void UpdateScrollSizes();

    CTrawlviewDoc& GetDocument() const { return m_doc; }
    int GetLineHeight() const { return m_nLineHeight; }
    std::int32_t GetPrefixWidth() const { return m_nPrefixWidth; }
    std::int64_t GetTotalWidth() const { return m_nTotalWidth; }

    // The selected lines, the anchor and the caret; sized to the document's displayed
    // lines.
    const CLineSelection& GetSelection() const { return m_selection; }
    // Applies change to the selection and repaints the rows it changed; SelectionChanged
    // when the anchor moved.
    void ChangeSelection(const std::function<void(CLineSelection&)>& change);

    // Mouse selection. A line under a point is (y + vertical position) / line height; a
    // line that does not exist is never read or written.
    void OnLButtonDown(Qt::KeyboardModifiers keys, QPoint point);
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, QPoint point);
    void OnLButtonUp(QPoint point);
    // Another window took the mouse: the drag and the auto-scroll end, the selection stays.
    void OnCaptureChanged();
    bool HasCapture() const { return m_bCapture; }
    // The auto-scroll timer's tick: replays the last drag step while the timer runs.
    void OnTimer();
    const QTimer& GetAutoScrollTimer() const { return m_autoScrollTimer; }

    // The navigation keys; false when the key is not one of them (it is left to the
    // default processing).
    bool OnKeyDown(int key, Qt::KeyboardModifiers keys);
    // Scrolls so that the caret line is wholly visible with a line above it, re-centring
    // the window on it when it is not.
    void EnsureCaretVisible();
    // Scrolls so that line is in the middle of the window (as near as the ends allow).
    void CentreOnLine(LineIndex line);

    // Commands and their enable rules.
    bool CanCopy() const { return m_selection.GetAnchor().has_value(); }
    bool HasLines() const { return m_doc.GetLineCount() > 0; }
    // False when the clipboard could not take the text (no memory for it); nothing else
    // changes then, and the caller tells the user.
    bool OnEditCopy();
    void OnEditSelectAll();
    // The selected raw lines in display order, each followed by CR LF, as UTF-8: a line
    // that is not valid UTF-8 is read as Windows-1252, the way it is drawn.
    QByteArray BuildClipboardText() const;

    // Find. The dialog (created by the factory the window sets) reports to OnFindReplace
    // with these flags, which become the find state's options; the last text and options
    // stay for the next dialog.
    enum FindFlags : unsigned {
        FR_DOWN = 0x1,
        FR_WHOLEWORD = 0x2,
        FR_MATCHCASE = 0x4,
        // The text is a regular expression.
        FR_REGEX = 0x80,
        FR_FINDNEXT = 0x8,
        FR_DIALOGTERM = 0x40,
    };
    using FindDialogFactory = std::function<QDialog*(CTrawlviewView& owner)>;
    void SetFindDialogFactory(FindDialogFactory factory) {
        m_findDialogFactory = std::move(factory);
    }
    // Opens the find dialog, or brings the open one to the front.
    void OnEditFind();
    QDialog* GetFindDialog() const { return m_pFindDialog; }
    const std::string& GetFindWhat() const { return m_find.GetText(); }
    unsigned GetFindFlags() const;
    const FindOptions& GetFindOptions() const { return m_find.GetOptions(); }
    void OnFindReplace(const std::string& findWhat, unsigned flags);
    // Find Next (forward) and Find Previous without the dialog: the last text and
    // options, forward in the last direction and backward against it. With no text yet
    // the dialog opens instead; with no displayed lines nothing happens.
    void OnFindAgain(bool forward);

    // Every occurrence of the last find text in the lines on screen has a soft background
    // while this is on (the default).
    void SetHighlightMatches(bool on);
    // Each line's number in the log, left of the lines in a margin of their own.
    void SetLineNumbers(bool on);
    bool GetLineNumbers() const { return m_pGutter != nullptr; }
    // The overview of the whole log beside the vertical scroll bar.
    void SetOverview(bool on);
    bool GetOverview() const { return m_pOverview != nullptr; }
    COverviewStrip* GetOverviewStrip() const { return m_pOverview; }
    bool GetHighlightMatches() const { return m_bHighlightMatches; }
    // The soft yellow behind each occurrence of the find text, in the lines and the overview.
    static QColor FindMarkColour() { return QColor(255, 236, 139); }
    // The finder of the text whose occurrences are marked; null when nothing is marked.
    // The same finder is handed out until what the find text matches changes.
    std::shared_ptr<const CLineFinder> MarkFinder();

signals:
    // The anchor changed, and with it whether Copy is enabled.
    void SelectionChanged();
    // A Find Next ended: message says that nothing was found or that the search passed
    // the end (or the start) of the log; empty after a plain hit.
    void FindReported(const QString& message);
    // A line was double-clicked with the left button (after the click's own selection).
    void LineDoubleClicked(LineIndex line);
    // The document's displayed lines were rebuilt or grew: whatever is kept per displayed
    // line (a print job's pages) starts again.
    void DisplayedLinesChanged();

protected:
    void OnPrepareDC(QPainter& dc, bool printing) override;
    void OnDraw(QPainter& dc) override;
    void OnEraseBkgnd(QPainter& dc) override;
    void OnSize() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Draws line i with its top at content row y.
    bool DrawLine(QPainter& dc, LineIndex line, std::int64_t y);

private:
    void AddLines(LineIndex firstChanged, bool bufferMoved, bool followEnd);
    void MeasureTimestampColumn();
    // The content width from the document's widest line.
    std::int64_t ContentWidth() const;

    // What the visible rows showed before a change, so that only rows that changed are
    // painted again (a change never costs work in proportion to the number of lines).
    struct VisibleState {
        ScrollPoint pos;
        LineIndex first = 0;
        LineIndex caret = 0;
        std::optional<LineIndex> anchor;
        std::vector<std::uint8_t> selected;
    };
    VisibleState CaptureVisible() const;
    // Repaints the rows that changed and reports a new anchor.
    void ShowChanges(const VisibleState& before);

    LineIndex LineFromPoint(QPoint point) const;
    // Scrolls while the point lies outside the window during a drag; with arm, the timer
    // repeats the step. True when the view scrolled.
    bool AutoScroll(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, QPoint point, bool arm);

    void OnKeyUpDown(bool down, bool ctrl, bool shift);
    void OnKeyPage(bool down, bool ctrl, bool shift);
    void OnKeyHomeEnd(bool end, bool ctrl, bool shift);
    void OnKeyLeftRight(bool right, bool ctrl);

    // A find hit: the line becomes the whole selection and the anchor, and the window is
    // re-centred on it unless it is wholly visible below the top line.
    void SelectFoundLine(LineIndex line);
    // Searches from the anchor for the last text with the last options in a direction.
    void FindNextHit(bool down);
    // Paints the marks of a line whose top is at device row top.
    void DrawMarks(QPainter& dc, CLineCache::Entry& entry, int top, bool selected);

    CTrawlviewDoc& m_doc;
    const CQtTextMeasurer& m_measurer;

    QPointer<QDialog> m_pFindDialog;
    FindDialogFactory m_findDialogFactory;
    CFindState m_find;
    bool m_bHighlightMatches = true;
    // Reused by every painted line.
    std::vector<CLineCache::Mark> m_marks;
    // Width of the timestamp column on screen: cells times the cell width.
    std::int32_t m_nPrefixWidth = 0;
    // The timestamp column's cells, as the document measures lines with them.
    ColumnCells m_cells;
    // Advances of the timestamp column's cells: the first character's own width, then
    // the widest character of the sample for every other cell.
    std::unique_ptr<std::int32_t[]> m_pCharWidths;
    // Bytes of the timestamp sample: the display text's first m_nSampleLength bytes go in
    // the column.
    std::int32_t m_nSampleLength = 0;
    // Last mouse move with its buttons and keys, replayed while auto-scrolling.
    QPoint m_ptAutoScroll;
    Qt::MouseButtons m_autoScrollButtons;
    Qt::KeyboardModifiers m_autoScrollModifiers;
    CLineSelection m_selection;
    // The view got the button press and gets the moves until the release.
    bool m_bCapture = false;
    QTimer m_autoScrollTimer;
    std::int32_t m_nLineHeight = 0;
    std::int64_t m_nTotalWidth = 0;
    // The line numbers' margin while they are shown; null otherwise.
    CLineNumberGutter* m_pGutter = nullptr;
    // The overview while it is shown; null otherwise.
    COverviewStrip* m_pOverview = nullptr;
    // Sizes and places the line numbers' margin for the log's line count, and the
    // overview's margin.
    void UpdateMargins();
    // The pieces of the lines on screen, with where to start drawing far into them.
    CLineCache m_lineCache;
};
