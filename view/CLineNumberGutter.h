#pragma once

#include <QWidget>
#include <cstdint>

class CTrawlviewView;

// The line numbers left of the log view's lines: each displayed line's place among all
// lines of the log, 1-based and right-aligned, in the window's colours. It stands in the
// view's left margin, outside the scrolled area, so it stays when the lines scroll
// sideways and costs the lines nothing: the number is the line's index.
class CLineNumberGutter : public QWidget {
    Q_OBJECT

public:
    explicit CLineNumberGutter(CTrawlviewView& view);

    // Pixels the numbers of a log of lineCount lines need: the digits of the largest
    // number at the widest digit's advance, and a blank on either side.
    int WidthFor(std::int64_t lineCount) const;
    // The view's vertical position at the last paint: the numbers move with the lines.
    std::int64_t PaintedAt() const { return m_nPaintedAt; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CTrawlviewView& m_view;
    std::int64_t m_nPaintedAt = -1;
};
