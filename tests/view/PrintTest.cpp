// Printing for real: every test prints the view to a PDF file and reads the pages back
// with pdftotext, as a user would read the paper.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "CPagePrinter.h"
#include "CPrintJob.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "TempDir.h"
#include "ViewTestSupport.h"

namespace {

const QString kEnDash = QString(QChar(0x2013));

// "N 2026/11/30 06:58:02 - message": a log line whose timestamp shows as 11/30/2026.
std::string LogLine(int n, const std::string& message) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "N 2026/11/30 %02d:%02d:%02d - ", (n / 3600) % 24,
                  (n / 60) % 60, n % 60);
    return stamp + message;
}

class PrintTest : public ViewFixture {
protected:
    PrintTest() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.Path("out.pdf")));
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                          QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    }

    // Prints on the printer's current range and returns the text of each page.
    std::vector<QString> Print(const QString& face = QStringLiteral("DejaVu Sans"),
                               int tenths = 90) {
        CPrintJob job(doc, view.GetSelection(), printer, nullptr);
        job.SetFont(face, tenths);
        job.SetLogPath(QStringLiteral("/var/log/test.log"));
        EXPECT_TRUE(job.PrintAll());
        return ReadPdf();
    }

    std::vector<QString> ReadPdf() {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"),
                        {QStringLiteral("-layout"), printer.outputFileName(), QStringLiteral("-")});
        EXPECT_TRUE(pdftotext.waitForFinished(60000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        std::vector<QString> pages;
        for (const QString& page : text.split(QLatin1Char('\f'))) {
            if (!page.trimmed().isEmpty()) pages.push_back(page);
        }
        return pages;
    }

    static QStringList Lines(const QString& page) {
        return page.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QPrinter printer{QPrinter::HighResolution};
};

TEST_F(PrintTest, SelectionPrintsOnlySelectedLinesAndAllPrintsEveryLineOverNumberedPages) {
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back(LogLine(i, std::string("message number ").append(std::to_string(i))));
    Load(lines);
    for (const LineIndex i : {17, 500, 998}) SelectLine(view, i, true);

    CPrintJob(doc, view.GetSelection(), printer, nullptr).PresetRange();
    EXPECT_EQ(printer.printRange(), QPrinter::Selection);
    std::vector<QString> pages = Print();
    ASSERT_EQ(pages.size(), 1u);
    const QStringList selected = Lines(pages[0]);
    ASSERT_EQ(selected.size(), 4);
    EXPECT_TRUE(selected[0].trimmed().startsWith(QStringLiteral("/var/log/test.log")));
    EXPECT_TRUE(selected[0].trimmed().endsWith(kEnDash + QStringLiteral(" Page 1")));
    EXPECT_TRUE(selected[1].endsWith(QStringLiteral("message number 17")));
    EXPECT_TRUE(selected[2].endsWith(QStringLiteral("message number 500")));
    EXPECT_TRUE(selected[3].endsWith(QStringLiteral("message number 998")));

    printer.setPrintRange(QPrinter::AllPages);
    pages = Print();
    ASSERT_GT(pages.size(), 10u);
    int expected = 0;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const QStringList rows = Lines(pages[p]);
        EXPECT_TRUE(
            rows[0].trimmed().endsWith(kEnDash + QStringLiteral(" Page ") + QString::number(p + 1)))
            << rows[0].toStdString();
        for (qsizetype r = 1; r < rows.size(); ++r) {
            EXPECT_TRUE(rows[r].endsWith(QStringLiteral("message number %1").arg(expected)))
                << rows[r].toStdString();
            ++expected;
        }
    }
    EXPECT_EQ(expected, 1000);
    // Every page but the last is full: A4 less margins holds the same number of rows.
    EXPECT_EQ(Lines(pages[0]).size(), Lines(pages[1]).size());
}

// What the print dialog offers: the Selection choice set while lines are selected,
// unavailable while none are; never a page range.
TEST_F(PrintTest, PrintDialogPresetsSelectionOnlyWhenLinesAreSelected) {
    Load({LogLine(1, "one"), LogLine(2, "two")});
    QWidget parent;
    for (const bool selected : {true, false}) {
        SelectLine(view, 0, selected);
        bool selectionOffered = false;
        bool selectionChecked = false;
        bool rangeOffered = true;
        // Looked at once the dialog has finished setting itself up after showing.
        const auto inspect = [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (QRadioButton* radio : dialog->findChildren<QRadioButton*>()) {
                const bool offered = !radio->isHidden() && radio->isEnabled();
                if (radio->objectName() == QStringLiteral("printSelection")) {
                    selectionOffered = offered;
                    selectionChecked = radio->isChecked();
                } else if (radio->objectName() == QStringLiteral("printRange")) {
                    rangeOffered = offered;
                }
            }
            dialog->accept();
        };
        QTimer::singleShot(0, [&] { QTimer::singleShot(0, inspect); });
        CPrintJob job(doc, view.GetSelection(), printer, &parent);
        EXPECT_TRUE(job.Print());
        EXPECT_EQ(selectionOffered, selected);
        EXPECT_EQ(selectionChecked, selected);
        EXPECT_FALSE(rangeOffered);
        EXPECT_EQ(printer.printRange(), selected ? QPrinter::Selection : QPrinter::AllPages);
    }
}

TEST_F(PrintTest, EnDashFollowsEachTimestampAndLinesWithoutOnePrintWhole) {
    // The second line shows raw, so its colour prefix goes as on screen; the fourth is
    // Windows-1252 text.
    Load({LogLine(1, "first - with a dash inside"), "R no timestamp - on this line",
          LogLine(2, "second"), LogLine(3, "caf\xE9 \x96 bar")});
    const QStringList rows = Lines(Print()[0]);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_TRUE(rows[4].endsWith(QStringLiteral("00:00:03 ") + kEnDash +
                                 QStringLiteral(" caf\u00E9 ") + kEnDash + QStringLiteral(" bar")))
        << rows[4].toStdString();
    EXPECT_TRUE(rows[1].trimmed().startsWith(QStringLiteral("11/30/2026 00:00:01 ") + kEnDash +
                                             QStringLiteral(" first - with")))
        << rows[1].toStdString();
    EXPECT_EQ(rows[2].trimmed(), QStringLiteral("no timestamp - on this line"));
    EXPECT_FALSE(rows[2].contains(kEnDash));
    // The line without a timestamp starts in the message column, not at the margin.
    EXPECT_EQ(rows[2].indexOf(QLatin1Char('n')), rows[3].indexOf(QStringLiteral("second")));
    EXPECT_TRUE(
        rows[3].contains(QStringLiteral("00:00:02 ") + kEnDash + QStringLiteral(" second")));
}

TEST_F(PrintTest, LongMessageWrapsUnderItselfAndTheNextLineFollowsBelow) {
    std::string words;
    for (int i = 0; i < 60; ++i) words.append("word").append(std::to_string(i)).append(" ");
    Load({LogLine(1, words), LogLine(2, "after")});
    const QStringList rows = Lines(Print()[0]);
    ASSERT_GE(rows.size(), 5);
    const qsizetype column = rows[1].indexOf(QStringLiteral("word0"));
    ASSERT_GT(column, 10);
    QString joined;
    for (qsizetype r = 1; r + 1 < rows.size(); ++r) {
        if (r > 1) {
            // Continuation rows leave the timestamp column empty and start under the message.
            EXPECT_TRUE(rows[r].left(column - 2).trimmed().isEmpty()) << rows[r].toStdString();
            EXPECT_NEAR(static_cast<double>(rows[r].indexOf(QStringLiteral("word"))),
                        static_cast<double>(column), 2);
        }
        joined += rows[r].trimmed() + QLatin1Char(' ');
    }
    EXPECT_TRUE(joined.contains(words.substr(0, words.size() - 1).c_str()));
    EXPECT_TRUE(
        rows.last().contains(QStringLiteral("00:00:02 ") + kEnDash + QStringLiteral(" after")));
}

// A line taller than a whole page used to be cut at the page's end and its rest lost.
TEST_F(PrintTest, LineTallerThanAPageIsNotCutOffButGoesOnNextPage) {
    std::string words;
    for (int i = 0; i < 3000; ++i) words.append("w").append(std::to_string(10000 + i)).append(" ");
    Load({LogLine(1, "short before"), LogLine(2, words), LogLine(3, "short after")});
    const std::vector<QString> pages = Print();
    ASSERT_GE(pages.size(), 3u);
    QStringList found;
    for (const QString& page : pages) {
        for (const QString& token :
             page.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
            if (token.size() == 6 && token.startsWith(QLatin1Char('w'))) found.append(token);
        }
    }
    ASSERT_EQ(found.size(), 3000);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(found[i], QStringLiteral("w%1").arg(10000 + i));
    // The short first line keeps page 1 to itself: the tall line starts a page, and the
    // line after it follows its last row.
    EXPECT_EQ(Lines(pages[0]).size(), 2);
    EXPECT_TRUE(Lines(pages.back()).last().contains(QStringLiteral("short after")));
}

TEST_F(PrintTest, CancelInTheProgressWindowStopsALineOfManyPages) {
    // One line of 5 MiB: hundreds of pages on which the progress bar cannot move.
    std::string words;
    words.reserve(5u << 20);
    while (words.size() < (5u << 20)) words.append("lorem ipsum dolor sit amet ");
    Load({LogLine(1, words)});
    CPrintJob job(doc, view.GetSelection(), printer, nullptr);
    job.SetProgressDelay(0);
    int printedAtCancel = 0;
    QTimer::singleShot(0, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(progress, nullptr);
        printedAtCancel = job.GetPagesPrinted();
        progress->cancel();
    });
    EXPECT_FALSE(job.PrintAll());
    // The window came up after the first page, and no page followed the one Cancel
    // was pressed on.
    EXPECT_GE(printedAtCancel, 1);
    EXPECT_EQ(job.GetPagesPrinted(), printedAtCancel);
    EXPECT_EQ(job.GetPagePrinter(), nullptr);
}

TEST_F(PrintTest, CancellingAPrintToPdfLeftATruncatedFileAndTheOneItReplacedWasGone) {
    std::string words;
    while (words.size() < (1u << 20)) words.append("lorem ipsum dolor sit amet ");
    Load({LogLine(1, words)});
    const std::string pdf = printer.outputFileName().toStdString();
    dir.Write("out.pdf", "the old file");
    CPrintJob job(doc, view.GetSelection(), printer, nullptr);
    job.SetProgressDelay(0);
    QTimer::singleShot(
        0, [] { qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())->cancel(); });
    EXPECT_FALSE(job.PrintAll());
    EXPECT_EQ(TempDir::Read(pdf), "the old file");
    EXPECT_EQ(printer.outputFileName().toStdString(), pdf);
    // Only a job that printed every page replaces the file, and leaves nothing beside it.
    Load({LogLine(1, "done")});
    const std::vector<QString> pages = Print();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("done")));
    const std::filesystem::directory_iterator files(dir.Path(""));
    EXPECT_EQ(std::distance(begin(files), end(files)), 2);  // test.log and out.pdf
}

TEST_F(PrintTest, MissingOrEmptyFaceFallsBackToASubstituteFont) {
    Load({LogLine(1, "still readable")});
    for (const QString& face : {QStringLiteral("No Such Face At All"), QString()}) {
        const std::vector<QString> pages = Print(face, 120);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("still readable"))) << face.toStdString();
    }
}

// A font so large that the header and a row filled the page, or the timestamp column the
// width, drew the text below the page or right of it.
TEST_F(PrintTest, HugeFontPrintedTextOffThePage) {
    Load({LogLine(1, "ab"), LogLine(2, "cd")});
    // 600-point letters: one character per row, one row per page, no room for the header.
    const std::vector<QString> pages = Print(QStringLiteral("DejaVu Sans"), 6000);
    QString all;
    for (const QString& page : pages) all += page;
    all.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_EQ(all, QStringLiteral("11/30/202600:00:01") + kEnDash +
                       QStringLiteral("ab11/30/202600:00:02") + kEnDash + QStringLiteral("cd"));
}

// At the largest size Print Setup takes a row was taller than the page: each page showed
// part of one enormous letter, a black bar.
TEST_F(PrintTest, AFontOf65535PointsPrintedBlackBars) {
    Load({LogLine(1, "ab")});
    const std::vector<QString> pages = Print(QStringLiteral("DejaVu Sans"), 655350);
    QString all;
    for (const QString& page : pages) all += page;
    all.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_EQ(all, QStringLiteral("11/30/202600:00:01") + kEnDash + QStringLiteral("ab"));
    // A row of a few letters fills a page; the header is left out.
    for (const QString& page : pages) EXPECT_EQ(Lines(page).size(), 1) << page.toStdString();
}

TEST_F(PrintTest, PagesKeepTheirFirstLinesSoAnyPageDrawsAgainAlone) {
    std::vector<std::string> lines;
    for (int i = 0; i < 500; ++i)
        lines.push_back(LogLine(i, std::string("line ").append(std::to_string(i))));
    Load(lines);
    CPagePrinter pages(doc, view.GetSelection(), printer, {QStringLiteral("DejaVu Sans"), 90},
                       QString());
    QObject::connect(&view, &CTrawlviewView::DisplayedLinesChanged,
                     [&pages] { pages.LinesChanged(); });
    QImage image(800, 1100, QImage::Format_RGB32);
    QPainter dc(&image);
    const QRectF rect(0, 0, 800, 1100);
    // Asking for page 3 first lays out pages 1 and 2 on the way; page 2 is then drawn
    // from its kept start and ends where page 3 starts.
    EXPECT_TRUE(pages.PrintPage(dc, 3, rect));
    EXPECT_EQ(pages.GetKnownPageCount(), 4);
    const LineIndex third = pages.GetPageFirstLine(3).value_or(0);
    EXPECT_GT(third, 0);
    EXPECT_TRUE(pages.PrintPage(dc, 2, rect));
    EXPECT_EQ(pages.GetPageFirstLine(3), third);
    EXPECT_EQ(pages.GetKnownPageCount(), 4);
    // Another page size lays the pages out afresh.
    EXPECT_TRUE(pages.PrintPage(dc, 1, QRectF(0, 0, 800, 550)));
    EXPECT_LT(pages.GetPageFirstLine(2).value_or(third), third / 2 + 1);
    int last = 1;
    while (pages.PrintPage(dc, last, rect)) ++last;
    EXPECT_TRUE(pages.IsComplete());
    EXPECT_FALSE(pages.PrintPage(dc, last + 1, rect));
    // A reload while the job is open (a preview stays open over it) starts the pages over.
    Load({LogLine(1, "only line")});
    EXPECT_FALSE(pages.PrintPage(dc, 1, rect));
    EXPECT_EQ(pages.GetKnownPageCount(), 1);
    EXPECT_FALSE(pages.PrintPage(dc, 3, rect));
    dc.end();
}

TEST_F(PrintTest, PreviewLaysOutOnlyThePagesInReachAndKeepsTheSideBySideChoice) {
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i)
        lines.push_back(LogLine(i, std::string("line ").append(std::to_string(i))));
    Load(lines);
    CPrintJob job(doc, view.GetSelection(), printer, nullptr);
    int pageCount = 0;
    int known = 0;
    int grown = 0;
    int stayed = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        pageCount = preview->pageCount();
        known = job.GetPagePrinter()->GetKnownPageCount();
        EXPECT_EQ(preview->viewMode(), QPrintPreviewWidget::FacingPagesView);
        preview->setViewMode(QPrintPreviewWidget::SinglePageView);
        // Reaching the last page made lays out more.
        preview->setCurrentPage(pageCount);
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        grown = preview->pageCount();
        stayed = preview->currentPage();
        // The preview's own Print closes the preview and leaves the job to the caller.
        const QList<QAction*> actions = dialog->findChildren<QAction*>();
        const auto print = std::find_if(actions.begin(), actions.end(), [](QAction* a) {
            return a->text() == QStringLiteral("Print");
        });
        ASSERT_NE(print, actions.end());
        (*print)->trigger();
    });
    int previewPages = 2;
    EXPECT_TRUE(job.Preview(previewPages));
    // Only the pages in reach are laid out: more than the two shown side by side, far
    // fewer than the log's hundreds.
    EXPECT_GT(pageCount, 2);
    EXPECT_LT(pageCount, 20);
    EXPECT_LE(known, pageCount + 1);
    // Doubled, once, with the reader still on the page reached.
    EXPECT_EQ(grown, 2 * pageCount);
    EXPECT_EQ(stayed, pageCount);
    EXPECT_EQ(previewPages, 1);
    EXPECT_FALSE(QFileInfo::exists(printer.outputFileName()));
}

}  // namespace
