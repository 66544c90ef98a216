#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "AppSettings.h"
#include "CFiltersDlg.h"
#include "CLinesPane.h"
#include "CLogFollower.h"
#include "CProgressStatusBar.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "ModalDriver.h"
#include "SelectionSteps.h"
#include "ShellFixture.h"

namespace {

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

std::string Numbered(int from, int to) {
    std::string bytes;
    for (int i = from; i < to; ++i) bytes += "N line " + std::to_string(i) + "\r\n";
    return bytes;
}

class FollowCommandsTest : public ShellTest {
protected:
    std::string Pane() const { return frame.GetLinesPane().text().toStdString(); }
    std::string Line(LineIndex i) const { return std::string(frame.GetDocument().GetLine(i)); }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

TEST_F(FollowCommandsTest, LinesPaneCountsShownLinesAndOfHowManyWithFilters) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(CLinesPane::Text(0, 0, 0, english).toStdString(), "0 lines");
    EXPECT_EQ(CLinesPane::Text(1, 1, 0, english).toStdString(), "1 line");
    EXPECT_EQ(CLinesPane::Text(1234567, 1234567, 0, english).toStdString(), "1,234,567 lines");
    EXPECT_EQ(CLinesPane::Text(12, 5700000, 2, english).toStdString(), "12 of 5,700,000 lines");
    EXPECT_EQ(CLinesPane::Text(1234, 5678, 1, QLocale(QLocale::German)).toStdString(),
              "1.234 of 5.678 lines");
    EXPECT_EQ(CLinesPane::ToolTip(0).toStdString(), "No active filters");
    EXPECT_EQ(CLinesPane::ToolTip(3).toStdString(),
              "3 active filters; double-click to change them");

    frame.show();
    frame.OpenLogFile(dir.Write("events.log", Lines({"N keep 1", "N drop", "N keep 2"})));
    EXPECT_EQ(Pane(), "3 lines");
    EXPECT_TRUE(frame.GetLinesPane().isVisible());
    FilterList filters;
    filters.Append("keep", FilterKind::IncludeString);
    frame.ApplyFilters(std::move(filters));
    EXPECT_EQ(Pane(), "2 of 3 lines");
    EXPECT_EQ(frame.GetLinesPane().toolTip().toStdString(),
              "1 active filter; double-click to change it");

    // A second log opened with the filters still active says why it looks empty.
    frame.OpenLogFile(dir.Write("other.log", Lines({"N nothing", "N here"})));
    EXPECT_EQ(Pane(), "0 of 2 lines");

    // A double click opens the filter list; Cancel changes nothing.
    bool opened = false;
    WhenModal<CFiltersDlg>([&opened](CFiltersDlg* dialog) {
        opened = dialog != nullptr;
        if (dialog != nullptr) dialog->reject();
    });
    QTest::mouseDClick(&frame.GetLinesPane(), Qt::LeftButton);
    EXPECT_TRUE(opened);
    EXPECT_EQ(Pane(), "0 of 2 lines");
}

TEST_F(FollowCommandsTest, FollowIsACheckableF9CommandStoredInTheSettings) {
    QAction* follow = frame.GetAction(ID_VIEW_FOLLOW);
    ASSERT_NE(follow, nullptr);
    EXPECT_EQ(follow->text().toStdString(), "&Follow");
    EXPECT_EQ(follow->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_TRUE(follow->isCheckable());
    EXPECT_FALSE(follow->isChecked());
    follow->trigger();
    EXPECT_TRUE(follow->isChecked());
    EXPECT_TRUE(frame.IsFollowing());
    EXPECT_TRUE(AppSettings::GetFollow());
    follow->trigger();
    EXPECT_FALSE(AppSettings::GetFollow());
    EXPECT_FALSE(frame.GetFollower().IsActive());
}

TEST_F(FollowCommandsTest, AppendedLinesArriveWithoutReloadKeepingSelectionAndTheEnd) {
    frame.resize(600, 300);
    frame.show();
    const std::string log = dir.Write("grow.log", Numbered(0, 100) + "N unfini");
    frame.OpenLogFile(log);
    frame.SetFollow(true);
    ASSERT_TRUE(frame.GetFollower().IsActive());
    CTrawlviewView& view = frame.GetView();
    // Turning Follow on shows the end of the log.
    EXPECT_TRUE(view.IsAtEnd());
    SelectLine(view, 3, true);
    SetAnchorLine(view, 3);
    SetCaretLine(view, 5);

    Append(log, "shed\r\n" + Numbered(100, 150));
    frame.OnFollowLook();
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 151);
    EXPECT_EQ(Line(100), "N unfinished");
    EXPECT_EQ(Line(150), "N line 149");
    EXPECT_TRUE(view.GetSelection().IsSelected(3));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 3);
    EXPECT_EQ(view.GetSelection().GetCaret(), 5);
    EXPECT_TRUE(view.IsAtEnd());
    EXPECT_EQ(Pane(), "151 lines");

    // Scrolled away from the end, the view stays where the user put it.
    view.ScrollToPosition({0, 160});
    Append(log, Numbered(150, 200));
    frame.OnFollowLook();
    EXPECT_EQ(view.GetScrollPos32(CScrollView32::SB_VERT), 160);
    EXPECT_FALSE(view.IsAtEnd());
    // Ctrl+End sticks to the end again.
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(view.IsAtEnd());
    Append(log, Numbered(200, 210));
    frame.OnFollowLook();
    EXPECT_TRUE(view.IsAtEnd());
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 211);

    // Follow off: the document does not follow later growth.
    frame.SetFollow(false);
    Append(log, Numbered(210, 220));
    frame.OnFollowLook();
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 211);
}

TEST_F(FollowCommandsTest, RotationReloadsWithTheActiveFiltersAndSaysSo) {
    frame.show();
    const std::string log = dir.Write("app.log", "N keep old\r\nN drop\r\n");
    frame.OpenLogFile(log);
    FilterList filters;
    filters.Append("keep", FilterKind::IncludeString);
    frame.ApplyFilters(std::move(filters));
    frame.SetFollow(true);

    // Copy and truncate.
    dir.Write("app.log", "N keep new\r\n");
    frame.OnFollowLook();
    ASSERT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(Line(0), "N keep new");
    EXPECT_EQ(frame.GetStatusBar().currentMessage().toStdString(),
              "The log was replaced or got shorter and has been loaded again.");
    EXPECT_TRUE(boxes.questions.empty());

    // Rotation by rename: the old lines stay while no file is under the name.
    std::filesystem::rename(log, dir.Path("app.log.1"));
    frame.OnFollowLook();
    EXPECT_EQ(Line(0), "N keep new");
    EXPECT_TRUE(boxes.questions.empty());
    dir.Write("app.log", "N drop\r\nN keep rotated\r\nN keep\r\n");
    frame.OnFollowLook();
    ASSERT_EQ(frame.GetDocument().GetLineCount(), 2);
    EXPECT_EQ(Line(0), "N keep rotated");
    EXPECT_EQ(Pane(), "2 of 3 lines");
    EXPECT_TRUE(frame.GetFollower().GetWatcher().files().contains(QString::fromStdString(log)));
}

TEST_F(FollowCommandsTest, NoticesOfABusyLogComeOutAsOneLook) {
    CLogFollower follower;
    const std::string log = dir.Write("busy.log", "N a\r\n");
    int looks = 0;
    QObject::connect(&follower, &CLogFollower::Look, [&looks] { ++looks; });
    // However many writes the file system reports, one look takes them all in.
    for (int i = 0; i < 50; ++i) follower.OnNotice();
    EXPECT_EQ(looks, 0);
    EXPECT_TRUE(QTest::qWaitFor([&looks] { return looks > 0; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(looks, 1);
    follower.Start(QString::fromStdString(log));
    EXPECT_TRUE(follower.IsActive());
    EXPECT_TRUE(follower.GetWatcher().files().contains(QString::fromStdString(log)));
    follower.Stop();
    EXPECT_FALSE(follower.IsActive());
    EXPECT_TRUE(follower.GetWatcher().files().isEmpty());
}

TEST_F(FollowCommandsTest, CommandLineFollowStartsFollowingWithoutStoringIt) {
    const std::string log = dir.Write("cmd.log", Numbered(0, 10));
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", "--follow", log}));
    CMainFrame& main = *app.GetMainFrame();
    EXPECT_TRUE(main.IsFollowing());
    EXPECT_TRUE(main.GetAction(ID_VIEW_FOLLOW)->isChecked());
    EXPECT_EQ(main.GetDocument().GetLineCount(), 10);
    EXPECT_FALSE(AppSettings::GetFollow());
    Append(log, Numbered(10, 12));
    main.OnFollowLook();
    EXPECT_EQ(main.GetDocument().GetLineCount(), 12);
}

}  // namespace
