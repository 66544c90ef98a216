#include "CTrawlviewView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "CLineNumberGutter.h"
#include "COverviewStrip.h"
#include "CQtTextMeasurer.h"
#include "DisplayLine.h"
#include "LineColor.h"
#include "LocaleFormats.h"
#include "LogTextCodec.h"
#include "StringTable.h"
#include "TextBytes.h"

namespace {

// Period of the auto-scroll step while a drag stays outside the window.
constexpr int kAutoScrollMs = 250;

}  // namespace

CTrawlviewView::CTrawlviewView(CTrawlviewDoc& doc, const CQtTextMeasurer& measurer, QWidget* parent)
    : CScrollView32(parent),
      m_doc(doc),
      m_measurer(measurer),
      m_nSampleLength(static_cast<std::int32_t>(GetLocaleFormats().timestampSample.size())) {
    setFocusPolicy(Qt::StrongFocus);
    m_autoScrollTimer.setObjectName(QStringLiteral("autoScrollTimer"));
    m_autoScrollTimer.setInterval(kAutoScrollMs);
    connect(&m_autoScrollTimer, &QTimer::timeout, this, &CTrawlviewView::OnTimer);
}

CTrawlviewView::~CTrawlviewView() = default;

void CTrawlviewView::MeasureTimestampColumn() {
    if (m_pCharWidths) return;
    const auto n = static_cast<std::size_t>(m_nSampleLength);
    m_pCharWidths = std::make_unique<std::int32_t[]>(std::max<std::size_t>(n, 1));
    m_nLineHeight = std::max(1, m_measurer.LineHeight());
    // The same cells the document measures its lines with. A column of one-byte
    // characters can hold as many characters as the sample has bytes.
    const ColumnCells cells = MeasureColumnCells(m_measurer, GetLocaleFormats());
    m_cells = cells;
    m_pCharWidths[0] = cells.first;
    for (std::size_t k = 1; k < n; ++k) m_pCharWidths[k] = cells.cell;
    m_nPrefixWidth = static_cast<std::int32_t>(cells.Width());
}

void CTrawlviewView::OnInitialUpdate() {
    MeasureTimestampColumn();
    OnUpdate();
}

void CTrawlviewView::OnUpdate() {
    MeasureTimestampColumn();
    m_nTotalWidth = ContentWidth();
    m_lineCache.Clear();
    m_selection.Reset(m_doc.GetLineCount());
    UpdateScrollSizes();
    UpdateMargins();
    if (m_pOverview != nullptr) m_pOverview->LinesReplaced();
    viewport()->repaint();
    // A log loaded while the preview is open: its pages start elsewhere now.
    emit DisplayedLinesChanged();
}

std::int64_t CTrawlviewView::ContentWidth() const {
    // The document measured every line the way DrawLine draws it; the column's background
    // is as wide as the column even where no line's text fills it.
    return m_doc.GetWidestLine()
               ? std::max<std::int64_t>(m_nPrefixWidth, m_doc.GetWidestLineWidth()) + 3
               : 0;
}

bool CTrawlviewView::IsAtEnd() const {
    return GetScrollPos32(SB_VERT) >= GetScrollLimit(SB_VERT);
}

void CTrawlviewView::ScrollToEnd() {
    ScrollToPosition({GetScrollPos32(SB_HORZ), m_totalDev.cy});
}

void CTrawlviewView::AddLines(LineIndex firstChanged, bool bufferMoved, bool followEnd) {
    const bool atEnd = followEnd && IsAtEnd();
    m_nTotalWidth = ContentWidth();
    if (bufferMoved) {
        m_lineCache.Clear();
    } else {
        m_lineCache.ForgetFrom(firstChanged);
    }
    // The flags of the lines before firstChanged stay; a line cut again keeps its flag.
    if (m_selection.Resize(m_doc.GetLineCount())) emit SelectionChanged();
    emit DisplayedLinesChanged();
    UpdateScrollSizes();
    UpdateMargins();
    if (m_pOverview != nullptr) m_pOverview->LinesAppended(firstChanged);
    if (atEnd) ScrollToEnd();
    // Painted with the next paint of the window: appends from a busy log share one.
    viewport()->update();
}

void CTrawlviewView::UpdateScrollSizes() {
    const std::optional<LineIndex> widest = m_doc.GetWidestLine();
    if (!widest || m_nLineHeight <= 0) {
        SetScrollSizes({}, {}, {});
        return;
    }
    // The widest line's average character width is the horizontal step. A line narrower
    // in pixels than in bytes (many multi-byte characters) would make it 0, and a zero
    // step divides by zero below: one pixel is the least.
    const auto length =
        static_cast<std::int64_t>(std::max<std::uint64_t>(m_doc.GetLineLength(*widest), 1));
    const std::int64_t ch = std::max<std::int64_t>(m_nTotalWidth / length, 1);
    const std::int64_t h = m_nLineHeight;
    const std::int64_t w = viewport()->width();
    const std::int64_t height = viewport()->height();
    const ScrollSize total{m_nTotalWidth, m_doc.GetLineCount() * h};
    const ScrollSize page{((w / ch) - 1) * ch, ((height / h) - 1) * h};
    const ScrollSize line{ch, h};
    SetScrollSizes(total, page, line);
}

void CTrawlviewView::OnSize() {
    CScrollView32::OnSize();
    UpdateScrollSizes();
    UpdateMargins();
}

void CTrawlviewView::SetLineNumbers(bool on) {
    if (on == GetLineNumbers()) return;
    if (on) {
        m_pGutter = new CLineNumberGutter(*this);
        m_pGutter->setFont(m_measurer.Font(false));
        m_pGutter->show();
    } else {
        delete m_pGutter;
        m_pGutter = nullptr;
    }
    UpdateMargins();
}

void CTrawlviewView::SetOverview(bool on) {
    if (on == GetOverview()) return;
    if (on) {
        m_pOverview = new COverviewStrip(*this);
        m_pOverview->show();
    } else {
        delete m_pOverview;
        m_pOverview = nullptr;
    }
    UpdateMargins();
    if (m_pOverview != nullptr) {
        m_pOverview->LinesReplaced();
        m_pOverview->FollowView();
    }
}

void CTrawlviewView::UpdateMargins() {
    const int left = m_pGutter != nullptr ? m_pGutter->WidthFor(m_doc.GetCutLineCount()) : 0;
    const int right = m_pOverview != nullptr ? COverviewStrip::kWidth : 0;
    if (viewportMargins() != QMargins(left, 0, right, 0)) setViewportMargins(left, 0, right, 0);
    const QRect area = viewport()->geometry();
    if (m_pGutter != nullptr) {
        m_pGutter->setGeometry(area.left() - left, area.top(), left, area.height());
        m_pGutter->update();
    }
    if (m_pOverview != nullptr)
        m_pOverview->setGeometry(area.right() + 1, area.top(), right, area.height());
}

void CTrawlviewView::OnPrepareDC(QPainter& dc, bool printing) {
    if (!printing) CScrollView32::OnPrepareDC(dc, printing);
}

void CTrawlviewView::OnEraseBkgnd(QPainter& dc) {
    FillOutsideRect(dc, palette().color(QPalette::Base));
}

void CTrawlviewView::OnDraw(QPainter& dc) {
    if (m_pGutter != nullptr && m_pGutter->PaintedAt() != GetDeviceScrollPosition().y)
        m_pGutter->update();
    if (m_pOverview != nullptr) m_pOverview->FollowView();
    if (m_nLineHeight <= 0) return;
    const QRect rc = GetPaintRect();
    const ScrollPoint org = GetViewportOrg();
    const std::int64_t top = rc.top() - org.y;
    const std::int64_t bottom = static_cast<std::int64_t>(rc.bottom()) + 1 - org.y;
    const LineIndex count = m_doc.GetLineCount();
    LineIndex i = std::max<std::int64_t>(top, 0) / m_nLineHeight;
    std::int64_t y = i * m_nLineHeight;
    while (y < bottom && i < count) {
        DrawLine(dc, i, y);
        ++i;
        y += m_nLineHeight;
    }
}

bool CTrawlviewView::DrawLine(QPainter& dc, LineIndex line, std::int64_t y) {
    CLineCache::Entry& entry = m_lineCache.Get(m_doc, line);
    const DisplayLine& pieces = entry.pieces;

    const QPalette& pal = palette();
    const bool selected = m_selection.IsSelected(line);
    const QColor back = pal.color(selected ? QPalette::Highlight : QPalette::Base);
    const QColor text = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const std::int32_t rgb = LineColorRgb(pieces.color);
    const QColor lineColor =
        rgb < 0 ? pal.color(QPalette::Text) : QColor(QRgb(static_cast<unsigned>(rgb)));
    const auto n = static_cast<std::size_t>(m_nSampleLength);

    const ScrollPoint org = GetViewportOrg();
    const int top = ToDevice(y + org.y);
    const int baseline = top + m_measurer.Ascent();
    const int left = ToDevice(org.x);
    const int prefixRight = ToDevice(org.x + m_nPrefixWidth);
    const int totalRight = ToDevice(org.x + m_nTotalWidth);
    const QRect rc = GetPaintRect();

    // Both parts paint their full background, so no line is ever erased first.
    if (prefixRight > left) dc.fillRect(QRect(left, top, prefixRight - left, m_nLineHeight), back);
    if (totalRight > prefixRight)
        dc.fillRect(QRect(prefixRight, top, totalRight - prefixRight, m_nLineHeight), back);
    DrawMarks(dc, entry, top, selected);
    dc.setPen(text);
    const std::int64_t end = m_measurer.DrawCells(dc, org.x, baseline, pieces.column,
                                                  pieces.reading, m_pCharWidths.get(), n);

    if (!selected) dc.setPen(lineColor);
    const int clipLeft = rc.left();
    const int clipRight = rc.right() + 1;
    std::int64_t x = end;
    if (!pieces.messageHead.empty()) {
        m_measurer.DrawText(dc, x, baseline, pieces.messageHead, pieces.bold, pieces.reading,
                            clipLeft, clipRight);
        x += m_measurer.TextWidth(pieces.messageHead, pieces.bold, pieces.reading);
    }
    // Far into a long message, drawing starts at the checkpoint before the window.
    const CLineCache::Checkpoint from = m_lineCache.Seek(entry, clipLeft - x, m_measurer);
    m_measurer.DrawText(dc, x + from.width, baseline,
                        pieces.message.substr(static_cast<std::size_t>(from.offset)), pieces.bold,
                        pieces.reading, clipLeft, clipRight);

    if (line == m_selection.GetCaret() && totalRight > left) {
        QPen focus(text);
        focus.setStyle(Qt::CustomDashLine);
        focus.setDashPattern({1, 1});
        dc.setPen(focus);
        dc.setBrush(Qt::NoBrush);
        dc.drawRect(QRect(left, top, totalRight - left - 1, m_nLineHeight - 1));
    }
    return true;
}

std::shared_ptr<const CLineFinder> CTrawlviewView::MarkFinder() {
    if (!m_bHighlightMatches || m_find.GetText().empty()) return nullptr;
    return m_find.ShareFinder();
}

void CTrawlviewView::DrawMarks(QPainter& dc, CLineCache::Entry& entry, int top, bool selected) {
    const std::shared_ptr<const CLineFinder> finder = MarkFinder();
    if (finder == nullptr) return;
    const ScrollPoint org = GetViewportOrg();
    const QRect rc = GetPaintRect();
    // Marks never reach past the content's width, where the line's background ends.
    const std::int64_t right = std::min<std::int64_t>(rc.right() + 1 - org.x, m_nTotalWidth);
    m_lineCache.FindMarks(entry, *finder, m_cells, rc.left() - org.x, right, m_measurer, m_marks);
    if (m_marks.empty()) return;
    // A soft yellow; on a selected line, halfway between it and the selection's colour so
    // that the selection's text colour stays readable on it.
    QColor colour = FindMarkColour();
    if (selected) {
        const QColor back = palette().color(QPalette::Highlight);
        colour = QColor((back.red() + 224) / 2, (back.green() + 160) / 2, back.blue() / 2);
    }
    for (const CLineCache::Mark& mark : m_marks) {
        const int x0 = ToDevice(org.x + mark.left);
        const int x1 = ToDevice(org.x + std::min(mark.right, m_nTotalWidth));
        if (x1 > x0) dc.fillRect(QRect(x0, top, x1 - x0, m_nLineHeight), colour);
    }
}

void CTrawlviewView::SetHighlightMatches(bool on) {
    if (on == m_bHighlightMatches) return;
    m_bHighlightMatches = on;
    viewport()->update();
}

void CTrawlviewView::ChangeSelection(const std::function<void(CLineSelection&)>& change) {
    const VisibleState before = CaptureVisible();
    change(m_selection);
    ShowChanges(before);
}

CTrawlviewView::VisibleState CTrawlviewView::CaptureVisible() const {
    VisibleState state;
    state.pos = GetDeviceScrollPosition();
    state.caret = m_selection.GetCaret();
    state.anchor = m_selection.GetAnchor();
    if (m_nLineHeight <= 0) return state;
    state.first = state.pos.y / m_nLineHeight;
    const LineIndex rows = viewport()->height() / m_nLineHeight + 2;
    state.selected.resize(static_cast<std::size_t>(rows));
    for (LineIndex k = 0; k < rows; ++k)
        state.selected[static_cast<std::size_t>(k)] =
            m_selection.IsSelected(state.first + k) ? 1 : 0;
    return state;
}

void CTrawlviewView::ShowChanges(const VisibleState& before) {
    if (m_selection.GetAnchor() != before.anchor) emit SelectionChanged();
    const ScrollPoint pos = GetDeviceScrollPosition();
    if (pos.x != before.pos.x || pos.y != before.pos.y || m_nLineHeight <= 0) {
        viewport()->repaint();
        return;
    }
    QRegion changed;
    for (std::size_t k = 0; k < before.selected.size(); ++k) {
        const LineIndex line = before.first + static_cast<LineIndex>(k);
        const bool caretMoved = (line == before.caret) != (line == m_selection.GetCaret());
        if (caretMoved || (m_selection.IsSelected(line) ? 1 : 0) != before.selected[k]) {
            const std::int64_t top = line * m_nLineHeight - pos.y;
            changed += QRect(0, static_cast<int>(top), viewport()->width(), m_nLineHeight);
        }
    }
    if (!changed.isEmpty()) viewport()->repaint(changed);
}

LineIndex CTrawlviewView::LineFromPoint(QPoint point) const {
    if (m_nLineHeight <= 0) return 0;
    // Truncates towards zero, so a point a little above the window still reads as line 0.
    return (point.y() + GetScrollPos32(SB_VERT)) / m_nLineHeight;
}

// ---- Mouse ----

void CTrawlviewView::OnLButtonDown(Qt::KeyboardModifiers keys, QPoint point) {
    const VisibleState before = CaptureVisible();
    m_selection.Press(LineFromPoint(point), (keys & Qt::ControlModifier) != 0,
                      (keys & Qt::ShiftModifier) != 0);
    m_bCapture = true;
    ShowChanges(before);
}

void CTrawlviewView::OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                                 QPoint point) {
    if (!m_bCapture || !(buttons & Qt::LeftButton)) return;
    VisibleState before = CaptureVisible();
    AutoScroll(buttons, keys, point, true);
    m_selection.DragTo(LineFromPoint(point), (keys & Qt::ControlModifier) != 0,
                       (keys & Qt::ShiftModifier) != 0);
    ShowChanges(before);
}

void CTrawlviewView::OnLButtonUp(QPoint point) {
    if (!m_bCapture) return;
    // A button released outside the window scrolls one last step.
    if (AutoScroll({}, {}, point, false)) viewport()->repaint();
    m_bCapture = false;
}

void CTrawlviewView::OnCaptureChanged() {
    m_bCapture = false;
    m_autoScrollTimer.stop();
}

bool CTrawlviewView::AutoScroll(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, QPoint point,
                                bool arm) {
    m_autoScrollTimer.stop();
    const QRect client = viewport()->rect();
    if (client.contains(point)) return false;
    // The distance from the edge is the step; the scroll view keeps the position within
    // [0, limit], which is the step cut to what is left to scroll.
    const ScrollPoint pos = GetDeviceScrollPosition();
    const int w = client.width();
    const int h = client.height();
    ScrollPoint target = pos;
    if (point.x() < 0 && pos.x > 0) target.x = std::max<std::int64_t>(pos.x + point.x(), 0);
    if (point.y() < 0 && pos.y > 0) target.y = std::max<std::int64_t>(pos.y + point.y(), 0);
    if (point.x() > w) target.x = pos.x + (point.x() - w);
    if (point.y() > h) target.y = pos.y + (point.y() - h);
    if (target.x != pos.x || target.y != pos.y) ScrollToPosition(target);
    if (arm) {
        m_ptAutoScroll = point;
        m_autoScrollButtons = buttons;
        m_autoScrollModifiers = keys;
        m_autoScrollTimer.start();
    }
    const ScrollPoint now = GetDeviceScrollPosition();
    return now.x != pos.x || now.y != pos.y;
}

void CTrawlviewView::OnTimer() {
    if (!m_autoScrollTimer.isActive()) return;
    m_autoScrollTimer.stop();
    OnMouseMove(m_autoScrollButtons, m_autoScrollModifiers, m_ptAutoScroll);
}

void CTrawlviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CScrollView32::mousePressEvent(event);
        return;
    }
    OnLButtonDown(event->modifiers(), event->position().toPoint());
}

void CTrawlviewView::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void CTrawlviewView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press selects as a click does; the double click is then the window's.
    CScrollView32::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const LineIndex line = LineFromPoint(event->position().toPoint());
    if (line >= 0 && line < m_doc.GetLineCount()) emit LineDoubleClicked(line);
}

void CTrawlviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CScrollView32::mouseReleaseEvent(event);
        return;
    }
    OnLButtonUp(event->position().toPoint());
}

void CTrawlviewView::focusOutEvent(QFocusEvent* event) {
    // A popup or another window that takes over ends a drag in progress.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        OnCaptureChanged();
    CScrollView32::focusOutEvent(event);
}

void CTrawlviewView::hideEvent(QHideEvent* event) {
    OnCaptureChanged();
    CScrollView32::hideEvent(event);
}

// ---- Keyboard ----

bool CTrawlviewView::OnKeyDown(int key, Qt::KeyboardModifiers keys) {
    if (keys & Qt::AltModifier) return false;
    const bool ctrl = (keys & Qt::ControlModifier) != 0;
    const bool shift = (keys & Qt::ShiftModifier) != 0;
    const VisibleState before = CaptureVisible();
    switch (key) {
        case Qt::Key_Up:
            OnKeyUpDown(false, ctrl, shift);
            break;
        case Qt::Key_Down:
            OnKeyUpDown(true, ctrl, shift);
            break;
        case Qt::Key_PageUp:
            OnKeyPage(false, ctrl, shift);
            break;
        case Qt::Key_PageDown:
            OnKeyPage(true, ctrl, shift);
            break;
        case Qt::Key_Home:
            OnKeyHomeEnd(false, ctrl, shift);
            break;
        case Qt::Key_End:
            OnKeyHomeEnd(true, ctrl, shift);
            break;
        case Qt::Key_Left:
            OnKeyLeftRight(false, ctrl);
            break;
        case Qt::Key_Right:
            OnKeyLeftRight(true, ctrl);
            break;
        default:
            return false;
    }
    ShowChanges(before);
    return true;
}

// The vertical keys move the caret and the selection also when every line fits in the
// window; the scrolling then stays where it is, as the scroll position cannot move.
void CTrawlviewView::OnKeyUpDown(bool down, bool ctrl, bool shift) {
    const ScrollPoint pos = GetDeviceScrollPosition();
    if (ctrl) {
        const std::int64_t y = down ? std::min(pos.y + m_lineDev.cy, m_totalDev.cy)
                                    : std::max<std::int64_t>(pos.y - m_lineDev.cy, 0);
        ScrollToPosition({pos.x, y});
        return;
    }
    m_selection.MoveCaretBy(down ? 1 : -1, shift);
    EnsureCaretVisible();
}

void CTrawlviewView::OnKeyPage(bool down, bool ctrl, bool shift) {
    const ScrollPoint pos = GetDeviceScrollPosition();
    const std::int64_t y = down ? std::min(pos.y + m_pageDev.cy, m_totalDev.cy)
                                : std::max<std::int64_t>(pos.y - m_pageDev.cy, 0);
    if (!ctrl) {
        const LineIndex step = m_pageDev.cy / m_nLineHeight;
        m_selection.MoveCaretBy(down ? step : -step, shift);
    }
    ScrollToPosition({pos.x, y});
    if (!ctrl) EnsureCaretVisible();
}

void CTrawlviewView::OnKeyHomeEnd(bool end, bool ctrl, bool shift) {
    const ScrollPoint pos = GetDeviceScrollPosition();
    if (!ctrl) {
        if (viewport()->width() >= m_totalDev.cx) return;
        ScrollToPosition({end ? m_totalDev.cx : 0, pos.y});
        return;
    }
    if (!HasLines()) return;
    m_selection.MoveCaretToEnd(end, shift);
    ScrollToPosition({pos.x, end ? m_totalDev.cy : 0});
}

void CTrawlviewView::OnKeyLeftRight(bool right, bool ctrl) {
    const ScrollPoint pos = GetDeviceScrollPosition();
    if (viewport()->width() >= m_totalDev.cx) return;
    if (right ? pos.x >= m_totalDev.cx : pos.x <= 0) return;
    const std::int64_t step = ctrl ? m_pageDev.cx : m_lineDev.cx;
    ScrollToPosition(
        {right ? std::min(pos.x + step, m_totalDev.cx) : std::max<std::int64_t>(pos.x - step, 0),
         pos.y});
}

void CTrawlviewView::EnsureCaretVisible() {
    const ScrollPoint pos = GetDeviceScrollPosition();
    const std::int64_t top = m_selection.GetCaret() * m_nLineHeight;
    const std::int64_t rel = top - pos.y;
    // In view: a whole line above it in the window and the caret line wholly visible.
    if (rel - m_lineDev.cy >= 0 && rel + m_lineDev.cy <= viewport()->height()) return;
    const std::int64_t half = m_pageDev.cy / 2;
    std::int64_t y = m_totalDev.cy;
    if (rel < 0) {
        y = std::max<std::int64_t>(top - half, 0);
    } else if (top + half < m_totalDev.cy) {
        y = top - half;
    }
    ScrollToPosition({pos.x, y});
}

void CTrawlviewView::CentreOnLine(LineIndex line) {
    const ScrollPoint pos = GetDeviceScrollPosition();
    const std::int64_t top = line * m_nLineHeight - (viewport()->height() - m_nLineHeight) / 2;
    ScrollToPosition(
        {pos.x, std::clamp<std::int64_t>(
                    top, 0, std::max<std::int64_t>(m_totalDev.cy - viewport()->height(), 0))});
}

void CTrawlviewView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        OnEditSelectAll();
        return;
    }
    // Every other key, and every key with Alt, goes past the scroll area's own key
    // handling, which would scroll on the arrows.
    if (!OnKeyDown(event->key(), event->modifiers())) QWidget::keyPressEvent(event);
}

// ---- Copy and Select All ----

QByteArray CTrawlviewView::BuildClipboardText() const {
    std::uint64_t size = 0;
    m_selection.ForEachSelected([&](LineIndex i) { size += m_doc.GetLineLength(i) + 2; });
    // Sized once and filled by copying: the text can be as large as the log. Only a line
    // that is not UTF-8 grows when it becomes UTF-8.
    QByteArray text;
    text.resize(static_cast<qsizetype>(size));
    char* out = text.data();
    qsizetype at = 0;
    m_selection.ForEachSelected([&](LineIndex i) {
        std::string_view raw = m_doc.GetLine(i);
        QByteArray converted;
        if (ReadingOf(raw) == TextReading::Windows1252) {
            QString decoded;
            DecodeLogText(raw, TextReading::Windows1252, decoded);
            converted = decoded.toUtf8();
            text.resize(text.size() + converted.size() - static_cast<qsizetype>(raw.size()));
            out = text.data();
            raw =
                std::string_view(converted.constData(), static_cast<std::size_t>(converted.size()));
        }
        std::memcpy(out + at, raw.data(), raw.size());
        at += static_cast<qsizetype>(raw.size());
        out[at++] = '\r';
        out[at++] = '\n';
    });
    return text;
}

bool CTrawlviewView::OnEditCopy() {
    if (!CanCopy()) return true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool copied = false;
    try {
        auto mime = std::make_unique<QMimeData>();
        mime->setData(QStringLiteral("text/plain"), BuildClipboardText());
        QGuiApplication::clipboard()->setMimeData(mime.release());
        copied = true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    QApplication::restoreOverrideCursor();
    return copied;
}

void CTrawlviewView::OnEditSelectAll() {
    if (!HasLines()) return;
    const bool anchorChanged = m_selection.GetAnchor() != 0;
    m_selection.SelectAll();
    viewport()->repaint();
    if (anchorChanged) emit SelectionChanged();
}

// ---- Find ----

unsigned CTrawlviewView::GetFindFlags() const {
    const FindOptions& options = m_find.GetOptions();
    return (options.down ? FR_DOWN : 0u) | (options.wholeWord ? FR_WHOLEWORD : 0u) |
           (options.matchCase ? FR_MATCHCASE : 0u) | (options.regex ? FR_REGEX : 0u);
}

void CTrawlviewView::OnEditFind() {
    if (m_pFindDialog) {
        m_pFindDialog->show();
        m_pFindDialog->raise();
        m_pFindDialog->activateWindow();
        return;
    }
    if (!m_findDialogFactory) return;
    m_pFindDialog = m_findDialogFactory(*this);
    if (m_pFindDialog) m_pFindDialog->show();
}

void CTrawlviewView::OnFindReplace(const std::string& findWhat, unsigned flags) {
    // Every notification keeps the text and options, the closing one too.
    const bool marksChange = m_find.Set(findWhat, FindOptions{
                                                      .matchCase = (flags & FR_MATCHCASE) != 0,
                                                      .wholeWord = (flags & FR_WHOLEWORD) != 0,
                                                      .regex = (flags & FR_REGEX) != 0,
                                                      .down = (flags & FR_DOWN) != 0,
                                                  });
    if (marksChange && m_bHighlightMatches) viewport()->update();
    if ((flags & FR_DIALOGTERM) != 0 || (flags & FR_FINDNEXT) == 0) return;
    FindNextHit(m_find.GetOptions().down);
}

void CTrawlviewView::OnFindAgain(bool forward) {
    if (!HasLines()) return;
    if (m_find.GetText().empty()) {
        OnEditFind();
        return;
    }
    FindNextHit(forward == m_find.GetOptions().down);
}

void CTrawlviewView::FindNextHit(bool down) {
    if (m_find.GetText().empty() || !HasLines()) return;
    const CTrawlviewDoc& doc = m_doc;
    const auto hit = m_find.FindNext([&doc](std::int64_t i) { return doc.GetLine(i); },
                                     m_doc.GetLineCount(), m_selection.GetAnchor(), down);
    if (!hit) {
        emit FindReported(
            QString::fromStdString(FormatString(IDS_FIND_NOT_FOUND, m_find.GetText())));
        return;
    }
    SelectFoundLine(hit->line);
    const std::string_view passed = LoadString(down ? IDS_FIND_PASSED_END : IDS_FIND_PASSED_START);
    emit FindReported(hit->wrapped
                          ? QString::fromUtf8(passed.data(), static_cast<qsizetype>(passed.size()))
                          : QString());
}

void CTrawlviewView::SelectFoundLine(LineIndex line) {
    const VisibleState before = CaptureVisible();
    // The caret goes with the hit, so that the keys go on from the line found.
    m_selection.SelectOnly(line);
    const ScrollPoint pos = GetDeviceScrollPosition();
    const std::int64_t height = viewport()->height();
    const LineIndex first = pos.y / m_nLineHeight;
    const LineIndex last = (pos.y + height) / m_nLineHeight;
    if (line <= first || line >= last) ScrollToPosition({0, line * m_nLineHeight - height / 2});
    ShowChanges(before);
}
