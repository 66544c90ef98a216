#include "CPagePrinter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "LocaleFormats.h"
#include "LogTextCodec.h"

namespace {

constexpr char16_t kEnDash = 0x2013;

// Control characters (a tab, a stray line feed) print as a blank rather than as a box.
char32_t Printable(char32_t ch) {
    return ch < 0x20 || ch == 0x7F ? U' ' : ch;
}

bool IsBlank(char32_t ch) {
    return ch == U' ' || ch == U'\t';
}

// The current local date and time in the C library's locale.
QString LocalDateTime() {
    return QString::fromLocal8Bit(FormatLocalTime(std::time(nullptr), "%c"));
}

}  // namespace

CPagePrinter::CPagePrinter(const CTrawlviewDoc& doc, const CLineSelection& selection,
                           const QPrinter& printer, const PrintFont& font, const QString& logPath)
    : m_doc(doc),
      m_pSelection(printer.printRange() == QPrinter::Selection ? &selection : nullptr),
      m_printer(printer),
      m_strLogPath(logPath),
      m_pDevice(&printer) {
    SetFont(font);
    Measure();
}

void CPagePrinter::SetFont(const PrintFont& font) {
    m_font = QFont();
    if (!font.face.isEmpty()) m_font.setFamily(font.face);
    m_requestedPoints = std::max(font.tenths, 1) / 10.0;
    m_font.setPointSizeF(m_requestedPoints);
    // Widths of pieces must add up to the width of the whole, so wrapping can sum them.
    m_font.setKerning(false);
    // Nor are letters joined: "fi" must print, and copy out of a PDF, as two letters.
    m_font.setStyleStrategy(QFont::PreferNoShaping);
    m_font.setBold(false);
    m_font.setItalic(false);
}

void CPagePrinter::Measure() {
    const QFontMetricsF metrics(m_font, m_pDevice);
    m_nRowHeight = std::max<qreal>(metrics.height(), 1);
    m_nAscent = metrics.ascent();
    for (std::size_t c = 0; c < m_asciiAdvance.size(); ++c) {
        m_asciiAdvance[c] = metrics.horizontalAdvance(
            QChar(static_cast<char16_t>(Printable(static_cast<char32_t>(c)))));
    }
    m_wideAdvance.clear();

    QString sample = DecodeLogText(GetLocaleFormats().timestampSample);
    if (sample.size() >= 2) sample[sample.size() - 2] = QChar(kEnDash);
    m_printCharWidths.clear();
    m_nPrintPrefixWidth = 0;
    for (const QChar ch : sample) {
        m_printCharWidths.push_back(Advance(ch.unicode()));
        m_nPrintPrefixWidth += m_printCharWidths.back();
    }
}

bool CPagePrinter::FitFont(const QRectF& rect) {
    // The size asked for is where each page starts: another page size may take it whole.
    // Past a few thousand points the font's metrics are no longer the letters' (a font of
    // 65535 points measured 32 pixels high), so first the size alone must fit: letters no
    // taller than the page.
    const qreal dpi = std::max(m_pDevice != nullptr ? m_pDevice->logicalDpiY() : 72, 1);
    qreal points = std::min(m_requestedPoints, rect.height() * 72 / dpi);
    QFont font = m_font;
    // Metrics do not scale exactly with the size, so the size is tried again a few times.
    for (int tries = 0; tries < 8; ++tries) {
        font.setPointSizeF(points);
        const QFontMetricsF metrics(font, m_pDevice);
        const qreal wide = std::max<qreal>(metrics.horizontalAdvance(QLatin1Char('W')), 1);
        const qreal scale =
            std::min(rect.height() / std::max<qreal>(metrics.height(), 1), rect.width() / wide);
        if (scale >= 1) break;
        points = std::max<qreal>(points * scale * 0.98, 0.1);
    }
    if (points == m_font.pointSizeF()) return false;
    m_font.setPointSizeF(points);
    return true;
}

void CPagePrinter::LinesChanged() {
    m_pageStarts.clear();
    m_nLastPage = 0;
    m_layoutRect = QRectF();
    m_cachedLine.reset();
}

qreal CPagePrinter::Advance(char32_t ch) {
    if (ch < 128) return m_asciiAdvance[ch];
    const auto it = m_wideAdvance.find(ch);
    if (it != m_wideAdvance.end()) return it->second;
    const QFontMetricsF metrics(m_font, m_pDevice);
    const char32_t shown = Printable(ch);
    const qreal advance = metrics.horizontalAdvance(QString::fromUcs4(&shown, 1));
    m_wideAdvance.emplace(ch, advance);
    return advance;
}

LineIndex CPagePrinter::NextPrintedLine(LineIndex line) const {
    const LineIndex count = m_doc.GetLineCount();
    if (m_pSelection == nullptr) return std::min(line, count);
    return std::min(m_pSelection->NextSelected(line).value_or(count), count);
}

const CPagePrinter::PrintedLine& CPagePrinter::GetPrintedLine(LineIndex line) {
    if (line == m_cachedLine) return m_cached;
    m_cachedLine = line;
    m_doc.GetDisplayLine(line, m_displayLine);
    const DisplayLine& shown = m_displayLine;
    DecodeLogText(shown.column, shown.reading, m_cached.column);
    const qsizetype dash = static_cast<qsizetype>(m_printCharWidths.size()) - 2;
    if (shown.timestamp && dash >= 0 && m_cached.column.size() > dash &&
        m_cached.column[dash] == QLatin1Char('-')) {
        m_cached.column[dash] = QChar(kEnDash);
    }
    DecodeLogText(shown.messageHead, shown.reading, m_scratch);
    m_cached.message = m_scratch;
    DecodeLogText(shown.message, shown.reading, m_scratch);
    m_cached.message += m_scratch;
    // A line without a timestamp prints whole in the message column; so does one whose
    // column would leave too little room beside it.
    if (!shown.timestamp || m_bColumnTooWide) {
        m_cached.message.prepend(m_cached.column);
        m_cached.column.clear();
    }
    return m_cached;
}

qsizetype CPagePrinter::NextRow(const QString& text, qsizetype start, qreal width,
                                qsizetype& next) {
    qreal used = 0;
    // The last place a row may end (before a run of blanks) and where the row after it
    // would start (after the run); 0 until a blank follows a word on this row.
    qsizetype breakEnd = 0;
    qsizetype breakNext = 0;
    bool inBlanks = false;
    const qsizetype size = text.size();
    for (qsizetype i = start; i < size;) {
        char32_t ch = text[i].unicode();
        qsizetype length = 1;
        if (text[i].isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        if (ch == U'\n') {
            next = i + length;
            return i;
        }
        const qreal advance = Advance(ch);
        if (IsBlank(ch)) {
            if (!inBlanks && i > start) breakEnd = i;
            inBlanks = true;
            breakNext = i + length;
        } else {
            inBlanks = false;
            if (used + advance > width && i > start) {
                // The word does not fit: the row ends at the last blank, or, for a word
                // wider than the whole column, inside the word, so nothing is cut off.
                if (breakEnd > start) {
                    next = breakNext;
                    return breakEnd;
                }
                next = i;
                return i;
            }
        }
        used += advance;
        i += length;
    }
    next = size;
    return size;
}

QString CPagePrinter::RowText(const QString& text, qsizetype begin, qsizetype end) {
    QString row = text.mid(begin, end - begin);
    for (QChar& ch : row) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) ch = QLatin1Char(' ');
    }
    return row;
}

void CPagePrinter::DrawHeader(QPainter& dc, const QRectF& rect, int page) const {
    const QString right = LocalDateTime() + QLatin1Char(' ') + QChar(kEnDash) +
                          QStringLiteral(" Page ") + QString::number(page);
    const QFontMetricsF metrics(m_font, m_pDevice);
    // A long path gives up its middle rather than running into the date.
    const qreal room = rect.width() - metrics.horizontalAdvance(right) -
                       metrics.horizontalAdvance(QStringLiteral("  "));
    const QString path =
        metrics.elidedText(m_strLogPath, Qt::ElideMiddle, std::max<qreal>(room, 0));
    const qreal baseline = rect.top() + m_nAscent;
    dc.drawText(QPointF(rect.left(), baseline), path);
    dc.drawText(QPointF(rect.right() - metrics.horizontalAdvance(right), baseline), right);
    const qreal y = rect.top() + m_nRowHeight * 5 / 4;
    QPen rule(Qt::black);
    rule.setWidthF(std::max<qreal>(m_nRowHeight / 20, 1));
    dc.setPen(rule);
    dc.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
    dc.setPen(Qt::black);
}

void CPagePrinter::DrawColumn(QPainter& dc, const QString& column, const QPointF& origin) {
    const std::size_t cells =
        std::min(static_cast<std::size_t>(column.size()), m_printCharWidths.size());
    // Digits mostly share one width: when every character fills its cell exactly, one run
    // of text puts each where the cells would, at a fraction of the cost.
    bool natural = true;
    for (std::size_t k = 0; k < cells && natural; ++k) {
        natural = Advance(column[static_cast<qsizetype>(k)].unicode()) == m_printCharWidths[k];
    }
    if (natural) {
        dc.drawText(origin, column.left(static_cast<qsizetype>(cells)));
        return;
    }
    qreal x = origin.x();
    for (std::size_t k = 0; k < cells; ++k) {
        dc.drawText(QPointF(x, origin.y()), QString(column[static_cast<qsizetype>(k)]));
        x += m_printCharWidths[k];
    }
}

CPagePrinter::PageStart CPagePrinter::LayOutPage(const PageStart& start, const QRectF& rect,
                                                 QPainter* dc, int page) {
    // A font so large that the header and one row do not fit on a page leaves the
    // header out rather than the text.
    const bool header = rect.height() >= 3 * m_nRowHeight;
    if (dc != nullptr) {
        dc->setFont(m_font);
        dc->setPen(Qt::black);
        if (header) DrawHeader(*dc, rect, page);
    }
    const LineIndex count = m_doc.GetLineCount();
    const qreal bottom = rect.bottom();
    const qreal messageLeft = rect.left() + (m_bColumnTooWide ? 0 : m_nPrintPrefixWidth);
    const qreal messageWidth = rect.right() - messageLeft;
    qreal top = rect.top() + (header ? 2 * m_nRowHeight : 0);
    bool printedAny = false;
    LineIndex i = NextPrintedLine(start.line);
    qsizetype offset = start.offset;
    while (i < count) {
        const PrintedLine& line = GetPrintedLine(i);
        const auto roomRows = static_cast<std::int64_t>(std::floor((bottom - top) / m_nRowHeight));
        if (offset == 0 && printedAny) {
            // Only rows up to the room left are counted: a line of megabytes costs one page.
            std::int64_t rows = 0;
            qsizetype pos = 0;
            do {
                NextRow(line.message, pos, messageWidth, pos);
                ++rows;
            } while (pos < line.message.size() && rows <= roomRows);
            if (rows > roomRows) return {i, 0};
        }
        if (offset == 0 && dc != nullptr && !line.column.isEmpty()) {
            DrawColumn(*dc, line.column, QPointF(rect.left(), top + m_nAscent));
        }
        qsizetype pos = offset;
        bool drawn = false;
        do {
            // The first row of a page is drawn whatever its height, so every page
            // makes progress; a line cut here goes on at the top of the next page.
            if ((printedAny || drawn) && top + m_nRowHeight > bottom) return {i, pos};
            qsizetype next = 0;
            const qsizetype end = NextRow(line.message, pos, messageWidth, next);
            if (dc != nullptr && end > pos)
                dc->drawText(QPointF(messageLeft, top + m_nAscent),
                             RowText(line.message, pos, end));
            top += m_nRowHeight;
            drawn = true;
            pos = next;
        } while (pos < line.message.size());
        printedAny = true;
        offset = 0;
        i = NextPrintedLine(i + 1);
    }
    return {count, 0};
}

bool CPagePrinter::PrintPage(QPainter& dc, int page) {
    const QRectF area = m_printer.pageLayout().paintRectPixels(m_printer.resolution());
    return PrintPage(dc, page, QRectF(QPointF(0, 0), area.size()));
}

bool CPagePrinter::PrintPage(QPainter& dc, int page, const QRectF& rect) {
    if (rect != m_layoutRect) {
        // Another paper size or orientation: every page breaks elsewhere.
        m_layoutRect = rect;
        if (FitFont(rect)) Measure();
        // Less than a quarter of the width left beside the column wraps a few letters
        // a row, or none at all.
        m_bColumnTooWide = rect.width() - m_nPrintPrefixWidth < rect.width() / 4;
        m_cachedLine.reset();
        m_pageStarts.assign(1, PageStart{});
        m_nLastPage = 0;
    }
    if (m_pageStarts.empty()) m_pageStarts.assign(1, PageStart{});
    page = std::max(page, 1);
    while (GetKnownPageCount() < page && !IsComplete()) {
        const int last = GetKnownPageCount();
        const PageStart next = LayOutPage(m_pageStarts.back(), rect, nullptr, last);
        if (next.line >= m_doc.GetLineCount()) {
            m_nLastPage = last;
        } else {
            m_pageStarts.push_back(next);
        }
    }
    if (page > GetKnownPageCount()) return false;
    const PageStart next =
        LayOutPage(m_pageStarts[static_cast<std::size_t>(page - 1)], rect, &dc, page);
    if (next.line >= m_doc.GetLineCount()) {
        m_nLastPage = page;
        return false;
    }
    if (GetKnownPageCount() == page) m_pageStarts.push_back(next);
    return true;
}

std::optional<LineIndex> CPagePrinter::GetPageFirstLine(int page) const {
    if (page < 1 || page > GetKnownPageCount()) return std::nullopt;
    return NextPrintedLine(m_pageStarts[static_cast<std::size_t>(page - 1)].line);
}
