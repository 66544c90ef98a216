#include "CTrawlviewView.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

#include "CQtTextMeasurer.h"
#include "LineColor.h"
#include "LocaleFormats.h"

CTrawlviewView::CTrawlviewView(CTrawlviewDoc& doc, const CQtTextMeasurer& measurer, QWidget* parent)
    : CScrollView32(parent),
      m_doc(doc),
      m_measurer(measurer),
      m_nSampleLength(static_cast<std::int32_t>(GetLocaleFormats().timestampSample.size())) {
    setFocusPolicy(Qt::StrongFocus);
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
    // The document measured every line the way DrawLine draws it; the column's background
    // is as wide as the column even where no line's text fills it.
    m_nTotalWidth = m_doc.GetWidestLine() < 0 ? 0 : std::max<std::int64_t>(m_nPrefixWidth, m_doc.GetWidestLineWidth()) + 3;
    m_nAnchorLine = -1;
    m_selected.assign(static_cast<std::size_t>(m_doc.GetLineCount()), 0);
    UpdateScrollSizes();
    viewport()->repaint();
}

void CTrawlviewView::UpdateScrollSizes() {
    const LineIndex widest = m_doc.GetWidestLine();
    if (widest < 0 || m_nLineHeight <= 0) {
        SetScrollSizes({}, {}, {});
        return;
    }
    // The widest line's average character width is the horizontal step. A line narrower
    // in pixels than in bytes (many multi-byte characters) would make it 0, and a zero
    // step divides by zero below: one pixel is the least.
    const auto length = static_cast<std::int64_t>(std::max<std::uint64_t>(m_doc.GetLineLength(widest), 1));
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
}

void CTrawlviewView::OnPrepareDC(QPainter& dc, bool printing) {
    if (!printing) CScrollView32::OnPrepareDC(dc, printing);
}

void CTrawlviewView::OnEraseBkgnd(QPainter& dc) { FillOutsideRect(dc, palette().color(QPalette::Base)); }

void CTrawlviewView::OnDraw(QPainter& dc) {
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
    DisplayLine& pieces = m_drawLine;
    m_doc.GetDisplayLine(line, pieces);

    const QPalette& pal = palette();
    const bool selected = IsLineSelected(line);
    const QColor back = pal.color(selected ? QPalette::Highlight : QPalette::Base);
    const QColor text = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const std::int32_t rgb = LineColorRgb(pieces.color);
    const QColor lineColor = rgb < 0 ? pal.color(QPalette::Text) : QColor(QRgb(static_cast<unsigned>(rgb)));
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
    dc.setPen(text);
    const std::int64_t end =
        m_measurer.DrawCells(dc, org.x, baseline, pieces.column, pieces.reading, m_pCharWidths.get(), n);

    if (totalRight > prefixRight) dc.fillRect(QRect(prefixRight, top, totalRight - prefixRight, m_nLineHeight), back);
    if (!selected) dc.setPen(lineColor);
    const int clipLeft = rc.left();
    const int clipRight = rc.right() + 1;
    std::int64_t x = end;
    if (!pieces.messageHead.empty()) {
        m_measurer.DrawText(dc, x, baseline, pieces.messageHead, pieces.bold, pieces.reading, clipLeft, clipRight);
        x += m_measurer.TextWidth(pieces.messageHead, pieces.bold, pieces.reading);
    }
    m_measurer.DrawText(dc, x, baseline, pieces.message, pieces.bold, pieces.reading, clipLeft, clipRight);

    if (line == m_nCaretLine && totalRight > left) {
        QPen focus(text);
        focus.setStyle(Qt::CustomDashLine);
        focus.setDashPattern({1, 1});
        dc.setPen(focus);
        dc.setBrush(Qt::NoBrush);
        dc.drawRect(QRect(left, top, totalRight - left - 1, m_nLineHeight - 1));
    }
    return true;
}

bool CTrawlviewView::IsLineSelected(LineIndex line) const {
    return line >= 0 && static_cast<std::uint64_t>(line) < m_selected.size() &&
           m_selected[static_cast<std::size_t>(line)] != 0;
}

void CTrawlviewView::SelectLine(LineIndex line, bool selected) {
    if (line < 0 || static_cast<std::uint64_t>(line) >= m_selected.size()) return;
    m_selected[static_cast<std::size_t>(line)] = selected ? 1 : 0;
    InvalidateLine(line);
}

void CTrawlviewView::SetCaretLine(LineIndex line) {
    const LineIndex old = m_nCaretLine;
    m_nCaretLine = line;
    InvalidateLine(old);
    InvalidateLine(line);
}

void CTrawlviewView::InvalidateLine(LineIndex line) {
    const std::int64_t top = line * m_nLineHeight - GetScrollPos32(SB_VERT);
    if (top + m_nLineHeight <= 0 || top >= viewport()->height()) return;
    viewport()->update(QRect(0, static_cast<int>(top), viewport()->width(), m_nLineHeight));
}
