// view_bench LOG [WORD]
// view_bench --long DIR [CASE]
//
// Times the document with the view's real text measurer and the view's painting, on the
// offscreen platform: the load with its first rebuild (the view attached, as in the
// program), rebuilds with no filter, one include-string filter for WORD (default
// "checksum") and one include interval, and painting a full window 1,080 pixels high at
// the top, the middle and the end of the log and at positions a thumb drag could reach.
// Prints figures only; what counts as fast enough is for whoever reads them.
//
// A log to run it on: bench/gen_log 1073741824 1 bench-1g.log
//
// With --long it paints logs of very long lines instead, which it writes into DIR once:
// 80 lines of 3 MiB of UTF-8 text each, and one line of 1 GiB, in ASCII and in UTF-8.
// For each it times the load, the first paint at a horizontal position (which lays out
// the lines coming into view and walks them once up to that position) and repaints
// there, at the start, the middle and the end of the lines and at positions in between.
// CASE picks the cases whose name contains it ("3 MiB", "ASCII", "1 GiB, UTF-8").

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "BenchApp.h"
#include "BenchClock.h"
#include "BenchHost.h"
#include "BenchView.h"
#include "CFilterMatcher.h"
#include "CLineNumberGutter.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "FilterList.h"
#include "IDocumentHost.h"
#include "LocaleFormats.h"
#include "TextBytes.h"

namespace {

struct Stats {
    double min = 0;
    double median = 0;
    double max = 0;
};

Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

void Print(const char* what, const Stats& s, const char* unit, const std::string& note = {}) {
    std::printf("%-34s min %9.2f  median %9.2f  max %9.2f %s  %s\n", what, s.min, s.median, s.max,
                unit, note.c_str());
}

std::uint64_t PeakRssMiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtoull(line.c_str() + 6, nullptr, 10) / 1024;
    }
    return 0;
}

// Paints the whole viewport into an image, as a paint event after a scroll would.
double PaintOnce(CTrawlviewView& view, QImage& image) {
    const Clock::time_point start = Clock::now();
    view.viewport()->render(&image);
    return MsSince(start);
}

// CPU time of this thread: on a machine shared with other work it shows what a paint
// costs apart from waiting for a core.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing PaintTimed(CTrawlviewView& view, QImage& image) {
    const double cpu = ThreadCpuMs();
    const double wall = PaintOnce(view, image);
    return {wall, ThreadCpuMs() - cpu};
}

// Paints n times: wall-clock figures, with the median CPU time in the note.
void PrintPaints(const char* what, CTrawlviewView& view, QImage& image, int n,
                 const std::string& note) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < n; ++i) {
        const Timing t = PaintTimed(view, image);
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    char cpuNote[48];
    std::snprintf(cpuNote, sizeof cpuNote, "cpu median %.2f ms ", Summarise(cpu).median);
    Print(what, Summarise(wall), "ms", cpuNote + note);
}

// Writes `lines` lines of `bytes` bytes each: a timestamp, then `words` repeated, each
// line cut at a character boundary and ended by CR LF. Kept when it exists.
bool EnsureLongLog(const std::string& path, int lines, std::uint64_t bytes,
                   const std::string& words) {
    if (std::filesystem::exists(path)) return true;
    std::ofstream out(path + ".part", std::ios::binary);
    std::string block;
    while (block.size() < (std::uint64_t{1} << 20)) block += words;
    for (int i = 0; i < lines; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "12/31/2003 10:%02d:%02d - ", (i / 60) % 60, i % 60);
        std::uint64_t left = bytes - std::strlen(stamp);
        out << stamp;
        while (left > 0) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            // Never end inside a UTF-8 character: the line would read as Windows-1252.
            while (n < block.size() && n > 0 &&
                   (static_cast<unsigned char>(block[n]) & 0xC0u) == 0x80u)
                --n;
            if (n == 0) break;
            out.write(block.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
        out << "\r\n";
    }
    out.close();
    if (!out) return false;
    std::filesystem::rename(path + ".part", path);
    return true;
}

int RunLongLines(const std::string& dir, const char* only) {
    std::filesystem::create_directories(dir);
    struct Case {
        const char* name;
        int lines;
        std::uint64_t bytes;
        std::string words;
    };
    const Case cases[] = {
        {"80 lines of 3 MiB, UTF-8", 80, std::uint64_t{3} << 20,
         "\xC3\xA9t\xC3\xA9 na\xC3\xAFve \xC3\x9C"
         "berpr\xC3\xBC"
         "fung \xE2\x80\x93 caf\xC3\xA9 queue flush "},
        {"1 line of 1 GiB, ASCII", 1, std::uint64_t{1} << 30,
         "queue flush completed service agent retry "},
        {"1 line of 1 GiB, UTF-8", 1, std::uint64_t{1} << 30,
         "\xC3\xA9t\xC3\xA9 na\xC3\xAFve \xE2\x80\x93 caf\xC3\xA9 queue flush "},
    };
    constexpr int kPaints = 30;
    for (const Case& c : cases) {
        if (only != nullptr && std::strstr(c.name, only) == nullptr) continue;
        const std::string path = dir + "/long-" + std::to_string(c.lines) + "x" +
                                 std::to_string(c.bytes) + (IsAscii(c.words) ? "-ascii" : "-utf8") +
                                 ".log";
        if (!EnsureLongLog(path, c.lines, c.bytes, c.words)) {
            std::fprintf(stderr, "view_bench: cannot write %s\n", path.c_str());
            return 1;
        }
        BenchView window("view_bench");
        CTrawlviewDoc& doc = window.doc;
        CTrawlviewView& view = window.view;
        const Clock::time_point start = Clock::now();
        if (!doc.LoadLogFile(path)) return 1;
        const double load = MsSince(start);
        QImage image = window.FullHeightImage();
        std::printf("\n%s: %lld lines, content %lld px wide; load + first rebuild %.0f ms\n",
                    c.name, static_cast<long long>(doc.GetLineCount()),
                    static_cast<long long>(view.GetTotalWidth()), load);
        const std::int64_t limit = view.GetScrollLimit(CScrollView32::SB_HORZ);
        const std::int64_t positions[] = {0, limit / 3, limit / 2, limit, limit / 7, 2 * limit / 3};
        const char* names[] = {"start",
                               "a third",
                               "middle",
                               "end",
                               "a seventh (walked before)",
                               "two thirds (walked)"};
        for (std::size_t k = 0; k < std::size(positions); ++k) {
            view.ScrollToPosition({positions[k], 0});
            const Timing first = PaintTimed(view, image);
            char what[96];
            std::snprintf(what, sizeof what, "paint at %s", names[k]);
            char note[80];
            std::snprintf(note, sizeof note, "(first paint there %.1f ms, cpu %.1f ms)", first.wall,
                          first.cpu);
            PrintPaints(what, view, image, kPaints, note);
        }
        // Marks of a text every line holds every few dozen characters.
        view.OnFindReplace("flush", CTrawlviewView::FR_DOWN);
        for (const std::size_t k : {std::size_t{0}, std::size_t{2}, std::size_t{3}}) {
            view.ScrollToPosition({positions[k], 0});
            char what[96];
            std::snprintf(what, sizeof what, "paint at %s, marks \"flush\"", names[k]);
            PrintPaints(what, view, image, kPaints, {});
        }
        view.OnFindReplace({}, CTrawlviewView::FR_DOWN);
        if (doc.GetLineCount() > 1) {
            // One line down at the far right brings one new line, walked to that point.
            view.ScrollToPosition({limit, 0});
            PaintOnce(view, image);
            std::vector<double> steps, cpu;
            for (int i = 0;
                 i < 10 && view.OnScroll(CScrollView32::SB_VERT, CScrollView32::SB_LINEDOWN); ++i) {
                const Timing t = PaintTimed(view, image);
                steps.push_back(t.wall);
                cpu.push_back(t.cpu);
            }
            char cpuNote[48];
            std::snprintf(cpuNote, sizeof cpuNote, "cpu median %.2f ms", Summarise(cpu).median);
            if (!steps.empty())
                Print("line down at the end + paint", Summarise(steps), "ms", cpuNote);
        }
        window.host.onLinesChanged = nullptr;
    }
    std::printf("peak RSS %llu MiB\n", static_cast<unsigned long long>(PeakRssMiB()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "--long") == 0 && argc < 3)) {
        std::fprintf(stderr, "usage: view_bench LOG [WORD]\n       view_bench --long DIR [CASE]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string word = argc > 2 ? argv[2] : "checksum";
    const BenchApp app(argv);
    if (std::strcmp(argv[1], "--long") == 0)
        return RunLongLines(argv[2], argc > 3 ? argv[3] : nullptr);

    BenchView bench("view_bench");
    BenchHost& host = bench.host;
    const CQtTextMeasurer& measurer = bench.measurer;
    CTrawlviewDoc& doc = bench.doc;
    CTrawlviewView& view = bench.view;

    constexpr int kLoads = 3;
    constexpr int kRebuilds = 5;
    constexpr int kPaints = 30;

    std::vector<double> loads;
    for (int i = 0; i < kLoads; ++i) {
        const Clock::time_point start = Clock::now();
        if (!doc.LoadLogFile(path)) return 1;
        loads.push_back(MsSince(start));
    }
    const LineIndex lines = doc.GetLineCount();
    std::printf("log %s: %.1f MiB, %lld lines displayed, widest line %lld (%lld px)\n",
                path.c_str(), static_cast<double>(doc.GetFileSize().value()) / 1048576.0,
                static_cast<long long>(lines),
                static_cast<long long>(doc.GetWidestLine().value_or(-1)),
                static_cast<long long>(view.GetTotalWidth()));
    std::printf("font %s, line height %d px, max byte advance %lld px\n",
                measurer.Font(false).family().toUtf8().constData(), measurer.LineHeight(),
                static_cast<long long>(measurer.MaxByteAdvance()));
    Print("load + first rebuild", Summarise(loads), "ms", "(first run: cold buffer)");

    // Rebuilds under one filter of this kind and text (none for an empty text).
    const auto rebuilds = [&](const std::string& what, FilterKind kind, const std::string& text) {
        FilterList filters;
        if (!text.empty()) filters.Append(text, kind);
        host.SetFilters(std::move(filters));
        std::vector<double> times, cpu;
        for (int i = 0; i < kRebuilds; ++i) {
            const double cpuStart = ThreadCpuMs();
            const Clock::time_point start = Clock::now();
            doc.RebuildDisplay();
            times.push_back(MsSince(start));
            cpu.push_back(ThreadCpuMs() - cpuStart);
        }
        char cpuNote[48];
        std::snprintf(cpuNote, sizeof cpuNote, "cpu median %.2f ms ", Summarise(cpu).median);
        Print(what.c_str(), Summarise(times), "ms",
              cpuNote + std::to_string(doc.GetLineCount()) + " lines");
    };
    rebuilds("rebuild, no filter", FilterKind::IncludeString, {});
    rebuilds("rebuild, include \"" + word + "\"", FilterKind::IncludeString, word);
    // One calendar year inside the generated logs' span, month/day/year with "/" and ":".
    rebuilds("rebuild, include interval 2004", FilterKind::IncludeInterval,
             "01/01/2004 00:00:00 to 12/31/2004 23:59:59");
    host.SetFilters({});
    doc.RebuildDisplay();

    QImage image = bench.FullHeightImage();
    std::printf("window %dx%d pixels, %d lines visible\n", image.width(), image.height(),
                image.height() / std::max(1, view.GetLineHeight()));

    const std::int64_t limit = view.GetScrollLimit(CScrollView32::SB_VERT);
    PaintOnce(view, image);  // glyph caches
    const std::pair<const char*, std::int64_t> places[] = {
        {"paint, top", 0}, {"paint, middle", limit / 2}, {"paint, end", limit}};
    for (const auto& [what, y] : places) {
        view.ScrollToPosition({0, y});
        PrintPaints(what, view, image, kPaints, {});
    }
    // The same with every occurrence of a find text marked: the word, and a letter that
    // every line holds many times.
    for (const std::string& text : {word, std::string("e")}) {
        view.OnFindReplace(text, CTrawlviewView::FR_DOWN);
        for (const auto& [what, y] : places) {
            view.ScrollToPosition({0, y});
            PrintPaints((what + (", marks \"" + text + "\"")).c_str(), view, image, kPaints, {});
        }
    }
    view.OnFindReplace({}, CTrawlviewView::FR_DOWN);

    // With line numbers: the lines and their numbers' margin, painted together.
    view.SetLineNumbers(true);
    QWidget* gutter = view.findChild<CLineNumberGutter*>();
    QImage numbers(gutter->size(), QImage::Format_RGB32);
    for (const auto& [what, y] : places) {
        view.ScrollToPosition({0, y});
        std::vector<double> wall;
        for (int i = 0; i < kPaints; ++i) {
            const Clock::time_point start = Clock::now();
            view.viewport()->render(&image);
            gutter->render(&numbers);
            wall.push_back(MsSince(start));
        }
        Print((std::string(what) + ", line numbers").c_str(), Summarise(wall), "ms", {});
    }
    view.SetLineNumbers(false);

    // Thumb drags: the bar reports positions, the view scrolls there and paints.
    QScrollBar* bar = view.verticalScrollBar();
    std::vector<double> drags;
    bar->setSliderDown(true);
    for (int k = 1; k <= kPaints; ++k) {
        const Clock::time_point start = Clock::now();
        bar->setSliderPosition(
            static_cast<int>(static_cast<long long>(bar->maximum()) * k / (kPaints + 1)));
        view.viewport()->render(&image);
        drags.push_back(MsSince(start));
    }
    bar->setSliderDown(false);
    Print("thumb drag + paint, 30 positions", Summarise(drags), "ms");
    std::printf("peak RSS %llu MiB\n", static_cast<unsigned long long>(PeakRssMiB()));
    return 0;
}
