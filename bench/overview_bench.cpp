// overview_bench LOG...
//
// Times the overview beside the log view's scroll bar on large logs, with the real view
// on the offscreen platform (a window 1,920 x 1,080): every mark after a rebuild, the find
// marks after a new find text (on every line, in a few lines, in none, a pattern), the
// marks of 1,000 lines appended by Follow, and a paint of the strip. Each figure is the
// time from the change until every row of the strip is folded, the job's own thread
// included. Prints figures only.
//
// Logs to run it on: bench/gen_log 1073741824 1 bench-1g.log (long, varied lines), and
// for many short lines for example
//   awk 'BEGIN { for (i = 0; i < 11000000; i++) printf "%s 2001/01/01 00:00:00 - n%d ...\r\n",
//        substr("NNNNGGBCMRY", i % 11 + 1, 1), i }' >short.log

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchApp.h"
#include "BenchClock.h"
#include "BenchView.h"
#include "COverviewStrip.h"
#include "LocaleFormats.h"

namespace {

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("  %-52s min %8.2f  median %8.2f  max %8.2f ms\n", what, times.front(),
                times[times.size() / 2], times.back());
}

template <class F>
void Time(const char* what, int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        f();
        times.push_back(MsSince(start));
    }
    Report(what, std::move(times));
}

// Runs the window's event loop until the job has handed over its last piece and the strip
// has folded it: the path the window takes.
void Settle(COverviewStrip& strip) {
    strip.FollowView();
    const COverview& overview = strip.GetOverview();
    while (overview.IsRunning() || !overview.IsComplete())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int CountRows(const COverviewStrip& strip, unsigned kind) {
    return static_cast<int>(std::count_if(
        strip.Rows().begin(), strip.Rows().end(),
        [kind](std::uint8_t bits) { return ((static_cast<unsigned>(bits) >> kind) & 1u) != 0; }));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: overview_bench LOG...\n");
        return 2;
    }
    const BenchApp app(argv);

    for (int a = 1; a < argc; ++a) {
        BenchView bench("overview_bench");
        CTrawlviewDoc& doc = bench.doc;
        CTrawlviewView& view = bench.view;
        QCoreApplication::processEvents();
        if (!doc.LoadLogFile(argv[a])) return 1;
        view.SetOverview(true);
        COverviewStrip& strip = *view.GetOverviewStrip();
        Settle(strip);
        const LineIndex lines = doc.GetLineCount();
        std::printf("log %s: %.1f MiB, %lld lines, strip of %d rows, buckets of %lld lines\n",
                    argv[a], static_cast<double>(doc.GetFileSize().value()) / 1048576.0,
                    static_cast<long long>(lines), strip.Trough().height(),
                    static_cast<long long>(strip.GetOverview().Marks().BucketLines()));

        Time("rebuild alone (no overview work)", 3, [&] {
            view.SetOverview(false);
            doc.RebuildDisplay();
        });
        view.SetOverview(true);
        COverviewStrip& shown = *view.GetOverviewStrip();
        Settle(shown);
        // From the end of the rebuild until the strip is whole, without a find text and
        // with one in few lines.
        using V = CTrawlviewView;
        for (const char* text : {"", "checksum"}) {
            view.OnFindReplace(text, V::FR_MATCHCASE | V::FR_DOWN);
            Settle(shown);
            std::vector<double> afterRebuild;
            for (int run = 0; run < 5; ++run) {
                doc.RebuildDisplay();
                const Clock::time_point rebuilt = Clock::now();
                Settle(shown);
                afterRebuild.push_back(MsSince(rebuilt));
            }
            Report(*text == '\0' ? "every mark, from the end of a rebuild"
                                 : "every mark, from the end of a rebuild, find \"checksum\"",
                   afterRebuild);
        }
        view.OnFindReplace("", V::FR_DOWN);
        std::printf("  rows with red / yellow lines: %d / %d\n", CountRows(shown, kMarkRed),
                    CountRows(shown, kMarkYellow));
        const struct {
            const char* text;
            unsigned flags;
            const char* name;
        } finds[] = {
            {"e", 0, "new find text \"e\" (on nearly every line)"},
            {"checksum", V::FR_MATCHCASE, "new find text \"checksum\" (in few lines)"},
            {"no such thing", V::FR_MATCHCASE, "new find text in no line"},
            {"checksum [0-9]{3}", V::FR_REGEX | V::FR_MATCHCASE, "new find pattern"},
            {"ry", V::FR_WHOLEWORD, "new find text, whole word \"ry\""},
        };
        for (const auto& f : finds) {
            Time(f.name, 5, [&] {
                view.OnFindReplace("", V::FR_DOWN);
                shown.FollowView();
                view.OnFindReplace(f.text, f.flags | V::FR_DOWN);
                shown.FollowView();
                Settle(shown);
            });
            std::printf("    rows with the find text: %d\n", CountRows(shown, kMarkFind));
        }
        // The last 1,000 lines as Follow hands them over: their marks and a new fold.
        Time("Follow: 1,000 appended lines marked and folded", 9, [&] {
            view.OnLinesAppended(lines - 1000, false);
            Settle(shown);
        });
        QImage image(shown.size(), QImage::Format_ARGB32_Premultiplied);
        Time("paint of the strip", 50, [&] {
            QPainter dc(&image);
            shown.render(&dc);
        });
    }
    return 0;
}
