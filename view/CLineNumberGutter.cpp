#include "CLineNumberGutter.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "CTrawlviewView.h"

CLineNumberGutter::CLineNumberGutter(CTrawlviewView& view) : QWidget(&view), m_view(view) {
    setAutoFillBackground(false);
}

int CLineNumberGutter::WidthFor(std::int64_t lineCount) const {
    const QFontMetrics metrics(font());
    int digitAdvance = 0;
    for (char c = '0'; c <= '9'; ++c)
        digitAdvance = std::max(digitAdvance, metrics.horizontalAdvance(QLatin1Char(c)));
    int digits = 1;
    for (std::int64_t n = std::max<std::int64_t>(lineCount, 1); n >= 10; n /= 10) ++digits;
    const int blank = metrics.horizontalAdvance(QLatin1Char(' '));
    return digits * digitAdvance + 2 * blank;
}

void CLineNumberGutter::paintEvent(QPaintEvent* event) {
    QPainter dc(this);
    const QPalette& pal = palette();
    dc.fillRect(event->rect(), pal.color(QPalette::Window));
    const int lineHeight = m_view.GetLineHeight();
    if (lineHeight <= 0) return;
    const CTrawlviewDoc& doc = m_view.GetDocument();
    const std::int64_t scrolled = m_view.GetDeviceScrollPosition().y;
    const int blank = QFontMetrics(font()).horizontalAdvance(QLatin1Char(' '));
    const int right = width() - blank;
    dc.setPen(pal.color(QPalette::WindowText));
    const LineIndex count = doc.GetLineCount();
    m_nPaintedAt = scrolled;
    for (LineIndex line = std::max<std::int64_t>(scrolled + event->rect().top(), 0) / lineHeight;
         line < count; ++line) {
        const std::int64_t y = line * lineHeight - scrolled;
        if (y > event->rect().bottom()) break;
        dc.drawText(QRect(0, static_cast<int>(y), right, lineHeight),
                    Qt::AlignRight | Qt::AlignVCenter,
                    QString::number(doc.GetCutLine(line).value() + 1));
    }
}
