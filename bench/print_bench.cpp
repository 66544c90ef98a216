// print_bench LOG [LINES]
//
// Times printing on the offscreen platform, to PDF files in the system's temporary
// folder:
//   - one line of 5 MiB, wrapped over many pages;
//   - pages per second for pages of 60 ordinary lines (a log of one-row lines made here),
//     with the font size chosen so that a page holds 60 of them;
//   - the print preview of LOG: from the command to page 1 on screen, then each step to
//     the page after the last one laid out, and drawing an earlier page again;
//   - the first LINES displayed lines of LOG (default 1,000,000) printed to PDF: time,
//     pages, file size, and the memory the job took on top of the loaded log.
// Prints figures only.
//
// A log to run it on: bench/gen_log 1073741824 1 bench-1g.log

#include <QApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPicture>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchClock.h"
#include "BenchHost.h"
#include "BenchView.h"
#include "CPagePrinter.h"
#include "CPrintJob.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "LocaleFormats.h"

namespace {

std::uint64_t StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0) return std::strtoull(line.c_str() + n, nullptr, 10);
    }
    return 0;
}

// Peak memory from here on: the kernel's high-water mark starts again at the current use.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void SetUpPrinter(QPrinter& printer, const std::string& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

// Lines on page 1 at a font size, laid out for the printer without drawing anything.
LineIndex LinesPerPage(CTrawlviewView& view, QPrinter& printer, int tenths) {
    CPagePrinter pages(view.GetDocument(), view.GetSelection(), printer,
                       {QStringLiteral("DejaVu Sans"), tenths}, QStringLiteral("bench.log"));
    QPicture scratch;
    QPainter dc(&scratch);
    pages.PrintPage(dc, 1);
    const LineIndex lines = pages.GetPageFirstLine(2).value_or(0);
    dc.end();
    return lines;
}

void PagesPerSecond(const char* program, const std::filesystem::path& dir) {
    const std::string log = (dir / "print-bench-ordinary.log").string();
    {
        std::ofstream out(log, std::ios::binary);
        char line[160];
        for (int i = 0; i < 60000; ++i) {
            std::snprintf(line, sizeof line,
                          "N 2026/11/30 %02d:%02d:%02d - Job %d finished: 1,024 records exported "
                          "to the archive\r\n",
                          (i / 3600) % 24, (i / 60) % 60, i % 60, i);
            out << line;
        }
    }
    BenchView loaded(program);
    loaded.doc.LoadLogFile(log);
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, (dir / "print-bench-ordinary.pdf").string());
    int tenths = 90;
    while (tenths < 200 && LinesPerPage(loaded.view, printer, tenths) > 60) ++tenths;
    const LineIndex perPage = LinesPerPage(loaded.view, printer, tenths);
    CPrintJob job(loaded.doc, loaded.view.GetSelection(), printer, nullptr);
    job.SetFont(QStringLiteral("DejaVu Sans"), tenths);
    job.SetLogPath(QString::fromStdString(log));
    const Clock::time_point start = Clock::now();
    job.PrintAll();
    const double ms = MsSince(start);
    const double pages =
        static_cast<double>(loaded.doc.GetLineCount()) / static_cast<double>(perPage);
    std::printf(
        "ordinary pages to PDF      %lld lines a page (%.1f pt), %.0f pages in %.0f ms: %.0f "
        "pages/s\n",
        static_cast<long long>(perPage), tenths / 10.0, pages, ms, pages * 1000 / ms);
    std::filesystem::remove(log);
    std::filesystem::remove(dir / "print-bench-ordinary.pdf");
}

void LongLine(const char* program, const std::filesystem::path& dir) {
    const std::string log = (dir / "print-bench-long.log").string();
    {
        std::string line = "N 2026/11/30 06:58:02 - ";
        while (line.size() < (5u << 20)) line.append("lorem ipsum dolor sit amet ");
        std::ofstream(log, std::ios::binary) << line << "\r\n";
    }
    BenchView loaded(program);
    loaded.doc.LoadLogFile(log);
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, (dir / "print-bench-long.pdf").string());
    CPrintJob job(loaded.doc, loaded.view.GetSelection(), printer, nullptr);
    job.SetFont(QStringLiteral("DejaVu Sans"), 90);
    const Clock::time_point start = Clock::now();
    job.PrintAll();
    const double ms = MsSince(start);
    std::printf("one line of 5 MiB to PDF   %d pages in %.0f ms\n", job.GetPagesPrinted(), ms);
    std::filesystem::remove(log);
    std::filesystem::remove(dir / "print-bench-long.pdf");
}

void Preview(BenchView& loaded, const std::filesystem::path& dir) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, (dir / "print-bench-preview.pdf").string());
    CPrintJob job(loaded.doc, loaded.view.GetSelection(), printer, nullptr);
    job.SetFont(QStringLiteral("DejaVu Sans"), 90);
    const Clock::time_point start = Clock::now();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        std::printf("preview: page 1 on screen  %.1f ms (%d pages made)\n", MsSince(start),
                    preview->pageCount());
        for (int step = 0; step < 9; ++step) {
            const int before = preview->pageCount();
            const Clock::time_point grow = Clock::now();
            preview->setCurrentPage(before);
            for (int i = 0; i < 3; ++i) QApplication::processEvents();
            std::printf("preview: to page %-5d      %.1f ms (%d pages made)\n", before,
                        MsSince(grow), preview->pageCount());
        }
        // One page alone, from its kept first line: the cost of a step forward.
        CPagePrinter& pages = *job.GetPagePrinter();
        QPicture scratch;
        QPainter dc(&scratch);
        const QRectF rect(QPointF(0, 0),
                          printer.pageLayout().paintRectPixels(printer.resolution()).size());
        const int last = pages.GetKnownPageCount();
        Clock::time_point one = Clock::now();
        pages.PrintPage(dc, last, rect);
        std::printf("preview: lay out page %-5d %.2f ms\n", last, MsSince(one));
        one = Clock::now();
        pages.PrintPage(dc, 2, rect);
        std::printf("preview: page 2 again       %.2f ms\n", MsSince(one));
        dc.end();
        dialog->reject();
    });
    int previewPages = 1;
    job.Preview(previewPages);
}

void PrintLines(BenchView& loaded, const std::filesystem::path& dir, LineIndex lines) {
    lines = std::min(lines, loaded.doc.GetLineCount());
    loaded.view.ChangeSelection([lines](CLineSelection& s) { s.SetRange(0, lines - 1, true); });
    const std::string pdf = (dir / "print-bench-lines.pdf").string();
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, pdf);
    printer.setPrintRange(QPrinter::Selection);
    CPrintJob job(loaded.doc, loaded.view.GetSelection(), printer, nullptr);
    job.SetFont(QStringLiteral("DejaVu Sans"), 90);
    const std::uint64_t before = StatusKiB("VmRSS:");
    ResetPeak();
    const Clock::time_point start = Clock::now();
    job.PrintAll();
    const double ms = MsSince(start);
    const std::uint64_t peak = StatusKiB("VmHWM:");
    std::printf(
        "%lld lines to PDF        %d pages in %.1f s, %.1f MiB file, %.0f MiB more memory at the "
        "peak\n",
        static_cast<long long>(lines), job.GetPagesPrinted(), ms / 1000,
        static_cast<double>(std::filesystem::file_size(pdf)) / (1 << 20),
        static_cast<double>(peak > before ? peak - before : 0) / 1024);
    std::filesystem::remove(pdf);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s LOG [LINES]\n", argv[0]);
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LoadLocaleFormats();
    const LineIndex lines = argc > 2 ? std::atoll(argv[2]) : 1000000;
    const std::filesystem::path dir = std::filesystem::temp_directory_path();

    PagesPerSecond(argv[0], dir);
    LongLine(argv[0], dir);

    BenchView loaded(argv[0]);
    const Clock::time_point load = Clock::now();
    if (!loaded.doc.LoadLogFile(argv[1])) return 1;
    std::printf("load %s                   %.0f ms, %lld lines\n", argv[1], MsSince(load),
                static_cast<long long>(loaded.doc.GetLineCount()));
    Preview(loaded, dir);
    PrintLines(loaded, dir, lines);
    return 0;
}
