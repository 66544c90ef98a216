#include <QApplication>
#include <QRegularExpression>
#include <QWidget>
#include <QWindow>
#include <sstream>

#include "CLoadTiming.h"
#include "CProgressWnd.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "ShellFixture.h"

namespace {

// Counts paint events by the kind of widget they reach, in the order they arrive.
class PaintRecorder : public QObject {
public:
    PaintRecorder() { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }

    std::string order;  // one letter a paint: P the progress bar, V the log view's viewport

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        if (qobject_cast<CProgressWnd*>(watched) != nullptr) order += 'P';
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && qobject_cast<CTrawlviewView*>(widget->parentWidget()) != nullptr) order += 'V';
        return false;
    }
};

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

const QString kTimingLine = QStringLiteral(R"(trawlview: loaded (\d+) lines in (\d+) ms; first paint at (\d+) ms\n)");

TEST_F(LoadTimingTest, ReportsTheFirstLoadOnceAfterItsFirstPaint) {
    QWidget viewport;
    viewport.resize(100, 40);
    viewport.show();
    // Paints are dropped until the platform has exposed the window.
    for (int i = 0; i < 1000 && !viewport.windowHandle()->isExposed(); ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(viewport.windowHandle()->isExposed());
    std::ostringstream out;
    CLoadTiming timing(&viewport, out);
    viewport.repaint();
    EXPECT_EQ(out.str(), "") << "a paint before any lines is not the first paint of a log";

    timing.LinesChanged(42);
    EXPECT_EQ(out.str(), "") << "nothing until the lines are painted";
    viewport.repaint();
    const std::string line = out.str();
    const QRegularExpressionMatch match =
        QRegularExpression(QRegularExpression::anchoredPattern(kTimingLine)).match(QString::fromStdString(line));
    ASSERT_TRUE(match.hasMatch()) << "[" << line << "]";
    EXPECT_EQ(match.captured(1), "42");
    EXPECT_LE(match.captured(2).toLongLong(), match.captured(3).toLongLong());
    EXPECT_TRUE(timing.HasReported());

    timing.LinesChanged(7);
    viewport.repaint();
    EXPECT_EQ(out.str(), line) << "later loads are not reported";
}

TEST_F(LoadTimingTest, TheProgramPrintsTheLineOnlyWhenAsked) {
    const std::string log = WriteLog(3);
    for (const bool asked : {false, true}) {
        if (asked) qputenv("TRAWLVIEW_TIMING", "1");
        RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(app.InitInstance({"trawlview", log}));
        // The view paints inside the start-up already; a pass of the event loop would
        // deliver a paint that had been left for later.
        QCoreApplication::processEvents();
        const std::string err = testing::internal::GetCapturedStderr();
        const QRegularExpressionMatch match = QRegularExpression(kTimingLine).match(QString::fromStdString(err));
        EXPECT_EQ(match.hasMatch(), asked) << err;
        if (match.hasMatch()) {
            EXPECT_EQ(match.captured(1), "3");
        }
    }
}

TEST_F(LoadTimingTest, StartUpLoadMovesTheProgressBarThenPaintsTheLines) {
    const std::string log = WriteLog(20000);
    PaintRecorder paints;
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    ASSERT_EQ(app.GetMainFrame()->GetDocument().GetLineCount(), 20000);
    // The window is on screen before the load, so the bar repaints as it fills during the
    // rebuild (once per pixel it grows), and the lines are painted before start-up ends.
    const std::string& order = paints.order;
    const std::size_t firstBar = order.find('P');
    ASSERT_NE(firstBar, std::string::npos) << order;
    const std::size_t lastBar = order.rfind('P');
    EXPECT_GE(std::count(order.begin(), order.end(), 'P'), 10) << order;
    EXPECT_NE(order.find('V', lastBar), std::string::npos) << "no paint of the lines after the rebuild: " << order;
}

}  // namespace
