#include "COverviewStrip.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

#include "CTrawlviewView.h"
#include "LineColor.h"

COverviewStrip::COverviewStrip(CTrawlviewView& view)
    : QWidget(&view), m_view(view), m_overview(view.GetDocument(), [this] {
          // On the job's thread; the marks are taken in on the window's.
          QMetaObject::invokeMethod(this, &COverviewStrip::TakeMarks, Qt::QueuedConnection);
      }) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(
        QStringLiteral("Red lines, yellow lines and lines with the find text in the whole "
                       "log; click to go there"));
}

// The job ends (and with it its calls onto this object) with m_overview, before the
// QObject part goes.
COverviewStrip::~COverviewStrip() = default;

QColor COverviewStrip::MarkColour(unsigned kind) {
    switch (kind) {
        case kMarkRed:
            return QColor(QRgb(static_cast<unsigned>(LineColorRgb(LineColor::Red))));
        case kMarkYellow:
            return QColor(QRgb(static_cast<unsigned>(LineColorRgb(LineColor::Yellow))));
        default:
            // The soft yellow behind the find text's occurrences in the lines.
            return CTrawlviewView::FindMarkColour();
    }
}

void COverviewStrip::LinesReplaced() {
    m_overview.LinesReplaced();
    m_overview.Resume();
    Refold();
}

void COverviewStrip::LinesAppended(std::int64_t firstChanged) {
    m_overview.LinesAppended(firstChanged);
    m_overview.Resume();
    Refold();
}

void COverviewStrip::FollowView() {
    // The view hands out the same finder until what its text matches changes.
    std::shared_ptr<const CLineFinder> finder = m_view.MarkFinder();
    if (finder != m_finder) {
        m_finder = finder;
        m_overview.SetFinder(std::move(finder));
        Refold();
    }
    // A job stopped by a change nobody was told of (the bytes moved) goes on.
    if (!m_overview.IsRunning() && !m_overview.IsComplete()) m_overview.Resume();
    if (m_view.GetDeviceScrollPosition().y != m_nPaintedAt) update();
}

void COverviewStrip::TakeMarks() {
    if (m_overview.TakeMarks()) Refold();
}

void COverviewStrip::Refold() {
    m_overview.Fold(std::max(Trough().height(), 1), m_rows);
    update();
}

QRect COverviewStrip::Trough() const {
    const QScrollBar* bar = m_view.verticalScrollBar();
    if (bar == nullptr || !bar->isVisible()) return rect();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                      QStyle::SC_ScrollBarGroove, bar);
    const int top = bar->mapTo(window(), groove.topLeft()).y() - mapTo(window(), QPoint()).y();
    return QRect(0, top, width(), groove.height()).intersected(rect());
}

void COverviewStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Refold();
}

void COverviewStrip::paintEvent(QPaintEvent* event) {
    QPainter dc(this);
    const QPalette& pal = palette();
    dc.fillRect(event->rect(), pal.color(QPalette::Window));
    const QRect trough = Trough();
    if (static_cast<int>(m_rows.size()) != std::max(trough.height(), 1)) Refold();
    dc.fillRect(trough, pal.color(QPalette::Base));
    // A rule between the lines and the strip, whose background is theirs.
    dc.fillRect(QRect(0, trough.top(), 1, trough.height()), pal.color(QPalette::Mid));
    // Runs of rows with the same mark are one rectangle each.
    for (unsigned k = 0; k < kMarkKinds; ++k) {
        const QColor colour = MarkColour(k);
        const int x = 2 + static_cast<int>(k) * (kMarkWidth + 1);
        const auto rows = static_cast<int>(m_rows.size());
        for (int r = 0; r < rows;) {
            if ((m_rows[static_cast<std::size_t>(r)] & (1u << k)) == 0) {
                ++r;
                continue;
            }
            int end = r + 1;
            while (end < rows && (m_rows[static_cast<std::size_t>(end)] & (1u << k)) != 0) ++end;
            dc.fillRect(QRect(x, trough.top() + r, kMarkWidth, end - r), colour);
            r = end;
        }
    }
    // The lines in the window, shaded and outlined.
    m_nPaintedAt = m_view.GetDeviceScrollPosition().y;
    const LineIndex lines = m_view.GetDocument().GetLineCount();
    const int lineHeight = m_view.GetLineHeight();
    if (lines <= 0 || lineHeight <= 0) return;
    const COverviewRows map(lines, std::max(trough.height(), 1));
    const LineIndex first = std::clamp<LineIndex>(m_nPaintedAt / lineHeight, 0, lines - 1);
    const LineIndex last = std::clamp<LineIndex>(
        (m_nPaintedAt + m_view.viewport()->height() - 1) / lineHeight, first, lines - 1);
    // first and last lie in [0, lines): each has its rows.
    const int top = trough.top() + map.RowOf(first).value_or(0);
    const int bottom = trough.top() + map.LastRowOf(last).value_or(0);
    QColor shade = pal.color(QPalette::Highlight);
    shade.setAlpha(48);
    dc.setPen(pal.color(QPalette::WindowText));
    dc.setBrush(shade);
    dc.drawRect(QRect(0, top, width() - 1, std::max(bottom - top, 2)));
}

void COverviewStrip::ScrollToRow(int y) {
    const LineIndex lines = m_view.GetDocument().GetLineCount();
    if (lines <= 0) return;
    const QRect trough = Trough();
    const COverviewRows map(lines, std::max(trough.height(), 1));
    const int row = std::clamp(y - trough.top(), 0, std::max(map.UsedRows() - 1, 0));
    const LineIndex first = map.FirstLine(row);
    m_view.CentreOnLine(first + (map.EndLine(row) - first) / 2);
    update();
}

void COverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    ScrollToRow(event->position().toPoint().y());
}

void COverviewStrip::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0) return QWidget::mouseMoveEvent(event);
    ScrollToRow(event->position().toPoint().y());
}
