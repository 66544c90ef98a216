// select_bench LOG
//
// Times what a user does in the log view on a large log, with the real view on the
// offscreen platform (a window 1,920 x 1,080): Find Next that finds nothing (exact,
// ignoring case, a text above ASCII, and a whole word whose letters occur in almost every
// line), Find Next to a hit about 1,000 lines away (down and up), Select All, a click
// after Select All, a keyboard step and a drag step, Copy of 100,000 lines, and Copy of
// every line with the memory it took. Prints figures only.
//
// Logs to run it on: bench/gen_log 1073741824 1 bench-1g.log (long, varied lines), and
// for many short lines for example
//   awk 'BEGIN { for (i = 0; i < 8000000; i++) printf "G 2001/01/01 00:00:00 - n%d ok\r\n", i }'
//   >short.log

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchApp.h"
#include "BenchClock.h"
#include "BenchHost.h"
#include "BenchView.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "LocaleFormats.h"

namespace {

template <class F>
void Time(const char* what, int runs, F&& f, const std::string& note = {}) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        f();
        times.push_back(MsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s min %9.2f  median %9.2f ms  %s\n", what, times.front(),
                times[times.size() / 2], note.c_str());
}

std::uint64_t StatusMiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0)
            return std::strtoull(line.c_str() + std::char_traits<char>::length(key), nullptr, 10) /
                   1024;
    }
    return 0;
}

void ResetPeakRss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Clicks line (scrolling it to the top of the window first), with the keys given.
void ClickLine(CTrawlviewView& view, LineIndex line, Qt::KeyboardModifiers keys = {}) {
    view.ScrollToPosition({0, line * view.GetLineHeight()});
    const QPoint at(10, static_cast<int>(line * view.GetLineHeight() -
                                         view.GetScrollPos32(CScrollView32::SB_VERT)) +
                            1);
    view.OnLButtonDown(keys, at);
    view.OnLButtonUp(at);
}

// The last 24 bytes of a line: in the generated log practically unique.
std::string TailOf(const CTrawlviewDoc& doc, LineIndex line) {
    const std::string_view raw = doc.GetLine(line);
    return std::string(raw.substr(raw.size() > 24 ? raw.size() - 24 : 0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: select_bench LOG\n");
        return 2;
    }
    const BenchApp app(argv);

    BenchView bench("select_bench");
    CTrawlviewDoc& doc = bench.doc;
    CTrawlviewView& view = bench.view;
    // Until the window is exposed nothing would be painted, and painting is part of
    // every step measured here.
    QCoreApplication::processEvents();
    if (!doc.LoadLogFile(argv[1])) return 1;
    const LineIndex lines = doc.GetLineCount();
    std::printf("log %s: %.1f MiB, %lld lines\n", argv[1],
                static_cast<double>(doc.GetFileSize().value()) / 1048576.0,
                static_cast<long long>(lines));

    using V = CTrawlviewView;
    for (const auto& [text, flags, name] :
         std::vector<std::tuple<std::string, unsigned, const char*>>{
             {"no such thing", V::FR_MATCHCASE, "find nothing, match case"},
             {"NO SUCH THING", 0, "find nothing, any case"},
             {"zq", 0, "find nothing, any case, 2 bytes"},
             {"\xC3\xA9t\xC3\xA9", 0, "find nothing, any case, text above ASCII"},
             {"ry", V::FR_WHOLEWORD, "find nothing, whole word \"ry\" (in 28% of lines)"},
             {"checksum [0-9]{12}", V::FR_REGEX | V::FR_MATCHCASE,
              "find nothing, pattern with a literal"},
             {"checksum [0-9]{12}", V::FR_REGEX, "find nothing, pattern with a literal, any case"},
             {"[0-9]{5}-zq", V::FR_REGEX | V::FR_MATCHCASE,
              "find nothing, pattern, literal after a class"},
         }) {
        ClickLine(view, 0);
        LineIndex found = -1;
        Time(name, 5, [&] {
            view.OnFindReplace(text, flags | V::FR_DOWN | V::FR_FINDNEXT);
            found = view.GetSelection().GetAnchor().value_or(-1);
        });
        if (found != 0) std::printf("  (found line %lld)\n", static_cast<long long>(found));
    }

    const LineIndex from = lines / 2;
    std::vector<double> downs;
    std::vector<double> ups;
    for (LineIndex k = 0; k < 5; ++k) {
        const LineIndex start = from + k * 5000;
        ClickLine(view, start);
        Clock::time_point t = Clock::now();
        view.OnFindReplace(TailOf(doc, start + 1000),
                           V::FR_DOWN | V::FR_FINDNEXT | V::FR_MATCHCASE);
        downs.push_back(MsSince(t));
        if (view.GetSelection().GetAnchor() != start + 1000)
            std::printf(
                "  (down hit at %lld lines)\n",
                static_cast<long long>(view.GetSelection().GetAnchor().value_or(-1) - start));
        ClickLine(view, start + 2000);
        t = Clock::now();
        view.OnFindReplace(TailOf(doc, start + 1000), V::FR_FINDNEXT);
        ups.push_back(MsSince(t));
        if (view.GetSelection().GetAnchor() != start + 1000)
            std::printf("  (up hit at %lld lines)\n",
                        static_cast<long long>(start + 2000 -
                                               view.GetSelection().GetAnchor().value_or(-1)));
    }
    std::sort(downs.begin(), downs.end());
    std::sort(ups.begin(), ups.end());
    std::printf("%-44s min %9.2f  median %9.2f ms\n", "find a hit 1,000 lines down", downs.front(),
                downs[2]);
    std::printf("%-44s min %9.2f  median %9.2f ms\n", "find a hit 1,000 lines up, any case",
                ups.front(), ups[2]);

    Time("select all", 5, [&] { view.OnEditSelectAll(); });
    {
        // The click alone, after a Select All done outside the timing.
        std::vector<double> clicks;
        for (int i = 0; i < 5; ++i) {
            view.OnEditSelectAll();
            const Clock::time_point t = Clock::now();
            view.OnLButtonDown({}, QPoint(10, 100));
            view.OnLButtonUp(QPoint(10, 100));
            clicks.push_back(MsSince(t));
        }
        std::sort(clicks.begin(), clicks.end());
        std::printf("%-44s min %9.2f  median %9.2f ms\n", "click after select all", clicks.front(),
                    clicks[2]);
    }
    ClickLine(view, from);
    Time("key Down (caret moves, no scroll)", 30, [&] { view.OnKeyDown(Qt::Key_Down, {}); });
    Time("key Shift+Down", 30, [&] { view.OnKeyDown(Qt::Key_Down, Qt::ShiftModifier); });
    ClickLine(view, from);
    int y = 1;
    view.OnLButtonDown({}, QPoint(10, y));
    Time("drag step, one line further", 30, [&] {
        y += view.GetLineHeight();
        view.OnMouseMove(Qt::LeftButton, {}, QPoint(10, y % 1000));
    });
    view.OnLButtonUp(QPoint(10, y % 1000));

    ClickLine(view, from);
    ClickLine(view, from + 99999, Qt::ShiftModifier);
    Time("copy 100,000 lines", 5, [&] { view.OnEditCopy(); });
    std::printf("  %lld KiB of text\n",
                static_cast<long long>(
                    QGuiApplication::clipboard()->mimeData()->data("text/plain").size() / 1024));

    view.OnEditSelectAll();
    QGuiApplication::clipboard()->clear();
    const std::uint64_t before = StatusMiB("VmRSS:");
    ResetPeakRss();
    Time("copy every line", 1, [&] { view.OnEditCopy(); });
    std::printf("  %lld MiB of text\n",
                static_cast<long long>(
                    QGuiApplication::clipboard()->mimeData()->data("text/plain").size() / 1048576));
    std::printf("copy every line: RSS before %llu MiB, peak %llu MiB, after %llu MiB\n",
                static_cast<unsigned long long>(before),
                static_cast<unsigned long long>(StatusMiB("VmHWM:")),
                static_cast<unsigned long long>(StatusMiB("VmRSS:")));
    const Clock::time_point paste = Clock::now();
    const qsizetype pasted = QGuiApplication::clipboard()->text().size();
    std::printf(
        "reading it back as text (a paste in this program): %.0f ms, %lld characters, peak %llu "
        "MiB\n",
        MsSince(paste), static_cast<long long>(pasted),
        static_cast<unsigned long long>(StatusMiB("VmHWM:")));
    return 0;
}
