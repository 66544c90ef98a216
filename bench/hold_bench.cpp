// hold_bench LOG [TEXT]
//
// Times View > Show All Lines in the main window on the offscreen platform (a window
// 1,920 x 1,080) over LOG with an include filter for TEXT ("checksum" by default): the
// rebuild the filter change makes, for comparison, then holding the filters and letting
// them act again, with one line selected and with every line selected, and last the
// rebuild of every line that clearing the filters makes. Prints figures only.

#include <QApplication>
#include <QSettings>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchClock.h"
#include "CMainFrame.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "LocaleFormats.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s LOG [TEXT]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string log = argv[1];
    const std::string text = argc > 2 ? argv[2] : "checksum";
    // Settings and the filter file go to a folder of the bench's own, never the user's.
    const std::filesystem::path own = std::filesystem::temp_directory_path() / "hold_bench";
    std::filesystem::create_directories(own);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(own.string()));
    const std::string filters = (own / "include.lff").string();
    std::ofstream(filters, std::ios::binary) << "I" << text << "\n";
    LoadLocaleFormats();

    CMainFrame frame;
    frame.resize(1920, 1080);
    frame.show();
    frame.OpenLogFile(log);
    const CTrawlviewDoc& doc = frame.GetDocument();
    while (doc.IsLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("log %s: %lld lines\n", log.c_str(), static_cast<long long>(doc.GetCutLineCount()));

    auto start = Clock::now();
    frame.LoadFilterFile(QString::fromStdString(filters));
    while (frame.IsReadingFilterFile())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("%-46s %9.1f ms  (%lld lines shown)\n", "filter applied (read and rebuild)",
                MsSince(start), static_cast<long long>(doc.GetLineCount()));

    CTrawlviewView& view = frame.GetView();
    for (const bool all : {false, true}) {
        if (all) {
            view.OnEditSelectAll();
        } else {
            const LineIndex middle = doc.GetLineCount() / 2;
            view.ChangeSelection([middle](CLineSelection& s) { s.SelectOnly(middle); });
        }
        const char* what = all ? "every line selected" : "one line selected";
        start = Clock::now();
        frame.HoldFilters(true);
        QCoreApplication::processEvents();
        std::printf("hold, %-40s %9.1f ms  (%lld lines shown)\n", what, MsSince(start),
                    static_cast<long long>(doc.GetLineCount()));
        start = Clock::now();
        frame.HoldFilters(false);
        QCoreApplication::processEvents();
        std::printf("release, %-37s %9.1f ms  (%lld lines shown)\n", what, MsSince(start),
                    static_cast<long long>(doc.GetLineCount()));
    }
    start = Clock::now();
    frame.OnEditClearFilters();
    QCoreApplication::processEvents();
    std::printf("%-46s %9.1f ms  (%lld lines shown)\n", "filters cleared (a rebuild of every line)",
                MsSince(start), static_cast<long long>(doc.GetLineCount()));
    std::filesystem::remove_all(own);
    return 0;
}
