// dialogs_bench [COUNT] [TEXT_BYTES]
//
// Times opening the filter list dialog on COUNT filters (default 10,000, half include,
// half exclude, in no sorted order) on the offscreen platform: from construction until
// the dialog has been shown and painted once, and its close. With TEXT_BYTES, one more
// filter holds a text of that many bytes. Prints figures only.

#include <QApplication>
#include <QListWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "CFiltersDlg.h"
#include "FilterList.h"
#include "LocaleFormats.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LoadLocaleFormats();
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    const long big = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;

    FilterList list;
    for (long i = 0; i < count; ++i) {
        // A spread of texts so that the sort has work to do.
        const std::string text =
            "filter " + std::to_string((i * 7919) % count) + (i % 3 ? " Disk" : " error");
        list.Append(text, i % 2 ? FilterKind::IncludeString : FilterKind::ExcludeString);
    }
    if (big > 0)
        list.Append(std::string(static_cast<std::size_t>(big), 'k'), FilterKind::IncludeString);

    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        {
            CFiltersDlg dlg(list);
            dlg.show();
            dlg.repaint();
            QApplication::processEvents();
            if (run == 0) {
                std::printf("include %d, exclude %d items\n", dlg.GetIncludeList()->count(),
                            dlg.GetExcludeList()->count());
            }
        }
        times.push_back(MsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "open the filter list dialog on %ld filters: min %.1f ms, median %.1f ms, max %.1f ms\n",
        count + (big > 0 ? 1 : 0), times.front(), times[times.size() / 2], times.back());
    return 0;
}
