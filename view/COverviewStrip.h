#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "COverview.h"

class CTrawlviewView;

// The overview beside the log view's vertical scroll bar, as tall as the bar's trough:
// each pixel row stands for the displayed lines it covers (COverviewRows) and shows, side
// by side, whether any of them is a red line, a yellow line or holds the find text whose
// occurrences the view marks, in those lines' colours; the part of the log in the window
// is outlined. A click or a drag scrolls the view there. The marks are computed off the
// window's thread (COverview) and come in as they are ready.
class COverviewStrip : public QWidget {
    Q_OBJECT

public:
    // Three marks of kMarkWidth side by side, a pixel apart, and a pixel at either side.
    static constexpr int kMarkWidth = 4;
    static constexpr int kWidth = 3 * kMarkWidth + 4;

    explicit COverviewStrip(CTrawlviewView& view);
    ~COverviewStrip() override;

    // The view's displayed lines were rebuilt; or lines from firstChanged on are new.
    void LinesReplaced();
    void LinesAppended(std::int64_t firstChanged);
    // On every paint of the view: takes up a new find text, new find options or marks
    // turned on or off, and outlines where the view has scrolled to.
    void FollowView();

    // The rows of marks, in the strip's coordinates: level with the scroll bar's trough,
    // or the whole strip while the bar is hidden.
    QRect Trough() const;
    // Per row of the trough, the bits of its marks (see OverviewMark), as last painted.
    const std::vector<std::uint8_t>& Rows() const { return m_rows; }
    COverview& GetOverview() { return m_overview; }
    // The strip's colour of mark kind.
    static QColor MarkColour(unsigned kind);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // On the window's thread, after the job said marks are ready.
    void TakeMarks();
    void Refold();
    // Scrolls the view so that the lines of the row under strip row y are in its middle.
    void ScrollToRow(int y);

    CTrawlviewView& m_view;
    COverview m_overview;
    std::vector<std::uint8_t> m_rows;
    // The finder the find marks were computed with; null without find marks.
    std::shared_ptr<const CLineFinder> m_finder;
    std::int64_t m_nPaintedAt = -1;
};
