// The printing commands as the user reaches them: File menu entries, the print dialog,
// the preview and Print Setup, with the printer font and the preview's page count going
// through the stored settings.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <functional>
#include <tuple>

#include "AppSettings.h"
#include "CPrintSetupDlg.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "SelectionSteps.h"
#include "ShellFixture.h"

namespace {

class PrintCommandsTest : public ShellTest {
protected:
    // Runs drive on the dialog of type T that the command opens, from inside its loop.
    template <class T>
    static void Trigger(CMainFrame& frame, int id, std::function<void(T*)> drive) {
        QTimer::singleShot(0, qApp,
                           [drive] { drive(qobject_cast<T*>(QApplication::activeModalWidget())); });
        frame.GetAction(id)->trigger();
    }

    static QString Run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    RecordingMessageBoxes boxes;
};

TEST_F(PrintCommandsTest, PreviewSitsAfterPrintAndBothNeedDisplayedLinesWhileSetupIsAlwaysOn) {
    CTrawlviewApp app(&boxes);
    ASSERT_TRUE(app.InitInstance({"trawlview"}));
    CMainFrame& frame = *app.GetMainFrame();
    QMenu* file = frame.menuBar()->actions().first()->menu();
    const QList<QAction*> entries = file->actions();
    const qsizetype print = entries.indexOf(frame.GetAction(ID_FILE_PRINT));
    ASSERT_GE(print, 0);
    EXPECT_EQ(entries[print + 1], frame.GetAction(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(entries[print + 2], frame.GetAction(ID_FILE_PRINT_SETUP));
    EXPECT_EQ(frame.GetAction(ID_FILE_PRINT_PREVIEW)->text(), QStringLiteral("Print Pre&view"));
    EXPECT_FALSE(frame.GetAction(ID_FILE_PRINT)->isEnabled());
    EXPECT_FALSE(frame.GetAction(ID_FILE_PRINT_PREVIEW)->isEnabled());
    EXPECT_TRUE(frame.GetAction(ID_FILE_PRINT_SETUP)->isEnabled());
    frame.OpenLogFile(dir.Write("one.log", Lines({"N 2026/11/30 06:58:02 - one line"})));
    EXPECT_TRUE(frame.GetAction(ID_FILE_PRINT)->isEnabled());
    EXPECT_TRUE(frame.GetAction(ID_FILE_PRINT_PREVIEW)->isEnabled());
}

TEST_F(PrintCommandsTest, PrintSetupOkStoresTheFontInTenthsAndCancelStoresNothing) {
    CTrawlviewApp app(&boxes);
    ASSERT_TRUE(app.InitInstance({"trawlview"}));
    CMainFrame& frame = *app.GetMainFrame();
    Trigger<CPrintSetupDlg>(frame, ID_FILE_PRINT_SETUP, [](CPrintSetupDlg* dialog) {
        ASSERT_NE(dialog, nullptr);
        dialog->GetFaceList()->setCurrentIndex(
            dialog->GetFaceList()->findText(QStringLiteral("DejaVu Serif")));
        dialog->GetSizeField()->setText(QStringLiteral("12"));
        dialog->accept();
    });
    EXPECT_EQ(app.GetPrinterFontFace(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(app.GetPrinterFontSize(), 120);
    EXPECT_EQ(UserSettings().value("Settings/Printer Font").toString(),
              QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(UserSettings().value("Settings/Printer Font Size").toInt(), 120);

    Trigger<CPrintSetupDlg>(frame, ID_FILE_PRINT_SETUP, [](CPrintSetupDlg* dialog) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetSizeField()->text(), QStringLiteral("12"));
        dialog->GetSizeField()->setText(QStringLiteral("30"));
        dialog->reject();
    });
    EXPECT_EQ(app.GetPrinterFontSize(), 120);
    EXPECT_EQ(UserSettings().value("Settings/Printer Font Size").toInt(), 120);
}

TEST_F(PrintCommandsTest, PrintWritesThePagesInTheStoredPrinterFontWithTheLogPathAbove) {
    UserSettings().setValue("Settings/Printer Font", "DejaVu Serif");
    const std::string log = dir.Write(
        "events.log", Lines({"N 2026/11/30 06:58:02 - first", "N 2026/11/30 06:58:03 - second"}));
    CTrawlviewApp app(&boxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    const QString pdf = QString::fromStdString(dir.Path("out.pdf"));
    app.GetPrinter().setOutputFormat(QPrinter::PdfFormat);
    app.GetPrinter().setOutputFileName(pdf);
    bool offered = false;
    Trigger<QPrintDialog>(*app.GetMainFrame(), ID_FILE_PRINT, [&offered](QPrintDialog* dialog) {
        ASSERT_NE(dialog, nullptr);
        offered = true;
        dialog->accept();
    });
    EXPECT_TRUE(offered);
    const QString text =
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QString::fromStdString(log))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("second")));
    EXPECT_TRUE(Run(QStringLiteral("pdffonts"), {pdf}).contains(QStringLiteral("DejaVuSerif")));
}

TEST_F(PrintCommandsTest, PreviewShowsTheStoredPagesSideBySideAndTheChoiceIsStoredAtExit) {
    UserSettings().setValue("Settings/PreviewPages", 2);
    const std::string log = dir.Write("events.log", Lines({"N 2026/11/30 06:58:02 - first"}));
    CTrawlviewApp app(&boxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    EXPECT_EQ(app.GetPreviewPages(), 2);
    QPrintPreviewWidget::ViewMode shown = QPrintPreviewWidget::AllPagesView;
    Trigger<QPrintPreviewDialog>(*app.GetMainFrame(), ID_FILE_PRINT_PREVIEW,
                                 [&shown](QPrintPreviewDialog* dialog) {
                                     ASSERT_NE(dialog, nullptr);
                                     auto* preview = dialog->findChild<QPrintPreviewWidget*>();
                                     shown = preview->viewMode();
                                     preview->setViewMode(QPrintPreviewWidget::SinglePageView);
                                     dialog->reject();
                                 });
    EXPECT_EQ(shown, QPrintPreviewWidget::FacingPagesView);
    EXPECT_EQ(app.GetPreviewPages(), 1);
    app.ExitInstance();
    EXPECT_EQ(UserSettings().value("Settings/PreviewPages").toInt(), 1);
}

TEST_F(PrintCommandsTest, ThePreviewsPrintIgnoredItsPageRangeAndHidTheSelection) {
    const std::string log = dir.Write(
        "events.log", Lines({"N 2026/11/30 06:58:02 - first", "N 2026/11/30 06:58:03 - second"}));
    CTrawlviewApp app(&boxes);
    ASSERT_TRUE(app.InitInstance({"trawlview", log}));
    SelectLine(app.GetMainFrame()->GetView(), 1, true);
    bool selectionOffered = false;
    // The print dialog opens once the preview has closed: looked for on each turn of the
    // event loop until it is up (a bounded number of turns).
    int turns = 0;
    std::function<void()> answer = [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (++turns < 10000) QTimer::singleShot(0, qApp, answer);
            return;
        }
        selectionOffered = dialog->testOption(QAbstractPrintDialog::PrintSelection) &&
                           dialog->printer()->printRange() == QPrinter::Selection;
        dialog->reject();
    };
    Trigger<QPrintPreviewDialog>(*app.GetMainFrame(), ID_FILE_PRINT_PREVIEW,
                                 [&](QPrintPreviewDialog* preview) {
                                     ASSERT_NE(preview, nullptr);
                                     // The preview's Print goes the way of File > Print: its
                                     // dialog, Selection chosen.
                                     QTimer::singleShot(0, qApp, answer);
                                     for (QAction* action : preview->findChildren<QAction*>()) {
                                         if (action->text() == QStringLiteral("Print"))
                                             action->trigger();
                                     }
                                 });
    EXPECT_TRUE(selectionOffered);
    // A first PDF is offered under the log's name, as File > Print offers it.
    if (app.GetPrinter().outputFormat() == QPrinter::PdfFormat) {
        EXPECT_TRUE(app.GetPrinter().outputFileName().endsWith(QStringLiteral("events.pdf")));
    }
}

TEST_F(PrintCommandsTest, APreviewPagesOfTheLargestIntegerOverflowedInThePreviewAndIsNowClamped) {
    // Stored value, then what the preview's page count and the printer font size read as.
    const std::tuple<const char*, int, int> cases[] = {{"2147483647", 2, 655350},
                                                       {"99999999999", 2, 655350},
                                                       {"-2147483648", 0, 40},
                                                       {"3", 2, 40},
                                                       {"1", 1, 40},
                                                       {"not a number", 0, 90}};
    for (const auto& [stored, pages, tenths] : cases) {
        UserSettings().setValue("Settings/PreviewPages", stored);
        UserSettings().setValue("Settings/Printer Font Size", stored);
        EXPECT_EQ(AppSettings::GetPreviewPages(), pages) << stored;
        EXPECT_EQ(AppSettings::GetPrinterFontSize(), tenths) << stored;
    }
}

}  // namespace
