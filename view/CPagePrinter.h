#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "CLineSelection.h"
#include "CTrawlviewDoc.h"

class QPainter;
class QPaintDevice;
class QPrinter;

// The printer font: face, the font's family (one that is not installed, or an empty one,
// gets the platform's substitute), and its size in tenths of a point (at least 1).
struct PrintFont {
    QString face;
    int tenths = 90;
};

// Lays out and draws printed pages of the document's displayed lines in the printer font.
//
// A page: the log path on the left and, on the right, the date and time (the C library's
// "%c"), an en dash and "Page N"; a rule; then the lines. A line whose display text starts
// with a timestamp puts that timestamp in a column of the printer font's own advances,
// with an en dash for the "-" after it; its message is word-wrapped in the rest of the
// width, each row under the first. A line without a displayed timestamp is wrapped whole
// in the message column. Text is black; neither colours nor bold reach the paper.
//
// A line that does not fit in the room left on a page opens the next page. A line taller
// than a whole page is continued on the following pages where it was cut, so no text is
// lost. A font so large that the timestamp column leaves too little room beside it prints
// the timestamp at the start of the wrapped text instead. A font so large that not even
// one row of text fits a page (a row taller than the page, or a letter wider) prints at
// the largest size at which one does; the size asked for is kept for the next job.
//
// The start of every laid-out page (its line and the byte where the line continues) is
// kept, so drawing a page again, or an earlier one, lays out that page alone.
class CPagePrinter {
public:
    // The way into printing: the document's displayed lines laid out for printer in font,
    // with logPath in the header; when the printer's range is Selection, only the lines
    // selected in selection. Pages are laid out in the printer's device units. The
    // document, the selection and the printer must outlive the page printer, and the
    // displayed lines stay as they are meanwhile unless LinesChanged is called.
    CPagePrinter(const CTrawlviewDoc& doc, const CLineSelection& selection, const QPrinter& printer,
                 const PrintFont& font, const QString& logPath);

    // The document's displayed lines changed: pages are laid out afresh.
    void LinesChanged();
    // Draws page (1-based) on dc, a painter on the printer whose origin is the corner of
    // the printable area, laying out first any earlier page not yet laid out. Returns true
    // when another page follows.
    bool PrintPage(QPainter& dc, int page);
    // The same inside rect, for another page size.
    bool PrintPage(QPainter& dc, int page, const QRectF& rect);
    // Pages whose start is known; the last one is the last page when IsComplete().
    int GetKnownPageCount() const { return static_cast<int>(m_pageStarts.size()); }
    bool IsComplete() const { return m_nLastPage > 0; }
    // The first displayed line of a laid-out page; none for a page not laid out.
    std::optional<LineIndex> GetPageFirstLine(int page) const;

    // Width of the timestamp column and height of one printed row, in device units.
    qreal GetPrefixWidth() const { return m_nPrintPrefixWidth; }
    qreal GetRowHeight() const { return m_nRowHeight; }

private:
    // Where a page starts: a displayed line, and the character of its wrapped text the
    // page continues at (0 when the line starts on this page).
    struct PageStart {
        LineIndex line = 0;
        qsizetype offset = 0;
    };
    // A displayed line as printed: the timestamp column (empty when the line shows no
    // timestamp) and the text wrapped in the message column.
    struct PrintedLine {
        QString column;
        QString message;
    };

    // Lays out one page from start in rect; draws it when dc is given. Returns the start
    // of the next page, or a line index of m_nLineCount past the end when this was the last.
    PageStart LayOutPage(const PageStart& start, const QRectF& rect, QPainter* dc, int page);
    void DrawHeader(QPainter& dc, const QRectF& rect, int page) const;
    // The timestamp column, character k at origin plus the advances of the cells before it.
    void DrawColumn(QPainter& dc, const QString& column, const QPointF& origin);
    void SetFont(const PrintFont& font);
    // Measures the current font for the device: rows, advances, the timestamp column.
    void Measure();
    // Caps the font at a size that leaves at least one row of text in rect; true when the
    // size changed (measure again then).
    bool FitFont(const QRectF& rect);
    const PrintedLine& GetPrintedLine(LineIndex line);
    LineIndex NextPrintedLine(LineIndex line) const;
    // The end of the row of text that starts at start and fits width, and where the next
    // row starts (blanks at the break are dropped). At least one character per row; a
    // line feed ends a row.
    qsizetype NextRow(const QString& text, qsizetype start, qreal width, qsizetype& next);
    qreal Advance(char32_t ch);
    // The characters of a row as drawn: control characters print as blanks.
    static QString RowText(const QString& text, qsizetype begin, qsizetype end);

    const CTrawlviewDoc& m_doc;
    // The lines to print; null prints every displayed line.
    const CLineSelection* m_pSelection = nullptr;
    const QPrinter& m_printer;
    QString m_strLogPath;
    QFont m_font;
    // The size in points the font was asked for, before a cap to the page.
    qreal m_requestedPoints = 9;
    // Device the measurements are for; pages drawn in another rectangle are laid out anew.
    QRectF m_layoutRect;
    // The timestamp column leaves too little room for the message beside it: the
    // timestamp is printed as the start of the wrapped text.
    bool m_bColumnTooWide = false;
    std::vector<PageStart> m_pageStarts;
    int m_nLastPage = 0;

    qreal m_nPrintPrefixWidth = 0;
    // Advance of each timestamp column cell: the printer font's own widths of the sample's
    // characters, the en dash in place of the "-" that follows the time.
    std::vector<qreal> m_printCharWidths;
    qreal m_nRowHeight = 1;
    qreal m_nAscent = 0;
    std::array<qreal, 128> m_asciiAdvance{};
    std::unordered_map<char32_t, qreal> m_wideAdvance;
    // The printer, as the device the font is measured for.
    const QPaintDevice* m_pDevice = nullptr;

    // The line met last: a line wrapped over many pages is read and decoded once.
    std::optional<LineIndex> m_cachedLine;
    PrintedLine m_cached;
    DisplayLine m_displayLine;
    QString m_scratch;
};
