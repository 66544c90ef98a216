#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>

#include "AppSettings.h"
#include "CAboutDlg.h"
#include "CTrawlviewDoc.h"
#include "CommandIds.h"
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
        QSettings user(QSettings::NativeFormat, QSettings::UserScope, "Quellbrook inc.", "Trawlview");
        user.setValue("Settings/Printer Font", "DejaVu Sans");
        user.setValue("Settings/Printer Font Size", 120);
        user.setValue("Settings/PreviewPages", "not a number");
    }
    WriteMachineSettings("Quellbrook inc..conf", "[General]\nHelp%20File%20Path=/opt/tarnix/help\n");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview"}));
    EXPECT_EQ(app.GetPrinterFontFace().toStdString(), "DejaVu Sans");
    EXPECT_EQ(app.GetPrinterFontSize(), 120);
    EXPECT_EQ(app.GetPreviewPages(), 0);  // a value of the wrong type reads as the default
    EXPECT_EQ(app.GetHelpFilePath().toStdString(), "/opt/tarnix/help/Trawlview.html");
}

TEST_F(AppStartTest, PreferenceSurvivesRestartAndAppliesToTheCommandLineFile) {
    const std::string log = dir.Write("mixed.log", Lines({"N 2026/11/30 06:58:02 - readable", "N no timestamp here"}));
    {
        RecordingMessageBoxes firstBoxes;
    CTrawlviewApp first(&firstBoxes);
        ASSERT_TRUE(first.InitInstance({"trawlview", log}));
        EXPECT_EQ(first.GetMainFrame()->GetDocument().GetLineCount(), 2);
        first.GetMainFrame()->ApplyPreferences(true);
        EXPECT_EQ(first.GetMainFrame()->GetDocument().GetLineCount(), 1);
    }
    QSettings user(QSettings::NativeFormat, QSettings::UserScope, "Quellbrook inc.", "Trawlview");
    EXPECT_EQ(user.value("Settings/Exclude Invalid Date").toInt(), 1);

    RecordingMessageBoxes secondBoxes;
    CTrawlviewApp second(&secondBoxes);
    ASSERT_TRUE(second.InitInstance({"trawlview", log}));
    EXPECT_TRUE(second.GetMainFrame()->GetExcludeInvalidDates());
    // Read before the load: the unreadable line never showed.
    EXPECT_EQ(second.GetMainFrame()->GetDocument().GetLineCount(), 1);
}

TEST_F(AppStartTest, CommandLineLoadsEvenAFilterFileAsALog) {
    const std::string file = dir.Write("report.LFF", "IDisk\r\nEDEBUG\r\n");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", "-style", file}));
    EXPECT_EQ(app.GetMainFrame()->GetLogPath(), file);
    EXPECT_EQ(app.GetMainFrame()->GetFilters(), nullptr);
    EXPECT_EQ(app.GetMainFrame()->GetDocument().GetLineCount(), 2);
    EXPECT_EQ(app.GetMainFrame()->windowTitle().toStdString(), "report.LFF - T.A.R.N.I.X. Trawlview");
}

TEST_F(AppStartTest, DesktopOpenRequestReadsAFilterFileAsFilters) {
    const std::string file = dir.Write("report.LFF", "IDisk\n");
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", "--open", file}));
    EXPECT_EQ(app.GetMainFrame()->GetFilterPath(), file);
    EXPECT_NE(app.GetMainFrame()->GetFilters(), nullptr);
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

TEST_F(AppStartTest, SecondStartHandsItsFileToTheFirst) {
    RecordingMessageBoxes firstBoxes;
    CTrawlviewApp first(&firstBoxes);
    ASSERT_TRUE(first.InitInstance({"trawlview"}));
    const std::string log = dir.Write("events.log", Lines({"N one", "N two", "N three"}));
    const std::string filters = dir.Write("only-two.tarnix-logfilters", "Itwo\n");
    {
        RecordingMessageBoxes secondBoxes;
    CTrawlviewApp second(&secondBoxes);
        EXPECT_FALSE(second.InitInstance({"trawlview", log}));
        EXPECT_EQ(second.GetMainFrame(), nullptr);
        RecordingMessageBoxes thirdBoxes;
    CTrawlviewApp third(&thirdBoxes);
        EXPECT_FALSE(third.InitInstance({"trawlview", filters}));
    }
    // The requests arrive through the event loop; wait for them, with a bound only so a
    // fault fails instead of hanging.
    QElapsedTimer waited;
    waited.start();
    while (first.GetMainFrame()->GetFilters() == nullptr && waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(first.GetMainFrame()->GetLogPath(), log);
    // The handed-over filter file goes through the open path: it is read as filters.
    ASSERT_NE(first.GetMainFrame()->GetFilters(), nullptr);
    EXPECT_EQ(first.GetMainFrame()->GetDocument().GetLineCount(), 1);
}

TEST_F(AppStartTest, StartWithoutRunningProgramStartsNormally) {
    const std::string log = dir.Write("events.log", Lines({"N one"}));
    RecordingMessageBoxes appBoxes;
    CTrawlviewApp app(&appBoxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    EXPECT_EQ(app.GetMainFrame()->GetDocument().GetLineCount(), 1);
}

TEST(AboutBoxTest, VersionLineComesFromTheBuildOrShowsQuestionMarks) {
    EXPECT_EQ(CAboutDlg(CTrawlviewApp::FileVersion(CTrawlviewApp::RecordedVersion())).GetVersionText().toStdString(),
              "T.A.R.N.I.X. Trawlview v2.4");
    EXPECT_EQ(CTrawlviewApp::FileVersion(nullptr), "??");
    EXPECT_EQ(CTrawlviewApp::FileVersion(""), "??");
    const CAboutDlg unversioned(CTrawlviewApp::FileVersion(nullptr));
    EXPECT_EQ(unversioned.GetVersionText().toStdString(), "T.A.R.N.I.X. Trawlview v??");
    EXPECT_EQ(unversioned.windowTitle().toStdString(), "About The T.A.R.N.I.X. Trawlview");
}

}  // namespace
