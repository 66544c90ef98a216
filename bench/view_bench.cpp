// view_bench LOG [WORD]
//
// Times the document with the view's real text measurer and the view's painting, on the
// offscreen platform: the load with its first rebuild (the view attached, as in the
// program), rebuilds with no filter, one include-string filter for WORD (default
// "checksum") and one include interval, and painting a full window 1,080 pixels high at
// the top, the middle and the end of the log and at positions a thumb drag could reach.
// Prints figures only; what counts as fast enough is for whoever reads them.
//
// A log to run it on: bench/gen_log 1073741824 1 bench-1g.log

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "CFilterMatcher.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "IDocumentHost.h"
#include "LocaleFormats.h"
#include "LogFilter.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}


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
        if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) / 1024;
    }
    return 0;
}

// Paints the whole viewport into an image, as a paint event after a scroll would.
double PaintOnce(CTrawlviewView& view, QImage& image) {
    const Clock::time_point start = Clock::now();
    view.viewport()->render(&image);
    return MsSince(start);
}

Stats PaintAt(CTrawlviewView& view, QImage& image, std::int64_t y, int runs) {
    view.ScrollToPosition({0, y});
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(PaintOnce(view, image));
    return Summarise(times);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: view_bench LOG [WORD]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string word = argc > 2 ? argv[2] : "checksum";
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    SetLocaleFormats(MakeLocaleFormats(LocaleValues{}, LocaleValues{}));

    BenchHost host("view_bench");
    const CQtTextMeasurer measurer;
    CTrawlviewDoc doc(host, &measurer);
    CTrawlviewView view(doc, measurer);
    host.onLinesChanged = [&view] { view.OnUpdate(); };
    view.resize(1920, 1080);
    view.show();
    view.OnInitialUpdate();

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
    std::printf("log %s: %.1f MiB, %lld lines displayed, widest line %lld (%lld px)\n", path.c_str(),
                static_cast<double>(doc.GetFileSize()) / 1048576.0, static_cast<long long>(lines),
                static_cast<long long>(doc.GetWidestLine()), static_cast<long long>(view.GetTotalWidth()));
    std::printf("font %s, line height %d px, max byte advance %lld px\n",
                measurer.Font(false).family().toUtf8().constData(), measurer.LineHeight(),
                static_cast<long long>(measurer.MaxByteAdvance()));
    Print("load + first rebuild", Summarise(loads), "ms", "(first run: cold buffer)");

    // Rebuilds under one filter of this kind and text (none for an empty text).
    const auto rebuilds = [&](const std::string& what, FilterKind kind, const std::string& text) {
        FilterList filters;
        if (!text.empty()) AppendFilter(filters, text, kind);
        host.SetFilters(std::move(filters));
        std::vector<double> times;
        for (int i = 0; i < kRebuilds; ++i) {
            const Clock::time_point start = Clock::now();
            doc.RebuildDisplay();
            times.push_back(MsSince(start));
        }
        Print(what.c_str(), Summarise(times), "ms", std::to_string(doc.GetLineCount()) + " lines");
    };
    rebuilds("rebuild, no filter", FilterKind::IncludeString, {});
    rebuilds("rebuild, include \"" + word + "\"", FilterKind::IncludeString, word);
    // One calendar year inside the generated logs' span, month/day/year with "/" and ":".
    rebuilds("rebuild, include interval 2004", FilterKind::IncludeInterval,
             "01/01/2004 00:00:00 to 12/31/2004 23:59:59");
    host.SetFilters(nullptr);
    doc.RebuildDisplay();

    // A viewport exactly 1,080 pixels high, whatever the bars take.
    const int barHeight = view.HasScrollBar(CScrollView32::SB_HORZ) ? view.horizontalScrollBar()->sizeHint().height() : 0;
    view.resize(1920, 1080 + barHeight);
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    std::printf("window %dx%d pixels, %d lines visible\n", image.width(), image.height(),
                image.height() / std::max(1, view.GetLineHeight()));

    const std::int64_t limit = view.GetScrollLimit(CScrollView32::SB_VERT);
    PaintOnce(view, image);  // glyph caches
    Print("paint, top", PaintAt(view, image, 0, kPaints), "ms");
    Print("paint, middle", PaintAt(view, image, limit / 2, kPaints), "ms");
    Print("paint, end", PaintAt(view, image, limit, kPaints), "ms");

    // Thumb drags: the bar reports positions, the view scrolls there and paints.
    QScrollBar* bar = view.verticalScrollBar();
    std::vector<double> drags;
    bar->setSliderDown(true);
    for (int k = 1; k <= kPaints; ++k) {
        const Clock::time_point start = Clock::now();
        bar->setSliderPosition(static_cast<int>(static_cast<long long>(bar->maximum()) * k / (kPaints + 1)));
        view.viewport()->render(&image);
        drags.push_back(MsSince(start));
    }
    bar->setSliderDown(false);
    Print("thumb drag + paint, 30 positions", Summarise(drags), "ms");
    std::printf("peak RSS %llu MiB\n", static_cast<unsigned long long>(PeakRssMiB()));
    return 0;
}
