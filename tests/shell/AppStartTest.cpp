#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QSettings>
#include <QTest>
#include <functional>

#include "AppSettings.h"
#include "CAboutDlg.h"
#include "CPreferencesDlg.h"
#include "CSingleInstance.h"
#include "CSuiteRegistry.h"
#include "CTrawlviewDoc.h"
#include "CommandIds.h"
#include "ModalDriver.h"
#include "ShellFixture.h"

namespace {

class AppStartTest : public ShellTest {};

TEST_F(AppStartTest, FirstStartUsesEveryDefault) {
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview"}));
    EXPECT_EQ(app.GetPrinterFontFace().toStdString(), "Arial");
    EXPECT_EQ(app.GetPrinterFontSize(), 90);
    EXPECT_EQ(app.GetPreviewPages(), 0);
    EXPECT_FALSE(app.GetMainFrame()->GetExcludeInvalidDates());
    EXPECT_EQ(app.GetMainFrame()->GetRecentFiles().GetCount(), 0);
    EXPECT_TRUE(app.GetHelpFilePath().isEmpty());  // the bundled help
    EXPECT_TRUE(app.GetMainFrame()->isVisible());
    EXPECT_TRUE(app.GetMainFrame()->acceptDrops());
    EXPECT_EQ(QCoreApplication::organizationName().toStdString(), "Quellbrook inc.");
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "Trawlview");
}

TEST_F(AppStartTest, StoredSettingsAndMachineHelpFolderAreRead) {
    {
        QSettings user = UserSettings();
        user.setValue("Settings/Printer Font", "DejaVu Sans");
        user.setValue("Settings/Printer Font Size", 120);
        user.setValue("Settings/PreviewPages", "not a number");
    }
    WriteMachineSettings("Quellbrook inc..conf",
                         "[General]\nHelp%20File%20Path=/opt/tarnix/help\n");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview"}));
    EXPECT_EQ(app.GetPrinterFontFace().toStdString(), "DejaVu Sans");
    EXPECT_EQ(app.GetPrinterFontSize(), 120);
    EXPECT_EQ(app.GetPreviewPages(), 0);  // a value of the wrong type reads as the default
    EXPECT_EQ(app.GetHelpFilePath().toStdString(), "/opt/tarnix/help/Trawlview.html");
}

TEST_F(AppStartTest, AFifoOrDeviceAsASettingsFileIsReportedNotWaitedFor) {
    // QSettings opened a FIFO settings file with a plain open and the window froze
    // before it appeared. The watchdog turns a hang into a failure.
    alarm(120);
    const std::string userFile = dir.Path("config/Quellbrook inc./Trawlview.conf");
    std::filesystem::create_directories(dir.Path("config/Quellbrook inc."));
    ASSERT_EQ(mkfifo(userFile.c_str(), 0600), 0);
    std::filesystem::create_directories(dir.Path("xdg/Quellbrook Inc."));
    std::filesystem::create_symlink("/dev/zero", dir.Path("xdg/Quellbrook Inc./T.A.R.N.I.X..conf"));
    const std::string log = dir.Write("ev.log", Lines({"N 2026/11/30 06:58:02 - shown"}));
    {
        RecordingMessageBoxes appBoxes;
        CTrawlviewApp app(&appBoxes);
        ASSERT_TRUE(app.InitInstance({"trawlview", log}));
        EXPECT_EQ(appBoxes.reports,
                  std::vector<std::string>{"Could not open the file " + userFile + "."});
        EXPECT_EQ(app.GetPrinterFontFace().toStdString(), "Arial");
        EXPECT_EQ(app.GetMainFrame()->GetDocument().GetLineCount(), 1);
        // The suite's log setting sits behind the device: it reads as not configured.
        AppSettings::TakeUnusableFile();
        EXPECT_EQ(CSuiteRegistry(QStringLiteral("Settings"))
                      .GetString(QStringLiteral("LogFile"), QStringLiteral("none")),
                  QStringLiteral("none"));
        EXPECT_EQ(AppSettings::TakeUnusableFile().toStdString(),
                  dir.Path("xdg/Quellbrook Inc./T.A.R.N.I.X..conf"));
    }
    // Nothing was written over the FIFO.
    struct stat st {};
    ASSERT_EQ(stat(userFile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    alarm(0);
}

TEST_F(AppStartTest, ValuesWithCommasReadAsTheWholeTextNotAsEmpty) {
    // QSettings reads an unquoted value with a comma as a list, which read as empty.
    WriteMachineSettings("Quellbrook Inc./T.A.R.N.I.X..conf",
                         "[Settings]\nLogFile=/var/log/run 1,2.log\nOther = a\\tb, \"c,d\" \n");
    WriteMachineSettings("Quellbrook inc..conf", "[General]\nHelp%20File%20Path=/opt/help, new\n");
    std::filesystem::create_directories(dir.Path("config/Quellbrook inc."));
    dir.Write("config/Quellbrook inc./Trawlview.conf",
              "[Recent%20File%20List]\nFile1=/logs/a,b.log\nFile2=/logs/c.log\n"
              "[Settings]\nPrinter%20Font=Sans, Bold\n");
    const CSuiteRegistry suite(QStringLiteral("Settings"));
    EXPECT_EQ(suite.GetString(QStringLiteral("LogFile"), {}).toStdString(), "/var/log/run 1,2.log");
    EXPECT_EQ(suite.GetString(QStringLiteral("Other"), {}).toStdString(), "a\tb, c,d");
    EXPECT_EQ(suite.GetString(QStringLiteral("Missing"), QStringLiteral("def")).toStdString(),
              "def");
    EXPECT_EQ(AppSettings::GetRecentFiles(), (QStringList{"/logs/a,b.log", "/logs/c.log"}));
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview"}));
    EXPECT_EQ(app.GetHelpFilePath().toStdString(), "/opt/help, new/Trawlview.html");
    EXPECT_EQ(app.GetPrinterFontFace().toStdString(), "Sans, Bold");
}

TEST_F(AppStartTest, PreferenceSurvivesRestartAndAppliesToTheCommandLineFile) {
    const std::string log =
        dir.Write("mixed.log", Lines({"N 2026/11/30 06:58:02 - readable", "N no timestamp here"}));
    {
        RecordingMessageBoxes firstBoxes;
        CTrawlviewApp first(&firstBoxes);
        ASSERT_TRUE(first.InitInstance({"trawlview", log}));
        EXPECT_EQ(first.GetMainFrame()->GetDocument().GetLineCount(), 2);
        first.GetMainFrame()->ApplyPreferences(true);
        EXPECT_EQ(first.GetMainFrame()->GetDocument().GetLineCount(), 1);
    }
    QSettings user = UserSettings();
    EXPECT_EQ(user.value("Settings/Exclude Invalid Date").toInt(), 1);

    RecordingMessageBoxes secondBoxes;
    CTrawlviewApp second(&secondBoxes);
    ASSERT_TRUE(second.InitInstance({"trawlview", log}));
    EXPECT_TRUE(second.GetMainFrame()->GetExcludeInvalidDates());
    // Read before the load: the unreadable line never showed.
    EXPECT_EQ(second.GetMainFrame()->GetDocument().GetLineCount(), 1);
}

TEST_F(AppStartTest, LfPreferenceFromTheDialogCutsTheLogAgainAndSurvivesRestart) {
    const std::string log = dir.Write("lf.log", "first\nsecond\r\nthird");
    {
        RecordingMessageBoxes firstBoxes;
        CTrawlviewApp first(&firstBoxes);
        ASSERT_TRUE(first.InitInstance({"trawlview", log}));
        CMainFrame& frame = *first.GetMainFrame();
        EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
        for (const bool ok : {false, true}) {
            WhenModal<CPreferencesDlg>([ok](CPreferencesDlg* d) {
                EXPECT_FALSE(d->GetLfCheckBox()->isChecked());
                QTest::mouseClick(d->GetLfCheckBox(), Qt::LeftButton);
                ok ? d->accept() : d->reject();
            });
            frame.GetAction(ID_EDIT_PREFERENCES)->trigger();
            EXPECT_EQ(frame.GetLfLineEnds(), ok);
            EXPECT_EQ(frame.GetDocument().GetLineCount(), ok ? 3 : 2);
        }
        EXPECT_FALSE(frame.GetExcludeInvalidDates());
    }
    QSettings user = UserSettings();
    EXPECT_EQ(user.value("Settings/LF Line Ends").toInt(), 1);

    RecordingMessageBoxes secondBoxes;
    CTrawlviewApp second(&secondBoxes);
    ASSERT_TRUE(second.InitInstance({"trawlview", log}));
    EXPECT_TRUE(second.GetMainFrame()->GetLfLineEnds());
    EXPECT_EQ(second.GetMainFrame()->GetDocument().GetLineCount(), 3);
}

TEST_F(AppStartTest, CommandLineLoadsEvenAFilterFileAsALog) {
    const std::string file = dir.Write("report.LFF", "IDisk\r\nEDEBUG\r\n");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", file}));
    EXPECT_EQ(app.GetMainFrame()->GetLogPath(), file);
    EXPECT_TRUE(app.GetMainFrame()->GetFilters().empty());
    EXPECT_EQ(app.GetMainFrame()->GetDocument().GetLineCount(), 2);
    EXPECT_EQ(app.GetMainFrame()->windowTitle().toStdString(),
              "report.LFF - T.A.R.N.I.X. Trawlview");
}

TEST_F(AppStartTest, DesktopOpenRequestReadsAFilterFileAsFilters) {
    const std::string file = dir.Write("report.LFF", "IDisk\n");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", "--open", file}));
    ASSERT_TRUE(FilterFileReadEnds(*app.GetMainFrame()));
    EXPECT_EQ(app.GetMainFrame()->GetFilterPath(), file);
    EXPECT_FALSE(app.GetMainFrame()->GetFilters().empty());
    EXPECT_EQ(app.GetMainFrame()->GetLogPath(), "");
}

TEST_F(AppStartTest, MissingCommandLineFileIsReportedAndTheWindowStillShows) {
    const std::string missing = dir.Path("gone.log");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", missing}));
    ASSERT_EQ(appBoxes.questions.size(), 1u);
    EXPECT_EQ(appBoxes.questions[0], "Could not find the file " + missing + ".");
    EXPECT_TRUE(app.GetMainFrame()->isVisible());
}

// A plain FILE handed to a running window went through the open path: a filter file
// named on the command line became filters and the log on display was not loaded again.
// Now the command line loads a log whatever its name, as a first start does; only
// --open takes the open path.
TEST_F(AppStartTest, SecondStartHandsItsFileToTheFirstWhichLoadsItAsALog) {
    RecordingMessageBoxes firstBoxes;
    CTrawlviewApp first(&firstBoxes);
    ASSERT_TRUE(first.InitInstance({"trawlview"}));
    CMainFrame& window = *first.GetMainFrame();
    const std::string log = dir.Write("events.log", Lines({"N one", "N two", "N three"}));
    const std::string filters = dir.Write("only-two.tarnix-logfilters", "Itwo\n");
    // Each later start ends at once; its request arrives through the event loop, waited
    // for with a bound only so that a fault fails instead of hanging.
    auto handOver = [&](const std::vector<std::string>& arguments,
                        const std::function<bool()>& arrived) {
        RecordingMessageBoxes laterBoxes;
        CTrawlviewApp later(&laterBoxes);
        EXPECT_FALSE(later.InitInstance(arguments));
        EXPECT_EQ(later.GetMainFrame(), nullptr);
        EXPECT_TRUE(QTest::qWaitFor(arrived, 60000));
    };
    handOver({"trawlview", log}, [&] { return window.GetLogPath() == log; });
    EXPECT_EQ(window.GetDocument().GetLineCount(), 3);

    handOver({"trawlview", "--open", filters}, [&] { return !window.GetFilters().empty(); });
    EXPECT_EQ(window.GetLogPath(), log);
    EXPECT_EQ(window.GetDocument().GetLineCount(), 1);

    handOver({"trawlview", filters}, [&] { return window.GetLogPath() == filters; });
    ASSERT_EQ(window.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(std::string(window.GetDocument().GetLine(0)), "Itwo\n");

    handOver({"trawlview", log}, [&] { return window.GetLogPath() == log; });
    EXPECT_EQ(window.GetDocument().GetLineCount(), 1);

    // The log on display, named again, is read again.
    dir.Write("events.log", Lines({"N one", "N two", "N three", "N two more"}));
    handOver({"trawlview", log}, [&] { return window.GetDocument().GetLineCount() == 2; });
    EXPECT_TRUE(firstBoxes.questions.empty());
}

TEST_F(AppStartTest, AStartWithoutAFileLeavesTheRunningProgramsSocketAlone) {
    // A start without a file removed the first program's socket and took it over.
    RecordingMessageBoxes firstBoxes;
    CTrawlviewApp first(&firstBoxes);
    ASSERT_TRUE(first.InitInstance({"trawlview"}));
    {
        RecordingMessageBoxes secondBoxes;
        CTrawlviewApp second(&secondBoxes);
        ASSERT_TRUE(second.InitInstance({"trawlview"}));
        EXPECT_FALSE(CSingleInstance().Listen());
    }
    const std::string log = dir.Write("events.log", Lines({"N one"}));
    RecordingMessageBoxes thirdBoxes;
    CTrawlviewApp third(&thirdBoxes);
    EXPECT_FALSE(third.InitInstance({"trawlview", log}));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !first.GetMainFrame()->GetLogPath().empty(); }, 60000));
    EXPECT_EQ(first.GetMainFrame()->GetLogPath(), log);
}

TEST_F(AppStartTest, StartWithoutRunningProgramStartsNormally) {
    const std::string log = dir.Write("events.log", Lines({"N one"}));
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    EXPECT_EQ(app.GetMainFrame()->GetDocument().GetLineCount(), 1);
}

TEST(AboutBoxTest, VersionLineComesFromTheBuildOrShowsQuestionMarks) {
    EXPECT_EQ(CAboutDlg(CTrawlviewApp::FileVersion(CTrawlviewApp::RecordedVersion()))
                  .GetVersionText()
                  .toStdString(),
              "T.A.R.N.I.X. Trawlview v2.4");
    EXPECT_EQ(CTrawlviewApp::FileVersion(nullptr), "??");
    EXPECT_EQ(CTrawlviewApp::FileVersion(""), "??");
    const CAboutDlg unversioned(CTrawlviewApp::FileVersion(nullptr));
    EXPECT_EQ(unversioned.GetVersionText().toStdString(), "T.A.R.N.I.X. Trawlview v??");
    EXPECT_EQ(unversioned.windowTitle().toStdString(), "About The T.A.R.N.I.X. Trawlview");
}

}  // namespace
