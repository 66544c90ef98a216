#include <QAction>
#include <QScrollBar>
#include <QTest>

#include "COverviewStrip.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "LineColor.h"
#include "ShellFixture.h"

namespace {

// 3,000 lines: every 250th red, every 400th yellow, every 700th holding "needle".
class OverviewTest : public ShellTest {
protected:
    void SetUp() override {
        std::vector<std::string> lines;
        for (int k = 0; k < 3000; ++k) {
            const char* colour = k % 250 == 17 ? "R " : k % 400 == 123 ? "Y " : "N ";
            lines.push_back(colour + std::string("line ") + std::to_string(k) +
                            (k % 700 == 650 ? " needle" : " hay"));
        }
        frame.show();
        frame.OpenLogFile(dir.Write("events.log", Lines(lines)));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !frame.GetDocument().IsLoading(); }, 60000));
    }
    COverviewStrip* Strip() const { return frame.GetView().findChild<COverviewStrip*>(); }
    // The strip's rows once every mark is in, and those worked out line by line.
    bool MarksIn() {
        return QTest::qWaitFor(
            [this] {
                QCoreApplication::processEvents();
                return Strip()->GetOverview().IsComplete() && !Strip()->GetOverview().IsRunning();
            },
            60000);
    }
    std::vector<std::uint8_t> Expected(int rows, bool find) const {
        const CTrawlviewDoc& doc = frame.GetDocument();
        const COverviewRows map(doc.GetLineCount(), rows);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(rows), 0);
        for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
            const std::string_view line = doc.GetLine(i);
            unsigned bits = LineColorOf(line) == LineColor::Red      ? 1u << kMarkRed
                            : LineColorOf(line) == LineColor::Yellow ? 1u << kMarkYellow
                                                                     : 0u;
            if (find && line.find("needle") != std::string_view::npos) bits |= 1u << kMarkFind;
            for (int r = *map.RowOf(i); r <= *map.LastRowOf(i); ++r)
                out[static_cast<std::size_t>(r)] |= static_cast<std::uint8_t>(bits);
        }
        return out;
    }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

TEST_F(OverviewTest, RowsMapToTheirLinesAtEveryHeightAndAClickScrollsThere) {
    ASSERT_NE(Strip(), nullptr);
    frame.GetView().OnFindReplace("needle", CTrawlviewView::FR_DOWN);
    for (const int height : {200, 433, 800, 2500}) {
        frame.resize(700, height);
        ASSERT_TRUE(MarksIn()) << height;
        COverviewStrip* strip = Strip();
        const QRect trough = strip->Trough();
        ASSERT_GT(trough.height(), 0) << height;
        // The strip stands beside the scroll bar, level with its trough.
        EXPECT_EQ(strip->mapTo(&frame, QPoint(strip->width(), 0)).x(),
                  frame.GetView().verticalScrollBar()->mapTo(&frame, QPoint()).x());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                strip->repaint();
                return strip->Rows() == Expected(trough.height(), true);
            },
            60000))
            << height;
        // A click on a row brings the middle of its lines into the window.
        for (const int row : {0, trough.height() / 3, trough.height() - 1}) {
            QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(5, trough.top() + row));
            const COverviewRows map(frame.GetDocument().GetLineCount(), trough.height());
            const CTrawlviewView& view = frame.GetView();
            const std::int64_t top = view.GetDeviceScrollPosition().y / view.GetLineHeight();
            const std::int64_t bottom =
                (view.GetDeviceScrollPosition().y + view.viewport()->height()) /
                view.GetLineHeight();
            const std::int64_t middle =
                map.FirstLine(row) + (map.EndLine(row) - map.FirstLine(row)) / 2;
            EXPECT_LE(top, middle) << height << " row " << row;
            EXPECT_GE(bottom, middle) << height << " row " << row;
        }
    }
}

TEST_F(OverviewTest, ALogOfOneLineFillsTheStripAndAClickAnywhereStaysOnIt) {
    frame.OpenLogFile(dir.Write("one.log", "R the only line\r\n"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !frame.GetDocument().IsLoading(); }, 60000));
    ASSERT_TRUE(MarksIn());
    COverviewStrip* strip = Strip();
    const QRect trough = strip->Trough();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            strip->repaint();
            return strip->Rows() == Expected(trough.height(), false);
        },
        60000));
    EXPECT_EQ(strip->Rows().front(), 1u << kMarkRed);
    EXPECT_EQ(strip->Rows().back(), 1u << kMarkRed);
    for (const int y : {trough.top(), trough.bottom(), strip->height() - 1}) {
        QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(5, y));
        EXPECT_EQ(frame.GetView().GetDeviceScrollPosition().y, 0) << y;
    }
}

TEST_F(OverviewTest, TheMenuEntryTurnsItOffAndOnAndTheChoiceOutlivesTheWindow) {
    EXPECT_TRUE(frame.GetAction(ID_VIEW_OVERVIEW)->isChecked());
    const int shown = frame.GetView().viewport()->width();
    frame.GetAction(ID_VIEW_OVERVIEW)->trigger();
    EXPECT_EQ(Strip(), nullptr);
    EXPECT_EQ(frame.GetView().viewport()->width(), shown + COverviewStrip::kWidth);
    {
        CMainFrame again{&boxes};
        EXPECT_FALSE(again.GetView().GetOverview());
        EXPECT_FALSE(again.GetAction(ID_VIEW_OVERVIEW)->isChecked());
    }
    frame.GetAction(ID_VIEW_OVERVIEW)->trigger();
    ASSERT_NE(Strip(), nullptr);
    ASSERT_TRUE(MarksIn());
    EXPECT_EQ(Strip()->Rows(), Expected(Strip()->Trough().height(), false));
    CMainFrame again{&boxes};
    EXPECT_TRUE(again.GetView().GetOverview());
}

}  // namespace
