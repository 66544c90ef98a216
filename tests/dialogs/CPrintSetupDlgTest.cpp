#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "CPrintSetupDlg.h"
#include "ModalDriver.h"

namespace {

class PrintSetupTest : public ::testing::Test {
protected:
    PrintSetupTest() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
    }

    // Presses OK; returns the text of the message box it raised, empty when none.
    static QString PressOk(CPrintSetupDlg& dialog) {
        QString message;
        QTimer::singleShot(0, [&message] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        dialog.accept();
        QCoreApplication::processEvents();
        return message;
    }

    QPrinter printer{QPrinter::HighResolution};
};

TEST_F(PrintSetupTest, DefaultsShowNinePointsAndArialWhenInstalled) {
    CPrintSetupDlg dialog(printer, QStringLiteral("Arial"), 90);
    EXPECT_EQ(dialog.GetSizeField()->text(), QStringLiteral("9"));
    const bool arial = CPrintSetupDlg::ScalableFaces().contains(QStringLiteral("Arial"));
    if (arial) {
        EXPECT_EQ(dialog.GetFaceList()->currentText(), QStringLiteral("Arial"));
    } else {
        EXPECT_EQ(dialog.GetFaceList()->currentIndex(), -1);
    }
    // Printing to a PDF file is always a choice, and the printer's settings show.
    EXPECT_GE(dialog.GetPrinterList()->findText(QStringLiteral("Print to PDF")), 0);
    EXPECT_EQ(dialog.GetPrinterList()->currentText(), QStringLiteral("Print to PDF"));
    EXPECT_EQ(dialog.GetPaperSizeList()->currentText(), QPageSize(QPageSize::A4).name());
    EXPECT_TRUE(dialog.GetPortrait()->isChecked());
}

TEST_F(PrintSetupTest, FaceListHoldsScalableFamiliesSortedAndFindsTheStoredFaceByPrefix) {
    const QStringList faces = CPrintSetupDlg::ScalableFaces();
    ASSERT_FALSE(faces.isEmpty());
    for (qsizetype i = 1; i < faces.size(); ++i)
        EXPECT_LT(faces[i - 1].compare(faces[i], Qt::CaseInsensitive), 0);
    for (const QString& face : faces)
        EXPECT_TRUE(QFontDatabase::isSmoothlyScalable(face)) << face.toStdString();
    CPrintSetupDlg prefix(printer, QStringLiteral("dejavu sans"), 90);
    EXPECT_EQ(prefix.GetFaceList()->currentText(), QStringLiteral("DejaVu Sans"));
    CPrintSetupDlg missing(printer, QStringLiteral("No Such Face"), 90);
    EXPECT_EQ(missing.GetFaceList()->currentIndex(), -1);
    // OK without a face hands back an empty face.
    EXPECT_TRUE(PressOk(missing).isEmpty());
    EXPECT_EQ(missing.result(), QDialog::Accepted);
    EXPECT_TRUE(missing.GetFontFace().isEmpty());
}

TEST_F(PrintSetupTest, TenthsAreDroppedAndOkHandsBackWholePointsAndThePrinterChoices) {
    CPrintSetupDlg dialog(printer, QStringLiteral("DejaVu Sans Mono"), 95);
    EXPECT_EQ(dialog.GetSizeField()->text(), QStringLiteral("9"));
    dialog.GetLandscape()->setChecked(true);
    dialog.GetPaperSizeList()->setCurrentIndex(
        dialog.GetPaperSizeList()->findText(QPageSize(QPageSize::Letter).name()));
    EXPECT_TRUE(PressOk(dialog).isEmpty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetFontSize(), 9);
    EXPECT_EQ(dialog.GetFontFace(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
}

TEST_F(PrintSetupTest, SizesOutOfRangeOrNotNumbersAreRefusedAndNothingChanges) {
    CPrintSetupDlg dialog(printer, QStringLiteral("DejaVu Sans"), 120);
    dialog.show();
    dialog.GetLandscape()->setChecked(true);
    for (const QString& text :
         {QStringLiteral("3"), QStringLiteral("65536"), QStringLiteral("nine"), QString()}) {
        dialog.GetSizeField()->setText(text);
        dialog.GetOkButton()->setFocus();
        EXPECT_FALSE(PressOk(dialog).isEmpty()) << text.toStdString();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.focusWidget(), dialog.GetSizeField());
        EXPECT_EQ(dialog.GetFontSize(), 12);
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    }
    for (const QString& text : {QStringLiteral("4"), QStringLiteral("65535")}) {
        dialog.GetSizeField()->setText(text);
        EXPECT_TRUE(PressOk(dialog).isEmpty());
        EXPECT_EQ(dialog.GetFontSize(), text.toInt());
    }
}

TEST_F(PrintSetupTest, CancelLeavesThePrinterAndTheFontAsTheyWere) {
    CPrintSetupDlg dialog(printer, QStringLiteral("DejaVu Sans"), 90);
    // The dialog runs as the command runs it, and its Cancel button is pressed.
    WhenModal<CPrintSetupDlg>([](CPrintSetupDlg* running) {
        ASSERT_NE(running, nullptr);
        running->GetLandscape()->setChecked(true);
        running->GetSizeField()->setText(QStringLiteral("30"));
        running->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.GetFontSize(), 9);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST_F(PrintSetupTest, UpDownStepsTheSizeWithinItsBounds) {
    CPrintSetupDlg dialog(printer, QString(), 90);
    dialog.show();
    dialog.GetSizeField()->setFocus();
    QTest::keyClick(dialog.GetSizeField(), Qt::Key_Up);
    EXPECT_EQ(dialog.GetSizeField()->text(), QStringLiteral("10"));
    QTest::keyClick(dialog.GetSizeField(), Qt::Key_Down);
    QTest::keyClick(dialog.GetSizeField(), Qt::Key_Down);
    EXPECT_EQ(dialog.GetSizeField()->text(), QStringLiteral("8"));
    dialog.GetSizeField()->setText(QStringLiteral("65535"));
    QTest::keyClick(dialog.GetSizeField(), Qt::Key_Up);
    EXPECT_EQ(dialog.GetSizeField()->text(), QStringLiteral("65535"));
    dialog.GetSizeField()->setText(QStringLiteral("4"));
    QTest::keyClick(dialog.GetSizeField(), Qt::Key_Down);
    EXPECT_EQ(dialog.GetSizeField()->text(), QStringLiteral("4"));
}

}  // namespace
