#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "AppSettings.h"
#include "CFindDlg.h"
#include "CHelpWindow.h"
#include "COpenLogDlg.h"
#include "CProgressStatusBar.h"
#include "CRecentFileList.h"
#include "CStatusClock.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "CommandTable.h"
#include "LockKeyState.h"
#include "ModalDriver.h"
#include "ShellFixture.h"
#include "ShellText.h"

namespace {

class MainFrameTest : public ShellTest {
protected:
    bool Enabled(int id) const { return frame.GetAction(id)->isEnabled(); }
    std::string Title() const { return frame.windowTitle().toStdString(); }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

TEST_F(MainFrameTest, CommandsAreEnabledByLogFiltersAndSaveState) {
    // Start-up: nothing loaded, no filters.
    for (const int id :
         {ID_FILE_OPEN, ID_EDIT_FILTERS, ID_FILE_LOAD_FILTERS, ID_FILE_OPEN_SUITE_LOG,
          ID_EDIT_PREFERENCES, ID_APP_ABOUT, ID_HELP_FINDER}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    for (const int id :
         {ID_FILE_RELOAD, ID_FILE_SAVE_LOG, ID_FILE_SAVE_FILTERS, ID_FILE_SAVE_FILTERS_AS}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }

    frame.OpenLogFile(dir.Write("events.log", Lines({"N keep me", "N drop me"})));
    EXPECT_TRUE(Enabled(ID_FILE_RELOAD));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_LOG));

    FilterList filters;
    filters.Append("keep", FilterKind::IncludeString);
    frame.ApplyFilters(std::move(filters));
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_LOG));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_FILTERS));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_FILTERS_AS));

    ASSERT_TRUE(frame.SaveDisplayedLines(QString::fromStdString(dir.Path("out.log"))));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_LOG));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_FILTERS));

    // Opening another log leaves the unsaved flag as it is.
    frame.ApplyFilters({});
    frame.OpenLogFile(dir.Write("other.log", Lines({"N one", "N two"})));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_LOG));
    // Confirmed with empty lists: no active filters, every line shown.
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_FILTERS));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_FILTERS_AS));
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
}

TEST_F(MainFrameTest, SaveAsWritesDisplayedLinesWithCrLf) {
    frame.OpenLogFile(dir.Write("abc.log", "a\r\nb\rc"));
    ASSERT_EQ(frame.GetDocument().GetLineCount(), 3);
    const std::string out = dir.Path("saved.log");
    ASSERT_TRUE(frame.SaveDisplayedLines(QString::fromStdString(out)));
    EXPECT_EQ(TempDir::Read(out), std::string("a\r\nb\r\nc\r\n"));
    EXPECT_TRUE(boxes.reports.empty());

    // Saving replaces an older, longer file whole.
    dir.Write("long.log", std::string(1000, 'x'));
    ASSERT_TRUE(frame.SaveDisplayedLines(QString::fromStdString(dir.Path("long.log"))));
    EXPECT_EQ(TempDir::Read(dir.Path("long.log")).size(), 9u);
}

TEST_F(MainFrameTest, SuggestedSaveNameDropsFourCharactersAndAddsFiltered) {
    frame.SetLogPath("/x/events.log");
    EXPECT_EQ(frame.GetSuggestedSaveName().toStdString(), "/x/events(filtered).log");
    frame.SetLogPath("/x/a.txt");
    EXPECT_EQ(frame.GetSuggestedSaveName().toStdString(), "/x/a(filtered).log");
    // Shorter than four characters: nothing to drop, the name is kept whole.
    frame.SetLogPath("ab");
    EXPECT_EQ(frame.GetSuggestedSaveName().toStdString(), "ab(filtered).log");
}

TEST_F(MainFrameTest, SaveAsThatCannotWriteReportsAndStaysUnsaved) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N one"})));
    frame.ApplyFilters({});
    ASSERT_TRUE(frame.IsFilteredUnsaved());

    const std::string missing = dir.Path("no-such-folder/out.log");
    EXPECT_FALSE(frame.SaveDisplayedLines(QString::fromStdString(missing)));
    ASSERT_EQ(boxes.reports.size(), 1u);
    EXPECT_NE(boxes.reports[0].find("Could not save the file " + missing + "."), std::string::npos);
    EXPECT_TRUE(frame.IsFilteredUnsaved());
    EXPECT_TRUE(frame.GetAction(ID_FILE_SAVE_LOG)->isEnabled());

    if (geteuid() != 0) {  // root writes anywhere
        const std::string locked = dir.Path("locked");
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(
            locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_FALSE(frame.SaveDisplayedLines(QString::fromStdString(locked + "/out.log")));
        EXPECT_EQ(boxes.reports.size(), 2u);
        EXPECT_TRUE(frame.IsFilteredUnsaved());
        EXPECT_FALSE(std::filesystem::exists(locked + "/out.log"));
        std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    }
}

TEST_F(MainFrameTest, SaveAsOverTheLogOnDisplayReplacedItWithItsFilteredLinesAndIsNowRefused) {
    const std::string logBytes = Lines({"N keep", "N drop"});
    const std::string log = dir.Write("events.log", logBytes);
    const std::string filters = dir.Write("f.lff", "Ekeep\n");
    frame.OpenLogFile(log);
    ASSERT_TRUE(frame.LoadFilterFile(QString::fromStdString(filters)));
    ASSERT_TRUE(FilterFileReadEnds(frame));
    std::filesystem::create_symlink(log, dir.Path("link.log"));
    std::filesystem::create_hard_link(log, dir.Path("hard.log"));
    // The log, a link to it, another name for the same file, the filter file.
    for (const std::string& target : {log, dir.Path("link.log"), dir.Path("hard.log"), filters}) {
        boxes.reports.clear();
        EXPECT_FALSE(frame.SaveDisplayedLines(QString::fromStdString(target))) << target;
        ASSERT_EQ(boxes.reports.size(), 1u) << target;
        EXPECT_NE(boxes.reports[0].find("which is in use"), std::string::npos) << boxes.reports[0];
    }
    // Nor do the filters go over the log.
    EXPECT_FALSE(frame.SaveFilterFile(QString::fromStdString(dir.Path("link.log"))));
    EXPECT_EQ(TempDir::Read(log), logBytes);
    EXPECT_EQ(TempDir::Read(filters), "Ekeep\n");
}

TEST_F(MainFrameTest, TitleNamesTheFileOnDisplay) {
    EXPECT_EQ(Title(), "Untitled - T.A.R.N.I.X. Trawlview");
    frame.OpenLogFile(dir.Write("events.log", Lines({"N one"})));
    EXPECT_EQ(Title(), "events.log - T.A.R.N.I.X. Trawlview");
}

TEST_F(MainFrameTest, MissingLogAsksRetryAndKeepsThePath) {
    const std::string missing = dir.Path("gone.log");
    boxes.retries = 1;
    frame.OpenLogFile(missing);
    ASSERT_EQ(boxes.questions.size(), 2u);  // Retry once, then Cancel
    EXPECT_EQ(boxes.questions[0], "Could not find the file " + missing + ".");
    EXPECT_EQ(frame.GetLogPath(), missing);
    EXPECT_TRUE(frame.GetAction(ID_FILE_RELOAD)->isEnabled());
    EXPECT_EQ(Title(), "Untitled - T.A.R.N.I.X. Trawlview");
    EXPECT_EQ(frame.GetRecentFiles().GetCount(), 0);
}

TEST_F(MainFrameTest, OpeningTheSuiteLogWithNoneConfiguredSaysSoAndKeepsTheLog) {
    // With no suite settings the empty path was loaded: "Could not find the file ." and
    // an empty window.
    const std::string log = dir.Write("events.log", Lines({"N one", "N two"}));
    frame.OpenLogFile(log);
    for (const std::string settings : {"", "[Settings]\nLogFile=\n"}) {
        if (!settings.empty()) WriteMachineSettings("Quellbrook Inc./T.A.R.N.I.X..conf", settings);
        boxes.reports.clear();
        frame.OnFileOpenSuiteLog();
        ASSERT_EQ(boxes.reports.size(), 1u);
        EXPECT_NE(boxes.reports[0].find("Settings/LogFile"), std::string::npos) << boxes.reports[0];
        EXPECT_TRUE(boxes.questions.empty());
        EXPECT_EQ(frame.GetLogPath(), log);
        EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
        EXPECT_EQ(Title(), "events.log - T.A.R.N.I.X. Trawlview");
    }
}

TEST_F(MainFrameTest, ASymbolicLinkToALogShowsAndRemembersItsTarget) {
    // The link's name was shown and remembered, and opening the link reloaded the log
    // on display.
    const std::string real = dir.Write("real.log", Lines({"N one"}));
    const std::string link = dir.Path("link.log");
    std::filesystem::create_symlink(real, link);
    frame.OpenLogFile(link);
    EXPECT_EQ(frame.GetLogPath(), real);
    EXPECT_EQ(frame.GetDocument().GetPathName(), real);
    EXPECT_EQ(Title(), "real.log - T.A.R.N.I.X. Trawlview");
    EXPECT_EQ(frame.GetRecentFiles()[0].toStdString(), real);
    // Opening the link again is opening the file on display: nothing is read.
    dir.Write("real.log", Lines({"N one", "N two"}));
    EXPECT_TRUE(frame.OpenDocumentFile(QString::fromStdString(link)));
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    frame.LoadCommandLineFile(link);
    EXPECT_EQ(frame.GetDocument().GetPathName(), real);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
}

TEST_F(MainFrameTest, TheOpenDialogOffersAllFilesAndKeepsNamesWithoutExtension) {
    // Only "Log Files (*.log)" was offered and ".log" was added to a typed name, so a log
    // named syslog could not be opened.
    const std::string syslog = dir.Write("syslog", Lines({"N from syslog"}));
    const std::string events = dir.Write("events.log", Lines({"N from events"}));
    EXPECT_EQ(COpenLogDlg::ResolveName(QString::fromStdString(syslog)).toStdString(), syslog);
    EXPECT_EQ(COpenLogDlg::ResolveName(QString::fromStdString(dir.Path("events"))).toStdString(),
              events);
    EXPECT_EQ(COpenLogDlg::ResolveName(QString::fromStdString(dir.Path("none"))).toStdString(),
              dir.Path("none"));

    // The real dialog, answered as a user would: the filters it offers, then "syslog".
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = dialog->nameFilters();
        dialog->setDirectory(QString::fromStdString(dir.Path("")));
        dialog->selectFile(QStringLiteral("syslog"));
        static_cast<QDialog*>(dialog)->accept();
    });
    frame.OnFileOpen();
    EXPECT_EQ(offered, (QStringList{"Log Files (*.log)", "All Files (*)"}));
    EXPECT_EQ(frame.GetLogPath(), syslog);
    ASSERT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(std::string(frame.GetDocument().GetLine(0)), "N from syslog");
}

TEST_F(MainFrameTest, SuiteLogIsReadFromMachineSettings) {
    const std::string log = dir.Write("suite.log", Lines({"N one", "N two"}));
    WriteMachineSettings("Quellbrook Inc./T.A.R.N.I.X..conf", "[Settings]\nLogFile=" + log + "\n");
    frame.OnFileOpenSuiteLog();
    EXPECT_EQ(frame.GetLogPath(), log);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
    EXPECT_TRUE(boxes.questions.empty());
}

TEST_F(MainFrameTest, RecentFilesKeepFourNewestAndSurviveARestart) {
    std::vector<std::string> paths;
    for (int i = 1; i <= 5; ++i) {
        paths.push_back(dir.Write("log" + std::to_string(i) + ".log", Lines({"N line"})));
        ASSERT_TRUE(frame.OpenDocumentFile(QString::fromStdString(paths.back())));
    }
    ASSERT_EQ(frame.GetRecentFiles().GetCount(), 4);
    EXPECT_EQ(frame.GetRecentFiles()[0].toStdString(), paths[4]);
    EXPECT_EQ(frame.GetRecentFiles()[3].toStdString(), paths[1]);
    // Reopening an older one moves it up instead of listing it twice.
    ASSERT_TRUE(frame.OpenDocumentFile(QString::fromStdString(paths[2])));
    EXPECT_EQ(frame.GetRecentFiles()[0].toStdString(), paths[2]);
    EXPECT_EQ(frame.GetRecentFiles().GetCount(), 4);

    const QList<QAction*> entries = frame.GetRecentFileActions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[0]->text().startsWith(QStringLiteral("&1 ")));
    EXPECT_LE(entries[0]->text().size(), 3 + CMainFrame::kRecentDisplayLength);
    EXPECT_EQ(entries[0]->statusTip().toStdString(), "Open this file");

    CMainFrame restarted(&boxes);
    ASSERT_EQ(restarted.GetRecentFiles().GetCount(), 4);
    EXPECT_EQ(restarted.GetRecentFiles()[0].toStdString(), paths[2]);
    // Choosing an entry opens it.
    restarted.GetRecentFileActions()[1]->trigger();
    EXPECT_EQ(restarted.GetDocument().GetPathName(), paths[4]);
}

TEST_F(MainFrameTest, EmptyRecentListShowsGreyPlaceholder) {
    const QList<QAction*> entries = frame.GetRecentFileActions();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0]->text().toStdString(), "Recent File");
    EXPECT_FALSE(entries[0]->isEnabled());
}

TEST(RecentFileListTest, LongPathsAreAbbreviatedToThirtyCharacters) {
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/var/log/events.log", 30).toStdString(),
              "/var/log/events.log");
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/home/operator/tarnix/logs/2026/events.log", 30)
                  .toStdString(),
              "/.../logs/2026/events.log");
    // Even the name alone is too long: the name is shown whole.
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/a/scheduler-events-of-november-2026.log", 30)
                  .toStdString(),
              "scheduler-events-of-november-2026.log");
    EXPECT_EQ(CRecentFileList::AbbreviatePath("relative/folder/below/the/current/events.log", 30)
                  .toStdString(),
              ".../the/current/events.log");
}

TEST_F(MainFrameTest, FileOnDisplayIsNotOpenedAgainButReloadReadsIt) {
    const std::string log = dir.Write("events.log", Lines({"N one"}));
    ASSERT_TRUE(frame.OpenDocumentFile(QString::fromStdString(log)));
    dir.Write("events.log", Lines({"N one", "N two"}));
    EXPECT_TRUE(frame.OpenDocumentFile(QString::fromStdString(log)));
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    frame.OnFileReload();
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
    // Truncated by another process: the window keeps what it loaded until Reload.
    dir.Write("events.log", "");
    EXPECT_EQ(frame.GetDocument().GetLine(1), "N two");
    frame.OnFileReload();
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 0);
}

void Drop(CMainFrame& frame, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    // The drop goes only to the window the drag entered.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
}

TEST_F(MainFrameTest, DroppedFilterFileOfAnyCaseReplacesTheFilters) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N Disk full", "N all well", "N Disk ok"})));
    const std::string filters = dir.Write("report.LFF", "IDisk\nEok\n");
    frame.setAcceptDrops(true);  // as start-up does once the window shows
    Drop(frame, filters);
    ASSERT_TRUE(FilterFileReadEnds(frame));
    EXPECT_EQ(frame.GetFilterPath(), filters);
    ASSERT_FALSE(frame.GetFilters().empty());
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(std::string(frame.GetDocument().GetLine(0)), "N Disk full");
    // Reading a file is not an edit of the filters.
    EXPECT_FALSE(frame.IsFiltersModified());
    EXPECT_FALSE(frame.IsFilteredUnsaved());

    // Only the end of the name counts: a log whose name holds ".lff" loads as a log.
    const std::string log = dir.Write("x.lff.log", Lines({"N a log"}));
    Drop(frame, log);
    EXPECT_EQ(frame.GetLogPath(), log);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 0);  // the filters still apply
    frame.ApplyFilters({});
    EXPECT_EQ(std::string(frame.GetDocument().GetLine(0)), "N a log");

    Drop(frame, dir.Path("missing.tarnix-logfilters"));
    ASSERT_EQ(boxes.reports.size(), 1u);
    EXPECT_NE(boxes.reports[0].find("missing.tarnix-logfilters"), std::string::npos);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
}

// Message boxes that, while one is open, let a request arrive as the event loop of a
// real box would: a second start handing over a file, or a drop.
class ReenteringMessageBoxes : public RecordingMessageBoxes {
public:
    bool AskRetry(const std::string& message) override {
        if (whileOpen) whileOpen();
        return RecordingMessageBoxes::AskRetry(message);
    }
    void ReportFailure(const std::string& message) override {
        if (whileOpen) whileOpen();
        RecordingMessageBoxes::ReportFailure(message);
    }
    std::function<void()> whileOpen;
};

TEST_F(MainFrameTest, ALoadsLinesCameInUnderAMessageBoxAndNowWaitForItToGo) {
    // A box's own event loop took the load's pieces in, changing the lines under it (and
    // under a print job, whose dialog runs such a loop too).
    ReenteringMessageBoxes reentering;
    CMainFrame window(&reentering);
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes += "N line " + std::to_string(i) + " of a long log\r\n";
    window.OpenLogFile(dir.Write("big.log", bytes));
    ASSERT_TRUE(window.GetDocument().IsLoading());
    const LineIndex first = window.GetDocument().GetLineCount();
    LineIndex underTheBox = -1;
    reentering.whileOpen = [&] {
        // The box's loop runs until the job has lines ready; they must wait for it.
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.AreLinesWaiting(); }, 60000));
        underTheBox = window.GetDocument().GetLineCount();
    };
    window.ReportFailure("a box");
    reentering.whileOpen = nullptr;
    EXPECT_EQ(underTheBox, first);
    QSignalSpy finished(&window, &CMainFrame::LoadFinished);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(window.GetDocument().GetLineCount(), 300000);
}

TEST_F(MainFrameTest, OpenRequestsDuringAMessageBoxWaitAndAreServedInOrderAfterIt) {
    // A request that came while the Retry/Cancel box was open loaded its file inside the
    // box; Cancel then rebuilt over lines in a released buffer and the program crashed.
    ReenteringMessageBoxes reentering;
    CMainFrame window(&reentering);
    const std::string log = dir.Write("events.log", Lines({"N Disk full", "N all well"}));
    const std::string filters = dir.Write("disk.lff", "IDisk\n");
    reentering.whileOpen = [&] {
        window.RequestOpen(QString::fromStdString(log), true);
        window.RequestOpen(QString::fromStdString(filters), false);
        // Nothing is served while the box is open.
        EXPECT_EQ(window.GetPendingOpenCount(), 2u);
        EXPECT_EQ(window.GetDocument().GetLineCount(), 0);
        reentering.whileOpen = nullptr;
    };
    window.OpenLogFile(dir.Path("missing.log"));
    EXPECT_EQ(reentering.questions.size(), 1u);
    // Served from the event loop once the box has gone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.GetPendingOpenCount() == 0; }));
    ASSERT_TRUE(FilterFileReadEnds(window));
    EXPECT_EQ(window.GetLogPath(), log);
    ASSERT_FALSE(window.GetFilters().empty());
    ASSERT_EQ(window.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(std::string(window.GetDocument().GetLine(0)), "N Disk full");
}

TEST_F(MainFrameTest, WhileALogLoadsTheWindowNamesItAndAnotherOpenOrACloseStopsTheLoad) {
    // The window stayed blank and "Untitled" until the whole file was read, and served
    // nothing meanwhile: a close from outside had to wait for the load.
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes += "N line " + std::to_string(i) + " of a long log\r\n";
    const std::string big = dir.Write("big.log", bytes);
    const std::string other = dir.Write("other.log", Lines({"N other"}));
    frame.show();
    frame.OpenLogFile(big);
    ASSERT_TRUE(frame.GetDocument().IsLoading());
    EXPECT_EQ(Title(), "big.log - T.A.R.N.I.X. Trawlview");
    EXPECT_TRUE(frame.GetStatusBar().GetProgressWnd().isVisible());
    EXPECT_GT(frame.GetDocument().GetLineCount(), 0) << "the first lines show at once";
    frame.RequestOpen(QString::fromStdString(other), true);
    EXPECT_FALSE(frame.GetDocument().IsLoading());
    EXPECT_EQ(frame.GetLogPath(), other);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);

    frame.OpenLogFile(big);
    ASSERT_TRUE(frame.GetDocument().IsLoading());
    frame.close();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_FALSE(frame.GetDocument().IsLoading());
}

TEST_F(MainFrameTest, DatePaneShowsTheGivenMomentSoTheTestHoldsAcrossMidnight) {
    // One fixed moment for the panes and the expectation: a clock read twice can straddle
    // midnight and see two dates.
    const std::time_t moment = 1764539999;  // near the end of a day in most time zones
    frame.GetClock().Show(moment, LockKeyState{true, false, true});
    CProgressStatusBar& bar = frame.GetStatusBar();
    ASSERT_EQ(bar.GetPaneCount(), 6);
    QLabel* date = bar.GetPane(4);
    EXPECT_EQ(date->text(), CStatusClock::Format(moment, "%x"));
    EXPECT_EQ(bar.GetPane(5)->text(), CStatusClock::Format(moment, "%X"));
    EXPECT_FALSE(date->text().isEmpty());
    EXPECT_GE(date->width(), date->fontMetrics().horizontalAdvance(date->text()));
    EXPECT_LT(date->width(), date->fontMetrics().horizontalAdvance(date->text()) + 20);
    EXPECT_EQ(bar.GetPane(1)->text().toStdString(), "CAP");
    EXPECT_EQ(bar.GetPane(2)->text().toStdString(), "");
    EXPECT_EQ(bar.GetPane(3)->text().toStdString(), "SCRL");
    EXPECT_EQ(bar.GetPane(0)->text().toStdString(), "For Help, press F1");
}

TEST_F(MainFrameTest, EveryRowOfTheCommandTableMakesOneActionWithItsPromptAndKey) {
    std::set<QString> keys;
    for (const CommandRow& row : CommandTable()) {
        QAction* action = frame.GetAction(row.id);
        ASSERT_NE(action, nullptr) << row.id;
        EXPECT_EQ(FindCommand(row.id), &row);
        // The prompt under the command's number, split at its line feed: the status tip,
        // then the tooltip. A command without a prompt of its own showed neither.
        const QString prompt = LoadQString(static_cast<StringId>(row.id));
        ASSERT_TRUE(prompt.contains(QLatin1Char('\n'))) << row.id;
        EXPECT_EQ(action->statusTip() + QLatin1Char('\n') + action->toolTip(), prompt) << row.id;
        // The key is written once: in the row, not again in the menu text.
        if (row.shortcut != nullptr) {
            EXPECT_FALSE(action->text().contains(QLatin1Char('\t'))) << row.id;
            EXPECT_TRUE(keys.insert(action->shortcut().toString()).second)
                << "key used twice: " << row.shortcut;
        }
    }
    EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST_F(MainFrameTest, ToolbarButtonsFollowTheirSlotsWithASeparatorBetweenGroups) {
    std::vector<int> order;
    for (QAction* action : frame.GetToolBar().actions()) {
        int id = 0;
        for (const int candidate :
             {ID_FILE_OPEN, ID_FILE_RELOAD, ID_FILE_SAVE_LOG, ID_FILE_LOAD_FILTERS,
              ID_FILE_SAVE_FILTERS, ID_EDIT_FILTERS, ID_FILE_PRINT, ID_EDIT_FIND, ID_CONTEXT_HELP,
              ID_VIEW_FOLLOW, ID_VIEW_SHOW_ALL_LINES}) {
            if (frame.GetAction(candidate) == action) id = candidate;
        }
        order.push_back(action->isSeparator() ? 0 : id);
    }
    EXPECT_EQ(order, (std::vector<int>{ID_FILE_OPEN, ID_FILE_RELOAD, ID_FILE_SAVE_LOG, 0,
                                       ID_FILE_LOAD_FILTERS, ID_FILE_SAVE_FILTERS, ID_EDIT_FILTERS,
                                       0, ID_FILE_PRINT, 0, ID_EDIT_FIND, 0, ID_CONTEXT_HELP, 0,
                                       ID_VIEW_FOLLOW, 0, ID_VIEW_SHOW_ALL_LINES}));
    EXPECT_EQ(frame.GetToolBar().allowedAreas(), Qt::AllToolBarAreas);
}

TEST_F(MainFrameTest, HelpShowsTheBundledPagesWithoutAnInstalledFolder) {
    frame.GetAction(ID_HELP)->trigger();
    ASSERT_NE(frame.GetHelpWindow(), nullptr);
    EXPECT_TRUE(frame.GetHelpWindow()->isVisible());
    EXPECT_NE(frame.GetHelpWindow()->GetBrowser().toPlainText().indexOf(
                  QStringLiteral("Filters and filter files")),
              -1);
}

}  // namespace

namespace {

TEST_F(MainFrameTest, SelectAllKeyShownInTheMenuDidNothing) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N one", "N two", "N three"})));
    EXPECT_EQ(frame.GetAction(ID_EDIT_SELECT_ALL)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+A")));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(&frame.GetView(), &key);
    for (LineIndex i = 0; i < 3; ++i)
        EXPECT_TRUE(frame.GetView().GetSelection().IsSelected(i)) << i;
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
}

TEST_F(MainFrameTest, CopyFollowsTheAnchorAndSelectAllAndFindNeedLines) {
    for (const int id : {ID_EDIT_COPY, ID_EDIT_SELECT_ALL, ID_EDIT_FIND})
        EXPECT_FALSE(Enabled(id)) << id;
    frame.OpenLogFile(dir.Write("events.log", Lines({"N one", "R two"})));
    EXPECT_TRUE(Enabled(ID_EDIT_SELECT_ALL));
    EXPECT_TRUE(Enabled(ID_EDIT_FIND));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));

    CTrawlviewView& view = frame.GetView();
    const QPoint secondLine(5, view.GetLineHeight() + 1);
    view.OnLButtonDown({}, secondLine);
    view.OnLButtonUp(secondLine);
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    frame.GetAction(ID_EDIT_COPY)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("R two\r\n"));
    // Ctrl+click on the anchor takes it away, and Copy with it; so does a reload.
    view.OnLButtonDown(Qt::ControlModifier, secondLine);
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    frame.GetAction(ID_EDIT_SELECT_ALL)->trigger();
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    frame.OnFileReload();
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));

    // Find opens one dialog and brings it forward on the next Find.
    frame.GetAction(ID_EDIT_FIND)->trigger();
    QDialog* dialog = view.GetFindDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    frame.GetAction(ID_EDIT_FIND)->trigger();
    EXPECT_EQ(view.GetFindDialog(), dialog);
}

TEST_F(MainFrameTest, F3FindsAgainInTheLastDirectionShiftF3AgainstItAndWithoutATextOpensFind) {
    CTrawlviewView& view = frame.GetView();
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    auto key = [&](Qt::KeyboardModifiers keys) {
        QTest::keyClick(&view, Qt::Key_F3, keys);
        return view.GetSelection().GetAnchor();
    };
    // No displayed lines: both commands are off and the keys do nothing, not even open Find.
    for (const int id : {ID_EDIT_FIND_NEXT, ID_EDIT_FIND_PREVIOUS}) EXPECT_FALSE(Enabled(id)) << id;
    view.OnFindAgain(true);
    key({});
    EXPECT_EQ(view.GetFindDialog(), nullptr);

    frame.OpenLogFile(
        dir.Write("events.log", Lines({"N a", "N err 1", "N b", "N err 3", "N err 4", "N c"})));
    EXPECT_EQ(frame.GetAction(ID_EDIT_FIND_NEXT)->text().toStdString(), "Find &Next");
    EXPECT_EQ(frame.GetAction(ID_EDIT_FIND_PREVIOUS)->text().toStdString(), "Find Pre&vious");
    QMenu* edit = frame.menuBar()->actions().at(1)->menu();
    EXPECT_TRUE(edit->actions().contains(frame.GetAction(ID_EDIT_FIND_NEXT)));
    EXPECT_TRUE(edit->actions().contains(frame.GetAction(ID_EDIT_FIND_PREVIOUS)));

    // No text yet: F3 opens the Find dialog and finds nothing.
    EXPECT_EQ(key({}), std::nullopt);
    ASSERT_NE(view.GetFindDialog(), nullptr);
    EXPECT_TRUE(view.GetFindDialog()->isVisible());
    view.GetFindDialog()->close();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    // The dialog closed with a text, direction down: F3 goes down round the end, Shift+F3 up.
    view.OnFindReplace("ERR", CTrawlviewView::FR_DOWN | CTrawlviewView::FR_DIALOGTERM);
    EXPECT_EQ(key({}), 1);
    EXPECT_EQ(key({}), 3);
    EXPECT_EQ(key({}), 4);
    EXPECT_EQ(key({}), 1);
    EXPECT_EQ(key(Qt::ShiftModifier), 4);
    EXPECT_EQ(key(Qt::ShiftModifier), 3);
    // Direction up: F3 goes up, Shift+F3 down; match case now finds nothing and moves nothing.
    view.OnFindReplace("err", CTrawlviewView::FR_DIALOGTERM);
    EXPECT_EQ(key({}), 1);
    EXPECT_EQ(key({}), 4);
    EXPECT_EQ(key(Qt::ShiftModifier), 1);
    view.OnFindReplace("ERR", CTrawlviewView::FR_MATCHCASE | CTrawlviewView::FR_DIALOGTERM);
    EXPECT_EQ(key({}), 1);
    EXPECT_EQ(view.GetFindWhat(), "ERR");
}

TEST_F(MainFrameTest, F3DidNothingWhileTheFindDialogHadTheFocusAndFindGaveNoSignOfAMissOrAWrap) {
    CTrawlviewView& view = frame.GetView();
    frame.show();
    frame.OpenLogFile(dir.Write("events.log", Lines({"N a", "N err 1", "N b", "N err 3"})));
    frame.GetAction(ID_EDIT_FIND)->trigger();
    auto* dialog = qobject_cast<CFindDlg*>(view.GetFindDialog());
    ASSERT_NE(dialog, nullptr);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTest::keyClicks(&dialog->FindWhatEdit(), QStringLiteral("err"));
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    const auto message = [&] { return frame.GetStatusBar().currentMessage().toStdString(); };
    struct Step {
        Qt::KeyboardModifiers keys;
        LineIndex found;
        std::string message;
    };
    const Step steps[] = {{{}, 3, ""},
                          {{}, 1, "Passed the end of the log"},
                          {Qt::ShiftModifier, 3, "Passed the start of the log"},
                          {Qt::ShiftModifier, 1, ""}};
    EXPECT_EQ(view.GetSelection().GetAnchor(), 1);
    for (const Step& step : steps) {
        QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_F3, step.keys);
        EXPECT_EQ(view.GetSelection().GetAnchor(), step.found);
        // The caret goes with the hit, so the keys go on from there.
        EXPECT_EQ(view.GetSelection().GetCaret(), step.found);
        EXPECT_EQ(message(), step.message);
    }
    dialog->FindWhatEdit().setText(QStringLiteral("nowhere"));
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 1);
    EXPECT_EQ(message(), "Cannot find \"nowhere\"");
}

TEST_F(MainFrameTest, AFailedOpenThrewAwayTheLogOnDisplay) {
    const std::string log = dir.Write("shown.log", Lines({"N one", "N two"}));
    frame.OpenLogFile(log);
    QString startedIn;
    bool refused = false;
    WhenModal<COpenLogDlg>([&](COpenLogDlg* dialog) {
        ASSERT_NE(dialog, nullptr);
        startedIn = dialog->directory().absolutePath();
        // A name that exists nowhere: the dialog says so and stays open.
        dialog->selectFile(QStringLiteral("missing.log"));
        dialog->accept();
        auto* box = dialog->findChild<QMessageBox*>();
        refused = dialog->isVisible() && box != nullptr &&
                  box->text().contains(QStringLiteral("missing.log"));
        if (box != nullptr) box->close();
        dialog->reject();
    });
    frame.OnFileOpen();
    EXPECT_TRUE(refused);
    EXPECT_EQ(startedIn.toStdString(), std::filesystem::path(log).parent_path().string());
    EXPECT_TRUE(boxes.questions.empty());
    EXPECT_EQ(frame.GetLogPath(), log);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
    EXPECT_EQ(Title(), "shown.log - T.A.R.N.I.X. Trawlview");
}

}  // namespace
