#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWindow>

#include "CProgressStatusBar.h"
#include "CProgressWnd.h"

namespace {

// A bar whose inside (client width less the edge) is barWidth pixels.
class ProgressTest : public ::testing::Test {
protected:
    explicit ProgressTest(int barWidth = 128) {
        wnd.resize(barWidth + 2, 20);
        wnd.show();
    }
    CProgressWnd wnd;
};

TEST_F(ProgressTest, FilledWidthFollowsPositionInDoublePrecision) {
    ASSERT_EQ(wnd.GetBarWidth(), 128u);
    wnd.SetRange(256);
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 0}, {1, 0}, {2, 1}, {255, 127}, {256, 128}};
    for (const auto& [pos, filled] : cases) {
        wnd.SetPos(pos);
        EXPECT_EQ(wnd.GetFilled(), filled) << pos;
    }
    wnd.SetPos(600);
    EXPECT_EQ(wnd.GetPos(), 256u);
    EXPECT_EQ(wnd.GetFilled(), 128u);

    // A smaller range keeps the old position: the bar shows over-full until the next SetPos.
    wnd.SetRange(10);
    EXPECT_EQ(wnd.GetFilled(), 3276u);  // 256 / 10 * 128
    wnd.SetPos(5);
    EXPECT_EQ(wnd.GetFilled(), 64u);
    wnd.SetRange(0);
    EXPECT_EQ(wnd.GetFilled(), 0u);
}

TEST_F(ProgressTest, EveryPositionFillsAsTheFormulaSaysAndRepaintsOncePerPixel) {
    // Counts the paints of the bar; an odd range makes the pixel edges fall between
    // positions unevenly.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    constexpr std::uint32_t kRange = 100003;
    wnd.SetRange(kRange);
    wnd.SetPos(0);
    wnd.installEventFilter(&counter);
    // The bar's whole pixels at a position; kRange is prime, so no position but the
    // ends falls on a pixel's edge and double precision gives the exact quotient.
    const auto pixels = [](std::uint64_t pos) {
        return static_cast<std::uint32_t>(pos * 128 / kRange);
    };
    for (std::uint32_t pos = 0; pos <= kRange; ++pos) {
        wnd.SetPos(pos);
        ASSERT_EQ(wnd.GetFilled(), pixels(pos)) << pos;
    }
    EXPECT_EQ(counter.paints, 128);
    // A new rebuild starts again from the left; so does a jump back without a new range.
    wnd.SetPos(10);
    EXPECT_EQ(wnd.GetFilled(), 0u);
    wnd.SetRange(kRange);
    wnd.SetPos(kRange / 2);
    EXPECT_EQ(wnd.GetFilled(), pixels(kRange / 2));
    wnd.SetRange(kRange / 2);
    wnd.SetPos(kRange / 2);
    EXPECT_EQ(wnd.GetFilled(), 128u);
}

TEST(ProgressColourTest, HlsConversionsMatchKnownColours) {
    int h = 0, l = 0, s = 0;
    CProgressWnd::RGBtoHLS(255, 0, 0, h, l, s);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(l, 15000);
    EXPECT_EQ(s, 30000);
    CProgressWnd::RGBtoHLS(0, 0, 255, h, l, s);
    EXPECT_EQ(h, 20000);
    CProgressWnd::RGBtoHLS(128, 128, 128, h, l, s);
    EXPECT_EQ(h, 20000);  // a grey
    EXPECT_EQ(s, 0);
    EXPECT_EQ(l, 15059);
    EXPECT_EQ(CProgressWnd::HLStoRGB(0, 15000, 30000), qRgb(255, 0, 0));
    EXPECT_EQ(CProgressWnd::HLStoRGB(10000, 15000, 30000), qRgb(0, 255, 0));
    EXPECT_EQ(CProgressWnd::HLStoRGB(20000, 30000, 0), qRgb(255, 255, 255));
    // Every colour survives the round trip within one step per channel.
    for (const QRgb c :
         {qRgb(0, 120, 215), qRgb(51, 153, 255), qRgb(10, 36, 106), qRgb(200, 30, 90)}) {
        CProgressWnd::RGBtoHLS(qRed(c), qGreen(c), qBlue(c), h, l, s);
        const QRgb back = CProgressWnd::HLStoRGB(h, l, s);
        EXPECT_LE(std::abs(qRed(back) - qRed(c)), 1);
        EXPECT_LE(std::abs(qGreen(back) - qGreen(c)), 1);
        EXPECT_LE(std::abs(qBlue(back) - qBlue(c)), 1);
    }
}

TEST_F(ProgressTest, ShadesOfPureRedAreLighterAboveAndDarkerBelow) {
    wnd.UpdateShades(QColor(255, 0, 0));
    const std::array<QColor, 8>& shades = wnd.GetShades();
    // Lightness 15000 + offset at full saturation: above the middle the other channels
    // rise, below it red falls.
    EXPECT_EQ(shades[0].rgb(), qRgb(255, 77, 77));    // 19500
    EXPECT_EQ(shades[1].rgb(), qRgb(255, 162, 162));  // 24500
    EXPECT_EQ(shades[4].rgb(), qRgb(255, 0, 0));      // 15000
    EXPECT_EQ(shades[7].rgb(), qRgb(179, 0, 0));      // 10500
}

TEST_F(ProgressTest, PaintsShadedBandInHighlightAndButtonFaceBeyond) {
    QPalette pal = wnd.palette();
    pal.setColor(QPalette::Highlight, QColor(255, 0, 0));
    wnd.setPalette(pal);
    wnd.SetRange(128);
    wnd.SetPos(64);
    const QImage image = wnd.grab().toImage();
    // Edge at 0, window-frame outline at 1, shaded interior from 2; rows likewise.
    wnd.UpdateShades(QColor(255, 0, 0));
    const std::array<QColor, 8>& shades = wnd.GetShades();
    EXPECT_EQ(QColor(image.pixel(10, 2)).rgb(), shades[0].rgb());
    EXPECT_EQ(QColor(image.pixel(10, 3)).rgb(), shades[1].rgb());
    EXPECT_EQ(QColor(image.pixel(10, 4)).rgb(), shades[2].rgb());
    EXPECT_EQ(QColor(image.pixel(10, 10)).rgb(), shades[4].rgb());
    EXPECT_EQ(QColor(image.pixel(10, 17)).rgb(), shades[7].rgb());
    EXPECT_EQ(QColor(image.pixel(10, 1)).rgb(), pal.color(QPalette::Shadow).rgb());
    EXPECT_EQ(QColor(image.pixel(100, 10)).rgb(), pal.color(QPalette::Button).rgb());
}

TEST(ProgressStatusBarTest, BarCoversMessagePaneUpTo250Pixels) {
    CProgressStatusBar bar;
    bar.SetIndicators("For Help, press F1", {"CAP", "NUM"});
    bar.resize(900, 24);
    bar.show();
    bar.ShowProgress(100);
    const QRect pane = bar.GetMessagePaneRect();
    ASSERT_GT(pane.width(), 250);
    EXPECT_EQ(bar.GetProgressWnd().width(), 250);
    EXPECT_EQ(bar.GetProgressWnd().x(), pane.x());
    EXPECT_LT(pane.right(), bar.GetPane(1)->x());

    bar.resize(260, 24);
    bar.PlaceProgress();
    const QRect narrow = bar.GetMessagePaneRect();
    ASSERT_LT(narrow.width(), 250);
    EXPECT_EQ(bar.GetProgressWnd().width(), narrow.width());
    EXPECT_TRUE(bar.GetProgressWnd().isVisible());
    bar.HideProgress();
    EXPECT_FALSE(bar.GetProgressWnd().isVisible());
}

}  // namespace
