#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "AddressSpaceLimit.h"
#include "AppSettings.h"
#include "CFilterEntryDlg.h"
#include "CFiltersDlg.h"
#include "CLinesPane.h"
#include "CPreferencesDlg.h"
#include "CProgressStatusBar.h"
#include "CTimeIntervalEdit.h"
#include "CTrawlviewDoc.h"
#include "CommandIds.h"
#include "FilterRecords.h"
#include "ModalDriver.h"
#include "ShellFixture.h"

namespace {

using K = FilterKind;

class FilterCommandsTest : public ShellTest {
protected:
    bool Enabled(int id) const { return frame.GetAction(id)->isEnabled(); }
    void Apply(const Records& records) { frame.ApplyFilters(MakeFilterList(records)); }
    bool Save(const std::string& path) {
        return frame.SaveFilterFile(QString::fromStdString(path));
    }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

TEST_F(FilterCommandsTest, FiltersCommandRebuildsAndEnablesSaveAsOnlyOnOk) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N keep me", "N drop me", "N keep too"})));
    // Cancel first: after an OK there would be nothing left for it to change.
    for (const bool ok : {false, true}) {
        WhenModal<CFiltersDlg>([ok](CFiltersDlg* d) {
            ASSERT_NE(d, nullptr);
            WhenModal<CFilterEntryDlg>([](CFilterEntryDlg* e) {
                QTest::keyClicks(e->GetField(), QStringLiteral("keep"));
                e->GetOkButton()->click();
            });
            d->GetButton(true, CFiltersDlg::Button::Add)->click();
            ok ? d->accept() : d->reject();
        });
        frame.GetAction(ID_EDIT_FILTERS)->trigger();
        EXPECT_EQ(RecordsOf(frame.GetFilters()),
                  ok ? (Records{{K::IncludeString, "keep"}}) : Records{});
        EXPECT_EQ(frame.GetDocument().GetLineCount(), ok ? 2 : 3);
        EXPECT_EQ(frame.IsFiltersModified(), ok);
        for (const int id : {ID_FILE_SAVE_LOG, ID_FILE_SAVE_FILTERS, ID_FILE_SAVE_FILTERS_AS})
            EXPECT_EQ(Enabled(id), ok) << id;
    }
}

TEST_F(FilterCommandsTest, PreferencesOkStoresAndRebuildsCancelChangesNothing) {
    frame.OpenLogFile(
        dir.Write("p.log", Lines({"N 2003/01/01 10:00:00 - stamped", "no timestamp here at all"})));
    for (const bool ok : {false, true}) {
        WhenModal<CPreferencesDlg>([ok](CPreferencesDlg* d) {
            QTest::mouseClick(d->GetCheckBox(), Qt::LeftButton);
            ok ? d->accept() : d->reject();
        });
        frame.GetAction(ID_EDIT_PREFERENCES)->trigger();
        EXPECT_EQ(frame.GetExcludeInvalidDates(), ok);
        EXPECT_EQ(AppSettings::GetExcludeInvalidDate(), ok);
        EXPECT_EQ(frame.GetDocument().GetLineCount(), ok ? 1 : 2);
    }
}

TEST_F(FilterCommandsTest, SaveClearsTheModifiedFlagAndLoadReadsTheFileBack) {
    const Records records = {{K::IncludeString, "Disk"},
                             {K::ExcludeInterval, "06/01/2003 00:00:00 to 06/30/2003 23:59:59"},
                             {K::IncludePattern, "Disk( ok)?$"},
                             {K::ExcludePattern, "x{3}|[)]"}};
    Apply({{K::IncludeString, "first"}});
    const std::string path = dir.Path("mine.lff");
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(frame.GetFilterPath(), path);
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_FILTERS));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_FILTERS_AS));
    Apply(records);
    frame.GetAction(ID_FILE_SAVE_FILTERS)->trigger();  // to the same file, without asking

    Apply({});
    frame.OpenLogFile(dir.Write(
        "a.log", Lines({"N 2003/03/01 10:00:00 - Disk ok", "N 2003/06/02 10:00:00 - Disk"})));
    ASSERT_TRUE(frame.LoadFilterFile(QString::fromStdString(path)));
    ASSERT_TRUE(FilterFileReadEnds(frame));
    EXPECT_EQ(RecordsOf(frame.GetFilters()), records);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(frame.GetRecentFiles()[0].toStdString(), path);
    EXPECT_EQ(frame.windowTitle().left(5), "a.log");
    EXPECT_EQ(frame.GetStatusBar().currentMessage(), "Filters read from the filter file: 4");
    EXPECT_TRUE(boxes.reports.empty());
}

TEST_F(FilterCommandsTest, SaveFiltersWithoutAPathAsksForANameWithTheDefaultExtension) {
    Apply({{K::IncludeString, "x"}});
    WhenModal<QFileDialog>([chosen = QString::fromStdString(dir.Path("asked"))](QFileDialog* d) {
        EXPECT_EQ(d->nameFilters(), QStringList{"Log filter files (*.lff *.tarnix-logfilters)"});
        d->selectFile(chosen);
        QMetaObject::invokeMethod(d, "accept");
    });
    frame.GetAction(ID_FILE_SAVE_FILTERS)->trigger();
    EXPECT_EQ(TempDir::Read(dir.Path("asked.lff")), "Ix\n");
}

TEST_F(FilterCommandsTest, FailedSavesAreReportedChangeNothingAndLeaveADeviceADevice) {
    Apply({{K::IncludeString, "fine"}, {K::ExcludeString, "two\nlines"}});
    const std::string kept = dir.Write("kept.lff", "Iolder\n");
    EXPECT_FALSE(Save(kept));
    Apply({{K::IncludeString, "x"}});
    const std::string notADir = dir.Write("plain", "a file") + "/f.lff";
    EXPECT_FALSE(Save(notADir));
    ASSERT_EQ(boxes.reports.size(), 2u);
    EXPECT_NE(boxes.reports[0].find("\"two\""), std::string::npos) << boxes.reports[0];
    EXPECT_NE(boxes.reports[1].find(notADir), std::string::npos) << boxes.reports[1];
    EXPECT_EQ(TempDir::Read(kept), "Iolder\n");
    EXPECT_TRUE(frame.IsFiltersModified());
    EXPECT_EQ(frame.GetFilterPath(), "");

    // A device is refused as a load would refuse it, and stays a device.
    const std::string full = dir.Path("full");
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "cannot make a device here";
    EXPECT_FALSE(Save(full));
    ASSERT_EQ(boxes.reports.size(), 3u);
    EXPECT_NE(boxes.reports[2].find("Not a regular file"), std::string::npos) << boxes.reports[2];
    struct stat st {};
    ASSERT_EQ(stat(full.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device was replaced by a file";
}

TEST_F(FilterCommandsTest,
       APipeWithoutAReaderFrozeSaveAsAndBecameTheSaveFiltersTargetAndIsNowRefused) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N one"})));
    Apply({{K::IncludeString, "one"}});
    const std::string saved = dir.Path("saved.lff");
    ASSERT_TRUE(Save(saved));
    const std::string fifo = dir.Path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Opening the pipe for writing would wait for a reader for ever.
    EXPECT_FALSE(frame.SaveDisplayedLines(QString::fromStdString(fifo)));
    EXPECT_FALSE(Save(fifo));
    EXPECT_FALSE(frame.LoadFilterFile(QString::fromStdString(fifo)));
    ASSERT_EQ(boxes.reports.size(), 3u);
    for (const std::string& report : boxes.reports)
        EXPECT_NE(report.find("Not a regular file"), std::string::npos) << report;
    EXPECT_EQ(frame.GetFilterPath(), saved);
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{K::IncludeString, "one"}}));
}

TEST_F(FilterCommandsTest,
       AnUnreadableIntervalRecordShowedEveryLineSilentlyAndIsNowReportedAndMarked) {
    frame.OpenLogFile(
        dir.Write("a.log", Lines({"N 2003/01/01 10:00:00 - one", "N 2005/06/01 10:00:00 - two"})));
    ASSERT_TRUE(frame.LoadFilterFile(QString::fromStdString(
        dir.Write("f.lff", "Pgarbage\nP01/01/2003 00:00:00 to 12/31/2003 23:59:59\n"))));
    ASSERT_TRUE(FilterFileReadEnds(frame));
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    ASSERT_EQ(boxes.reports.size(), 1u);
    EXPECT_NE(boxes.reports[0].find("cover 1970-01-01 00:00:00 to 2037-12-31 23:59:59: Pgarbage."),
              std::string::npos)
        << boxes.reports[0];
    // The list sorts by text: the interval that reads, then the one that fell back.
    WhenModal<CFiltersDlg>([](CFiltersDlg* d) {
        ASSERT_EQ(d->GetIncludeList()->count(), 2);
        EXPECT_TRUE(d->GetIncludeList()->item(0)->icon().isNull());
        EXPECT_FALSE(d->GetIncludeList()->item(1)->icon().isNull() ||
                     d->GetIncludeList()->item(1)->toolTip().isEmpty());
        d->reject();
    });
    frame.GetAction(ID_EDIT_FILTERS)->trigger();
}

TEST_F(FilterCommandsTest, LoadFiltersOfABinaryOrMissingFileHasAClearOutcome) {
    using namespace std::string_literals;
    Apply({{K::IncludeString, "before"}});
    EXPECT_FALSE(frame.LoadFilterFile(QString::fromStdString(dir.Path("missing.lff"))));
    EXPECT_EQ(boxes.reports.size(), 1u);
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{K::IncludeString, "before"}}));
    // Any name reads as a filter file here; only a filter file's name goes to the recent list.
    ASSERT_TRUE(
        frame.LoadFilterFile(QString::fromStdString(dir.Write("a.bin",
                                                              "\x7f"
                                                              "ELF\x02\0\0\nIin\0side\n\xff"s))));
    ASSERT_TRUE(FilterFileReadEnds(frame));
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{K::IncludeString, "in\0side"s}}));
    EXPECT_EQ(frame.GetStatusBar().currentMessage(), "Filters read from the filter file: 1");
    EXPECT_EQ(frame.GetRecentFiles().GetCount(), 0);
}

// 2 GiB of short records killed the window (SIGSEGV, SIGABRT) and a 2 GiB sparse file
// froze it for a minute: the file was read and built on the window's thread, unchecked.
TEST_F(FilterCommandsTest,
       AHugeFilterFileKilledOrFrozeTheWindowAndIsNowReadByAJobThatRefusesWhatDoesNotFit) {
    SKIP_WITHOUT_ADDRESS_SPACE_LIMITS();
    Apply({{K::IncludeString, "before"}});
    ASSERT_TRUE(frame.LoadFilterFile(QString::fromStdString(dir.Write("small.lff", "Iafter\n"))));
    // The window's thread only started the read: the filters change when it reports.
    EXPECT_TRUE(frame.IsReadingFilterFile());
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{K::IncludeString, "before"}}));
    ASSERT_TRUE(FilterFileReadEnds(frame));
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{K::IncludeString, "after"}}));

    std::string records;
    for (int i = 0; i < 10'000'000; ++i) records += "Eh\n";
    const std::string huge = dir.Write("huge.lff", records);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
    std::uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit room{static_cast<rlim_t>(
                          pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + (512 << 20)),
                      before.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &room), 0);
    const bool started = frame.LoadFilterFile(QString::fromStdString(huge));
    const bool ended = FilterFileReadEnds(frame);
    setrlimit(RLIMIT_AS, &before);
    ASSERT_TRUE(started && ended);
    EXPECT_EQ(boxes.reports,
              std::vector<std::string>{"Not enough memory to read the filter file " + huge + "."});
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{K::IncludeString, "after"}}));
    EXPECT_FALSE(frame.GetStatusBar().GetProgressWnd().isVisible());
}

TEST_F(FilterCommandsTest, ClearFiltersRemovedNothingAndTheLinesPaneLeftOutHiddenLines) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N 2003/01/01 10:00:00 - keep", "no timestamp",
                                                     "N 2003/01/01 10:00:01 - drop"})));
    auto pane = [&] { return frame.GetLinesPane().text().toStdString(); };
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_FILTERS));
    // Lines hidden by the preference for invalid timestamps count as hidden lines.
    frame.ApplyPreferences(true);
    EXPECT_EQ(pane(), "2 of 3 lines");
    Apply({{K::IncludeString, "keep"}, {K::ExcludeString, "x"}});
    EXPECT_EQ(pane(), "1 of 3 lines");
    ASSERT_TRUE(Enabled(ID_EDIT_CLEAR_FILTERS));
    frame.GetAction(ID_EDIT_CLEAR_FILTERS)->trigger();
    EXPECT_TRUE(frame.GetFilters().empty());
    EXPECT_FALSE(Enabled(ID_EDIT_CLEAR_FILTERS));
    EXPECT_EQ(pane(), "2 of 3 lines");
    frame.ApplyPreferences(false);
    EXPECT_EQ(pane(), "3 lines");
}

TEST_F(FilterCommandsTest, FilterFileOpenedWhileALogIsShownRenamedTheWindowAfterIt) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N Disk full", "N all well"})));
    const std::string filters = dir.Write("disk.lff", "IDisk\n");
    ASSERT_TRUE(frame.OpenDocumentFile(QString::fromStdString(filters)));
    ASSERT_TRUE(FilterFileReadEnds(frame));
    EXPECT_EQ(frame.windowTitle().toStdString(), "events.log - T.A.R.N.I.X. Trawlview");
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(frame.GetRecentFiles()[0].toStdString(), filters);
    // The log on display is still the log on display: opening it again reads nothing.
    dir.Write("events.log", Lines({"N Disk full", "N Disk again"}));
    EXPECT_TRUE(frame.OpenDocumentFile(QString::fromStdString(dir.Path("events.log"))));
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
}

}  // namespace
