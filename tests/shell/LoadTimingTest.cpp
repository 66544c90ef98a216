#include <QApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <sstream>

#include "CLoadTiming.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "ShellFixture.h"

namespace {

class LoadTimingTest : public ShellTest {
protected:
    ~LoadTimingTest() override { qunsetenv("TRAWLVIEW_TIMING"); }

    // Lines with readable timestamps, numbered so that no two are alike.
    std::string WriteLog(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += "03/04/2024 10:11:12 Ientry " + std::to_string(i) + " of the log\r\n";
        }
        return dir.Write("events.log", text);
    }
};

const QString kTimingLine =
    QStringLiteral(R"(trawlview: loaded (\d+) lines in (\d+) ms; first paint at (\d+) ms\n)");

TEST_F(LoadTimingTest, ReportsTheFirstLoadOnceWhenItHasEndedAndItsLinesArePainted) {
    QWidget viewport;
    viewport.resize(100, 40);
    viewport.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewport));
    // The lines may be painted before the load ends, or the load end first.
    for (const bool paintFirst : {true, false}) {
        SCOPED_TRACE(paintFirst ? "painted first" : "ended first");
        std::ostringstream out;
        CLoadTiming timing(&viewport, out);
        viewport.repaint();
        EXPECT_EQ(out.str(), "") << "a paint before any lines is not the first paint of a log";
        timing.LinesShown();
        if (paintFirst) {
            viewport.repaint();
            EXPECT_EQ(out.str(), "") << "nothing until the load has ended";
            timing.LoadEnded(42);
        } else {
            timing.LoadEnded(42);
            EXPECT_EQ(out.str(), "") << "nothing until the lines are painted";
            viewport.repaint();
        }
        const std::string line = out.str();
        const QRegularExpressionMatch match =
            QRegularExpression(QRegularExpression::anchoredPattern(kTimingLine))
                .match(QString::fromStdString(line));
        ASSERT_TRUE(match.hasMatch()) << "[" << line << "]";
        EXPECT_EQ(match.captured(1), "42");
        if (!paintFirst) {
            EXPECT_LE(match.captured(2).toLongLong(), match.captured(3).toLongLong());
        }
        EXPECT_TRUE(timing.HasReported());

        timing.LinesShown();
        timing.LoadEnded(7);
        viewport.repaint();
        EXPECT_EQ(out.str(), line) << "later loads are not reported";
    }
}

TEST_F(LoadTimingTest, TheProgramPrintsTheLineOnlyWhenAsked) {
    const std::string log = WriteLog(3);
    for (const bool asked : {false, true}) {
        if (asked) qputenv("TRAWLVIEW_TIMING", "1");
        RecordingMessageBoxes appBoxes;
        CTrawlviewApp app(&appBoxes);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(app.InitInstance({"trawlview", log}));
        CMainFrame& frame = *app.GetMainFrame();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        ASSERT_FALSE(frame.GetDocument().IsLoading());
        frame.GetView().viewport()->repaint();
        const std::string err = testing::internal::GetCapturedStderr();
        const QRegularExpressionMatch match =
            QRegularExpression(kTimingLine).match(QString::fromStdString(err));
        EXPECT_EQ(match.hasMatch(), asked) << err;
        if (match.hasMatch()) {
            EXPECT_EQ(match.captured(1), "3");
        }
    }
}

TEST_F(LoadTimingTest, StartUpShowsTheFirstLinesAtOnceAndTheRestWhileTheWindowIsInUse) {
    // Nothing was painted until the whole log was read and cut.
    const std::string log = WriteLog(200000);
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    CMainFrame& frame = *app.GetMainFrame();
    QSignalSpy finished(&frame, &CMainFrame::LoadFinished);
    const LineIndex first = frame.GetDocument().GetLineCount();
    EXPECT_GT(first, 0);
    EXPECT_LT(first, 200000);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished.at(0).at(0).toBool(), true);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 200000);
}

}  // namespace
