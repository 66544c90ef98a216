#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QAction>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTest>

#include "AppSettings.h"
#include "CFilterEntryDlg.h"
#include "CFiltersDlg.h"
#include "CPreferencesDlg.h"
#include "CProgressStatusBar.h"
#include "CTimeIntervalEdit.h"
#include "CTrawlviewDoc.h"
#include "CommandIds.h"
#include "FilterRecords.h"
#include "ModalDriver.h"
#include "ShellFixture.h"

namespace {


class FilterCommandsTest : public ShellTest {
protected:
    bool Enabled(int id) const { return frame.GetAction(id)->isEnabled(); }
    std::size_t Reports() const { return boxes.reports.size(); }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

const Records kAllKinds = {
    {FilterKind::IncludeString, "Disk"},
    {FilterKind::ExcludeString, "Gr\xc3\xb6\xc3\x9f" "e \x96 cp1252"},
    {FilterKind::IncludeInterval, "01/01/2003 00:00:00 to 12/31/2003 23:59:59"},
    {FilterKind::ExcludeInterval, "06/01/2003 00:00:00 to 06/30/2003 23:59:59"},
    {FilterKind::ExcludeString, std::string(1500, 'r')},
};

TEST_F(FilterCommandsTest, FiltersCommandRebuildsAndEnablesSaveAsOnlyOnOk) {
    frame.OpenLogFile(dir.Write("events.log", Lines({"N keep me", "N drop me", "N keep too"})));
    WhenModal<CFiltersDlg>([](CFiltersDlg* d) {
        ASSERT_NE(d, nullptr);
        WhenModal<CFilterEntryDlg>([](CFilterEntryDlg* e) {
            ASSERT_NE(e, nullptr);
            QTest::keyClicks(e->GetField(), QStringLiteral("keep"));
            e->GetOkButton()->click();
        });
        d->GetButton(true, CFiltersDlg::Button::Add)->click();
        d->accept();
    });
    frame.GetAction(ID_EDIT_FILTERS)->trigger();
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{FilterKind::IncludeString, "keep"}}));
    EXPECT_TRUE(frame.IsFiltersModified());
    for (const int id : {ID_FILE_SAVE_LOG, ID_FILE_SAVE_FILTERS, ID_FILE_SAVE_FILTERS_AS}) EXPECT_TRUE(Enabled(id)) << id;

    // Cancel after changes leaves the active filters as they were.
    const LogFilter* before = frame.GetFilters();
    WhenModal<CFiltersDlg>([](CFiltersDlg* d) {
        ASSERT_NE(d, nullptr);
        d->GetIncludeList()->item(0)->setSelected(true);
        d->GetButton(true, CFiltersDlg::Button::Remove)->click();
        d->reject();
    });
    frame.GetAction(ID_EDIT_FILTERS)->trigger();
    EXPECT_EQ(frame.GetFilters(), before);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 2);
}

TEST_F(FilterCommandsTest, PreferencesOkStoresAndRebuildsCancelChangesNothing) {
    frame.OpenLogFile(dir.Write("p.log", Lines({"N 2003/01/01 10:00:00 - stamped", "no timestamp here at all"})));
    ASSERT_EQ(frame.GetDocument().GetLineCount(), 2);
    for (const bool ok : {false, true}) {
        WhenModal<CPreferencesDlg>([ok](CPreferencesDlg* d) {
            ASSERT_NE(d, nullptr);
            EXPECT_FALSE(d->GetCheckBox()->isChecked());
            QTest::mouseClick(d->GetCheckBox(), Qt::LeftButton);
            ok ? d->accept() : d->reject();
        });
        frame.GetAction(ID_EDIT_PREFERENCES)->trigger();
        EXPECT_EQ(frame.GetExcludeInvalidDates(), ok);
        EXPECT_EQ(AppSettings::GetExcludeInvalidDate(), ok);
        EXPECT_EQ(frame.GetDocument().GetLineCount(), ok ? 1 : 2);
    }
}

TEST_F(FilterCommandsTest, SavedFiltersLoadBackAsTheSameList) {
    frame.ApplyFilters(MakeFilterList(kAllKinds));
    const std::string path = dir.Path("mine.lff");
    ASSERT_TRUE(frame.SaveFilterFile(QString::fromStdString(path)));
    EXPECT_EQ(TempDir::Read(path).substr(0, 6), "IDisk\n");
    EXPECT_EQ(frame.GetFilterPath(), path);
    EXPECT_FALSE(frame.IsFiltersModified());
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_FILTERS));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_FILTERS_AS));

    // Save Filters writes to the same file without asking.
    frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "other"}}));
    frame.GetAction(ID_FILE_SAVE_FILTERS)->trigger();
    EXPECT_EQ(TempDir::Read(path), "Iother\n");
    frame.ApplyFilters(MakeFilterList(kAllKinds));
    frame.GetAction(ID_FILE_SAVE_FILTERS)->trigger();

    frame.ApplyFilters(nullptr);
    frame.OpenLogFile(dir.Write("a.log", Lines({"N 2003/03/01 10:00:00 - Disk ok"})));
    ASSERT_TRUE(frame.LoadFilterFile(QString::fromStdString(path)));
    EXPECT_EQ(RecordsOf(frame.GetFilters()), kAllKinds);
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 1);
    EXPECT_EQ(frame.GetRecentFiles()[0].toStdString(), path);
    EXPECT_EQ(frame.windowTitle().left(5), "a.log");
    EXPECT_EQ(frame.GetStatusBar().currentMessage(), "Filters read from the filter file: 5");
    EXPECT_EQ(Reports(), 0u);
}

TEST_F(FilterCommandsTest, SaveFiltersWithoutAPathAsksForANameWithTheDefaultExtension) {
    frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "x"}}));
    const QString chosen = QString::fromStdString(dir.Path("asked"));
    WhenModal<QFileDialog>([chosen](QFileDialog* d) {
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->nameFilters(), QStringList{"Log filter files (*.lff *.tarnix-logfilters)"});
        d->selectFile(chosen);
        QMetaObject::invokeMethod(d, "accept");
    });
    frame.GetAction(ID_FILE_SAVE_FILTERS)->trigger();
    EXPECT_EQ(TempDir::Read(dir.Path("asked.lff")), "Ix\n");
    EXPECT_EQ(frame.GetFilterPath(), dir.Path("asked.lff"));
}

TEST_F(FilterCommandsTest, FilterFileThatCannotBeWrittenIsReportedAndADeviceIsNotReplacedByAFile) {
    frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "x"}}));
    const std::string notADir = dir.Write("plain", "a file");
    EXPECT_FALSE(frame.SaveFilterFile(QString::fromStdString(notADir + "/f.lff")));
    ASSERT_EQ(Reports(), 1u);
    EXPECT_NE(boxes.reports[0].find(notADir + "/f.lff"), std::string::npos) << boxes.reports[0];
    EXPECT_TRUE(frame.IsFiltersModified());
    EXPECT_EQ(frame.GetFilterPath(), "");

    // A full disk: a device of its own, so that no test ever writes near the real one.
    const std::string full = dir.Path("full");
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        EXPECT_FALSE(frame.SaveFilterFile(QString::fromStdString(full)));
        ASSERT_EQ(Reports(), 2u);
        EXPECT_NE(boxes.reports[1].find("No space left on device"), std::string::npos) << boxes.reports[1];
        struct stat st {};
        ASSERT_EQ(stat(full.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device was replaced by a file";
        EXPECT_TRUE(frame.IsFiltersModified());
    }
}

TEST_F(FilterCommandsTest, FilterWithALineBreakIsRefusedByNameAndNothingIsWritten) {
    frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "fine"}, {FilterKind::ExcludeString, "two\nlines"}}));
    const std::string path = dir.Write("kept.lff", "Iolder\n");
    EXPECT_FALSE(frame.SaveFilterFile(QString::fromStdString(path)));
    ASSERT_EQ(Reports(), 1u);
    EXPECT_NE(boxes.reports[0].find("\"two\""), std::string::npos) << boxes.reports[0];
    EXPECT_EQ(TempDir::Read(path), "Iolder\n");
    EXPECT_TRUE(frame.IsFiltersModified());
}

TEST_F(FilterCommandsTest, LoadFiltersOfABinaryOrMissingFileHasAClearOutcome) {
    using namespace std::string_literals;
    frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "before"}}));
    EXPECT_FALSE(frame.LoadFilterFile(QString::fromStdString(dir.Path("missing.lff"))));
    ASSERT_EQ(Reports(), 1u);
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{FilterKind::IncludeString, "before"}}));

    // Any name is read as a filter file here, but only a filter file's name is offered
    // again in the recent-file list.
    const std::string binary = dir.Write("image.bin", "\x7f" "ELF\x02\x01\0\0\nIin\0side\n\xff\xfe"s);
    ASSERT_TRUE(frame.LoadFilterFile(QString::fromStdString(binary)));
    EXPECT_EQ(RecordsOf(frame.GetFilters()), (Records{{FilterKind::IncludeString, "in\0side"s}}));
    EXPECT_EQ(frame.GetStatusBar().currentMessage(), "Filters read from the filter file: 1");
    EXPECT_EQ(frame.GetRecentFiles().GetCount(), 0);
    EXPECT_EQ(Reports(), 1u);
}

}  // namespace
