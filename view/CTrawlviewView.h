#pragma once

#include <QFont>
#include <QPoint>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CScrollView32.h"
#include "CTrawlviewDoc.h"
#include "DisplayLine.h"

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
    void UpdateScrollSizes();

    CTrawlviewDoc& GetDocument() const { return m_doc; }
    int GetLineHeight() const { return m_nLineHeight; }
    std::int32_t GetPrefixWidth() const { return m_nPrefixWidth; }
    std::int64_t GetTotalWidth() const { return m_nTotalWidth; }

    bool IsLineSelected(LineIndex line) const;
    void SelectLine(LineIndex line, bool selected);
    LineIndex GetCaretLine() const { return m_nCaretLine; }
    void SetCaretLine(LineIndex line);
    LineIndex GetAnchorLine() const { return m_nAnchorLine; }
    // -1 for none.
    void SetAnchorLine(LineIndex line) { m_nAnchorLine = line; }

protected:
    void OnPrepareDC(QPainter& dc, bool printing) override;
    void OnDraw(QPainter& dc) override;
    void OnEraseBkgnd(QPainter& dc) override;
    void OnSize() override;
    // Draws line i with its top at content row y.
    bool DrawLine(QPainter& dc, LineIndex line, std::int64_t y);

private:
    void MeasureTimestampColumn();
    void InvalidateLine(LineIndex line);

    CTrawlviewDoc& m_doc;
    const CQtTextMeasurer& m_measurer;

    QDialog* m_pFindDialog = nullptr;
    std::string m_strFindWhat;
    bool m_bMatchCase = false;
    bool m_bWholeWord = false;
    bool m_bSearchDown = true;
    std::int32_t m_nPrintPage = 0;
    // Width of the timestamp column on screen: cells times the cell width.
    std::int32_t m_nPrefixWidth = 0;
    std::int32_t m_nPrintPrefixWidth = 0;
    std::unique_ptr<std::int32_t[]> m_pPrintCharWidths;
    // Advances of the timestamp column's cells: the first character's own width, then
    // the widest character of the sample for every other cell.
    std::unique_ptr<std::int32_t[]> m_pCharWidths;
    // Bytes of the timestamp sample: the display text's first m_nSampleLength bytes go in
    // the column.
    std::int32_t m_nSampleLength = 0;
    LineIndex m_nPrintNextLine = 0;
    std::unique_ptr<QFont> m_pPrinterFont;
    bool m_bDeselecting = false;
    // Last mouse move with its buttons and keys, replayed while auto-scrolling.
    QPoint m_ptAutoScroll;
    Qt::MouseButtons m_autoScrollButtons;
    Qt::KeyboardModifiers m_autoScrollModifiers;
    // One flag per displayed line, 1 = selected.
    std::vector<std::uint8_t> m_selected;
    LineIndex m_nCaretLine = 0;
    LineIndex m_nLastMouseLine = -1;
    LineIndex m_nAnchorLine = -1;
    std::int32_t m_nLineHeight = 0;
    std::int64_t m_nTotalWidth = 0;
    // The pieces of the line being drawn, reused from line to line.
    DisplayLine m_drawLine;
};
