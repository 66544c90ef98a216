#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <cstdint>

class QPainter;

// A size or a point in pixels of the content. 64-bit so that content taller than the
// scroll bars can express (more than 2^31 - 1 pixels) neither wraps nor truncates.
struct ScrollSize {
    std::int64_t cx = 0;
    std::int64_t cy = 0;
};
struct ScrollPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// A viewport onto a content area of known size, scrolled by whole pixels on two axes.
//
// The scroll position of each axis is a pixel offset read and written only through
// GetScrollPos32 and SetScrollPos32. The bars show it: as long as the content fits the
// bar's int range (up to 2^31 - 1 pixels), bar value and pixel position are the same
// number. Larger content is shown on the bar at a power-of-two scale, so the thumb can
// still reach every part of it (dragging lands on multiples of the scale, and the bar's
// end lands exactly on the last position); line, page and wheel scrolling keep moving by
// single pixels.
//
// Bar requests (arrows, page clicks, Home/End, thumb drags) are handled here rather than
// by QScrollBar's own stepping: a page request moves by the page step given to
// SetScrollSizes, which is smaller than the visible extent the bar uses for its thumb.
class CScrollView32 : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum Bar : int { SB_HORZ = 0, SB_VERT = 1 };
    // Scroll requests on one axis; the UP/DOWN and LEFT/RIGHT names are the same request.
    enum ScrollCode : std::uint8_t {
        SB_LINEUP,
        SB_LINELEFT = SB_LINEUP,
        SB_LINEDOWN,
        SB_LINERIGHT = SB_LINEDOWN,
        SB_PAGEUP,
        SB_PAGELEFT = SB_PAGEUP,
        SB_PAGEDOWN,
        SB_PAGERIGHT = SB_PAGEDOWN,
        // To where the thumb is being dragged.
        SB_THUMBTRACK,
        SB_TOP,
        SB_LEFT = SB_TOP,
        SB_BOTTOM,
        SB_RIGHT = SB_BOTTOM,
    };
    // Lines-per-notch value meaning "one page per notch".
    static constexpr int WHEEL_PAGESCROLL = -1;

    explicit CScrollView32(QWidget* parent = nullptr);
    ~CScrollView32() override;

    // Position primitives. SetScrollPos32 keeps pos within [0, GetScrollLimit] and returns
    // the position that resulted; the bar shows it at once.
    std::int64_t GetScrollPos32(int bar) const;
    std::int64_t SetScrollPos32(int bar, std::int64_t pos);
    // Largest position of the bar: total - visible extent while the bar is shown, else 0.
    std::int64_t GetScrollLimit(int bar) const;
    bool HasScrollBar(int bar) const { return m_bHasBar[bar]; }

    // Sizes in pixels of the content. page and line of 0 get defaults (a tenth of total,
    // a tenth of page); negative heights are made positive.
    void SetScrollSizes(ScrollSize sizeTotal, ScrollSize sizePage = {}, ScrollSize sizeLine = {});
    ScrollPoint GetDeviceScrollPosition() const;
    void GetDeviceScrollSizes(ScrollSize& sizeTotal, ScrollSize& sizePage,
                              ScrollSize& sizeLine) const;
    // Clamps to [0, limit] on each axis, then scrolls there.
    void ScrollToPosition(ScrollPoint pt);
    void ScrollToDevicePosition(ScrollPoint pt);
    // Fills the parts of the viewport right of and below the content; never the content.
    void FillOutsideRect(QPainter& dc, const QColor& brush) const;
    void UpdateBars();

    // Returns whether the position of bar changed (or, with doScroll false, would change).
    bool OnScroll(int bar, ScrollCode code, bool doScroll = true);
    bool OnScrollBy(ScrollSize delta, bool doScroll = true);
    // delta in eighths of a degree, 120 a notch. False when not handled (Shift or Ctrl
    // held, no bar, or nothing moved).
    bool OnMouseWheel(Qt::KeyboardModifiers modifiers, int delta);

    // Read from the application at construction; WHEEL_PAGESCROLL scrolls by pages.
    void SetWheelScrollLines(int lines) { m_nWheelLines = lines; }

protected:
    // Sets the origin the next drawing uses: content point (cx, cy) lands at window point
    // (cx + origin.x, cy + origin.y); a printing context draws unshifted.
    virtual void OnPrepareDC(QPainter& dc, bool printing);
    virtual void OnDraw(QPainter& dc) = 0;
    // Fills the background before OnDraw; by default the whole viewport.
    virtual void OnEraseBkgnd(QPainter& dc);
    // The viewport was resized.
    virtual void OnSize();

    ScrollPoint GetViewportOrg() const { return m_ptViewportOrg; }
    // The viewport area being painted, in window coordinates.
    QRect GetPaintRect() const { return m_rcPaint; }
    // Narrows a window coordinate for the painter; values far outside the viewport are
    // pulled in to where they still lie outside it.
    static int ToDevice(std::int64_t v);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    ScrollSize m_totalDev;
    ScrollSize m_pageDev;
    ScrollSize m_lineDev;
    bool m_bInsideUpdate = false;

private:
    QScrollBar* BarWidget(int bar) const;
    QSize GetScrollBarSizes() const;
    QSize GetTrueClientSize() const;
    void ShowBar(int bar, bool show);
    void SetBarRange(int bar, std::int64_t total, std::int64_t visible);
    void SyncBarValue(int bar);
    void ScrollWindow(std::int64_t dx, std::int64_t dy);
    void OnBarAction(int bar, int action);
    void OnBarValueChanged(int bar, int value);

    std::int64_t m_nPos[2] = {0, 0};
    std::int64_t m_nLimit[2] = {0, 0};
    // The bar shows position >> m_nShift.
    int m_nShift[2] = {0, 0};
    bool m_bHasBar[2] = {false, false};
    // Thumb position captured when the bar reported a drag.
    int m_nTrackPos[2] = {0, 0};
    bool m_bSettingBar = false;
    int m_nWheelLines = 3;
    // Eighths of a degree times lines, not yet turned into whole lines.
    std::int64_t m_nWheelRemainder = 0;
    ScrollPoint m_ptViewportOrg;
    QRect m_rcPaint;
};
