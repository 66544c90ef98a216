#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>

#include "CFindDlg.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "ModalDriver.h"
#include "TempDir.h"
#include "ViewTestSupport.h"

namespace {

class FindDlgTest : public ViewFixture {
protected:
    FindDlgTest() {
        view.SetFindDialogFactory([](CTrawlviewView& owner) { return new CFindDlg(owner); });
        std::string bytes;
        for (const char* line :
             {"alpha", "Caf\xC3\x89 open", "beta err: x", "gamma err here", "delta"}) {
            bytes += std::string(line) + "\r\n";
        }
        EXPECT_TRUE(doc.LoadLogFile(dir.Write("test.log", bytes)));
    }

    CFindDlg* Dialog() const { return qobject_cast<CFindDlg*>(view.GetFindDialog()); }
};

TEST_F(FindDlgTest, EnterFindsNextAndTheDialogStaysOpen) {
    view.OnEditFind();
    CFindDlg* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Find");
    EXPECT_EQ(dialog->focusWidget(), &dialog->FindWhatEdit());
    EXPECT_TRUE(dialog->DownButton().isChecked());
    EXPECT_FALSE(dialog->FindNextButton().isEnabled());

    QTest::keyClicks(&dialog->FindWhatEdit(), "caf");
    dialog->FindWhatEdit().insert(QString::fromUtf8("\xC3\xA9"));
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 1);
    EXPECT_TRUE(view.GetSelection().IsSelected(1));
    EXPECT_TRUE(dialog->isVisible());

    // Whole word: the first "err" is followed by a colon, so only line 3 matches.
    dialog->FindWhatEdit().setText("err");
    dialog->WholeWordBox().setChecked(true);
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 3);
    dialog->UpButton().setChecked(true);
    dialog->WholeWordBox().setChecked(false);
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 2);
}

TEST_F(FindDlgTest, EscapeClosesAndTheNextDialogStartsWithTheLastSearch) {
    view.OnEditFind();
    QPointer<CFindDlg> dialog = Dialog();
    dialog->FindWhatEdit().setText("Delta");
    dialog->MatchCaseBox().setChecked(true);
    dialog->UpButton().setChecked(true);
    // A second Find command brings the open dialog forward instead of opening another.
    view.OnEditFind();
    EXPECT_EQ(Dialog(), dialog.data());

    QTest::keyClick(dialog.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(view.GetFindWhat(), "Delta");
    EXPECT_EQ(view.GetSelection().GetAnchor(), std::nullopt);

    view.OnEditFind();
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_EQ(Dialog()->FindWhatEdit().text(), "Delta");
    EXPECT_EQ(Dialog()->FindWhatEdit().selectedText(), "Delta");
    EXPECT_TRUE(Dialog()->MatchCaseBox().isChecked());
    EXPECT_TRUE(Dialog()->UpButton().isChecked());
    EXPECT_FALSE(Dialog()->WholeWordBox().isChecked());
}

}  // namespace

namespace {

TEST_F(FindDlgTest, APatternFindsItsLineAndOneThatDoesNotCompileIsSaidOnceAndSearchesNothing) {
    view.OnEditFind();
    CFindDlg* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->RegexBox().setChecked(true);
    dialog->FindWhatEdit().setText("err [a-z]+$");
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 3);
    EXPECT_NE(view.GetFindFlags() & CTrawlviewView::FR_REGEX, 0u);

    QString said;
    int boxes = 0;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        ++boxes;
        said = box->text();
        box->accept();
    });
    dialog->FindWhatEdit().setText("err (");
    QTest::keyClick(&dialog->FindWhatEdit(), Qt::Key_Return);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(said.contains(QStringLiteral("character"))) << said.toStdString();
    EXPECT_EQ(view.GetSelection().GetAnchor(), 3);
    EXPECT_EQ(view.GetFindWhat(), "err [a-z]+$");
}

}  // namespace
