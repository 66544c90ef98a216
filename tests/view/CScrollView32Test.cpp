#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <limits>

#include "CScrollView32.h"

namespace {

// The base class with a drawing that shows which content rows are where, so that a
// position off by some pixels would show.
class StripedView : public CScrollView32 {
public:
    using CScrollView32::CScrollView32;
    using CScrollView32::GetViewportOrg;

protected:
    void OnDraw(QPainter& dc) override {
        const ScrollPoint org = GetViewportOrg();
        for (int y = 0; y < viewport()->height(); ++y) {
            const std::int64_t row = y - org.y;
            dc.fillRect(0, y, viewport()->width(), 1, (row / 16) % 2 == 0 ? Qt::white : Qt::gray);
        }
    }
};

class ScrollViewTest : public ::testing::Test {
protected:
    ScrollViewTest() {
        view.resize(400, 300);
        view.show();
    }
    // Size of the whole widget, bars included, which is what the rules call the true
    // client size.
    void SetTotal(std::int64_t cx, std::int64_t cy, ScrollSize page = {}, ScrollSize line = {}) {
        view.SetScrollSizes({cx, cy}, page, line);
    }
    int BarWidth() const { return view.verticalScrollBar()->sizeHint().width(); }
    int BarHeight() const { return view.horizontalScrollBar()->sizeHint().height(); }
    bool Wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &event);
        return event.isAccepted();
    }
    std::int64_t Y() const { return view.GetScrollPos32(CScrollView32::SB_VERT); }

    StripedView view;
};

TEST_F(ScrollViewTest, DefaultStepsAreTenthsOfTotalThenPage) {
    SetTotal(1000, 5000);
    ScrollSize total, page, line;
    view.GetDeviceScrollSizes(total, page, line);
    EXPECT_EQ(page.cx, 100);
    EXPECT_EQ(page.cy, 500);
    EXPECT_EQ(line.cx, 10);
    EXPECT_EQ(line.cy, 50);
}

TEST_F(ScrollViewTest, BarsAppearOnlyWhereTheContentDoesNotFit) {
    // Exactly as wide and as tall as the window: nothing to scroll.
    SetTotal(400, 300);
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_HORZ));
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_VERT));
    EXPECT_EQ(view.viewport()->size(), QSize(400, 300));

    // Taller, and narrow enough to fit beside the vertical bar.
    SetTotal(400 - BarWidth(), 1000);
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_HORZ));
    EXPECT_TRUE(view.HasScrollBar(CScrollView32::SB_VERT));

    // Narrower than the window but not than what the vertical bar leaves: both bars.
    SetTotal(400 - BarWidth() + 1, 1000);
    EXPECT_TRUE(view.HasScrollBar(CScrollView32::SB_HORZ));
    EXPECT_TRUE(view.HasScrollBar(CScrollView32::SB_VERT));
    EXPECT_EQ(view.GetScrollLimit(CScrollView32::SB_HORZ), 1);
    EXPECT_EQ(view.GetScrollLimit(CScrollView32::SB_VERT), 1000 - (300 - BarHeight()));

    // Fits again: the bars go and the positions return to 0.
    view.ScrollToPosition({1, 50});
    SetTotal(100, 100);
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_HORZ));
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_VERT));
    EXPECT_EQ(view.GetDeviceScrollPosition().x, 0);
    EXPECT_EQ(Y(), 0);
}

TEST_F(ScrollViewTest, EnlargingAtTheEndPullsThePositionBackThenDropsTheBar) {
    SetTotal(100, 1000, {0, 200}, {0, 16});
    EXPECT_TRUE(view.OnScroll(CScrollView32::SB_VERT, CScrollView32::SB_BOTTOM));
    EXPECT_EQ(Y(), 700);

    view.resize(400, 500);
    EXPECT_EQ(Y(), 500);
    EXPECT_EQ(view.verticalScrollBar()->value(), 500);

    view.resize(400, 1200);
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_VERT));
    EXPECT_EQ(Y(), 0);
}

TEST_F(ScrollViewTest, RequestsMoveByTheGivenStepsAndStopAtTheEnds) {
    SetTotal(100, 10000, {0, 250}, {0, 16});
    using V = CScrollView32;
    EXPECT_FALSE(view.OnScroll(V::SB_VERT, V::SB_LINEUP));
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_LINEDOWN));
    EXPECT_EQ(Y(), 16);
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_PAGEDOWN));
    EXPECT_EQ(Y(), 266);
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_PAGEUP));
    EXPECT_EQ(Y(), 16);
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_BOTTOM));
    EXPECT_EQ(Y(), 10000 - 300);
    EXPECT_FALSE(view.OnScroll(V::SB_VERT, V::SB_LINEDOWN));
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_TOP));
    EXPECT_EQ(Y(), 0);

    // Asking only whether a scroll would happen moves nothing.
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_PAGEDOWN, false));
    EXPECT_EQ(Y(), 0);
}

TEST_F(ScrollViewTest, BarClicksPageByThePageStepNotTheVisibleHeight) {
    SetTotal(100, 10000, {0, 250}, {0, 16});
    QScrollBar* bar = view.verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Y(), 250);
    EXPECT_EQ(bar->value(), 250);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Y(), 266);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Y(), 9700);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Y(), 9700);
    EXPECT_EQ(bar->value(), 9700);
}

TEST_F(ScrollViewTest, ThumbDragLandsOnTheExactPixel) {
    SetTotal(100, 16 * 200000, {}, {0, 16});
    QScrollBar* bar = view.verticalScrollBar();
    bar->setSliderDown(true);
    for (const int target : {3000000, 65537, 32769, 1}) {
        bar->setSliderPosition(target);
        EXPECT_EQ(Y(), target);
        EXPECT_EQ(bar->value(), target);
    }
    bar->setSliderDown(false);
    EXPECT_EQ(Y(), 1);

    // The window shows the rows of the new position: row 3,000,000 is the first row of a
    // white stripe (3,000,000 / 16 is even).
    bar->setSliderDown(true);
    bar->setSliderPosition(3000000 + 16);
    bar->setSliderDown(false);
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(5, 0)), QColor(Qt::gray));
    EXPECT_EQ(QColor(image.pixel(5, 16)), QColor(Qt::white));
}

TEST_F(ScrollViewTest, WheelScrollsLinesPerNotchCappedAtAPage) {
    SetTotal(100, 10000, {0, 384}, {0, 16});
    view.SetWheelScrollLines(3);
    EXPECT_TRUE(Wheel(-120));
    EXPECT_EQ(Y(), 48);
    EXPECT_TRUE(Wheel(120));
    EXPECT_EQ(Y(), 0);

    // Shift or Ctrl: left to others.
    EXPECT_FALSE(Wheel(-120, Qt::ShiftModifier));
    EXPECT_FALSE(Wheel(-120, Qt::ControlModifier));
    EXPECT_EQ(Y(), 0);

    // Parts of a notch add up instead of each scrolling a line or none.
    EXPECT_TRUE(Wheel(-40));
    EXPECT_EQ(Y(), 16);
    EXPECT_TRUE(Wheel(-20));
    EXPECT_TRUE(Wheel(-20));
    EXPECT_EQ(Y(), 32);

    // Many lines a notch: never more than a page down.
    view.ScrollToPosition({0, 0});
    view.SetWheelScrollLines(100);
    Wheel(-120);
    EXPECT_EQ(Y(), 384);

    view.SetWheelScrollLines(CScrollView32::WHEEL_PAGESCROLL);
    Wheel(-120);
    EXPECT_EQ(Y(), 768);
    Wheel(120);
    EXPECT_EQ(Y(), 384);
}

TEST_F(ScrollViewTest, WheelWithOnlyAHorizontalBarScrollsAcross) {
    SetTotal(5000, 100, {400, 0}, {8, 0});
    ASSERT_TRUE(view.HasScrollBar(CScrollView32::SB_HORZ));
    ASSERT_FALSE(view.HasScrollBar(CScrollView32::SB_VERT));
    view.SetWheelScrollLines(3);
    EXPECT_TRUE(Wheel(-120));
    EXPECT_EQ(view.GetScrollPos32(CScrollView32::SB_HORZ), 24);
}

TEST_F(ScrollViewTest, AnAxisWithoutABarDoesNotMove) {
    SetTotal(100, 1000, {}, {10, 16});
    ASSERT_FALSE(view.HasScrollBar(CScrollView32::SB_HORZ));
    using V = CScrollView32;
    EXPECT_FALSE(view.OnScroll(V::SB_HORZ, V::SB_LINERIGHT));
    EXPECT_FALSE(view.OnScroll(V::SB_HORZ, V::SB_RIGHT));
    EXPECT_FALSE(view.OnScrollBy({50, 0}));
    EXPECT_EQ(view.GetScrollPos32(V::SB_HORZ), 0);
    // The other axis still moves in the same request.
    EXPECT_TRUE(view.OnScrollBy({50, 20}));
    EXPECT_EQ(view.GetDeviceScrollPosition().x, 0);
    EXPECT_EQ(Y(), 20);
}

TEST_F(ScrollViewTest, ContentTallerThanTheBarRangeStaysReachable) {
    // 2^31 lines of 16 pixels: 32 GiB of pixels, far past what a bar value holds.
    const std::int64_t total = (std::int64_t{1} << 31) * 16;
    SetTotal(100, total, {0, 256}, {0, 16});
    QScrollBar* bar = view.verticalScrollBar();
    const std::int64_t limit = view.GetScrollLimit(CScrollView32::SB_VERT);
    EXPECT_EQ(limit, total - 300);
    EXPECT_GT(bar->maximum(), 0);

    using V = CScrollView32;
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_BOTTOM));
    EXPECT_EQ(Y(), limit);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(view.OnScroll(V::SB_VERT, V::SB_LINEUP));
    EXPECT_EQ(Y(), limit - 16);

    // Dragging reaches the middle and lands exactly on the end at the bar's end.
    bar->setSliderDown(true);
    bar->setSliderPosition(bar->maximum() / 2);
    EXPECT_NEAR(static_cast<double>(Y()), static_cast<double>(limit) / 2,
                static_cast<double>(limit) / 1e6);
    bar->setSliderPosition(bar->maximum());
    EXPECT_EQ(Y(), limit);
    bar->setSliderDown(false);

    // Drawing at such a position shows the right rows: the last row is in the stripe of
    // line 2^31 - 1, which is gray.
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(5, image.height() - 1)), QColor(Qt::gray));
}

}  // namespace
