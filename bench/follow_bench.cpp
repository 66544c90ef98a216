// follow_bench LOG [SECONDS] [LINES_PER_SECOND]
//
// Times Follow in the real main window on the offscreen platform, on a copy of LOG
// (LOG.follow beside it, made afresh each run and removed at the end):
//
//  1. 1,000 lines appended in one write, five times: how long until they are painted
//     (from the write, with the file system's notice, the coalescing wait, the read, the
//     cut, the filters and the paint), and how much CPU time the window's thread spent
//     meanwhile.
//  2. A writer thread appending LINES_PER_SECOND lines (default 10,000) for SECONDS
//     (default 60) in writes every 10 ms, while the window follows at the end for the
//     first half and is scrolled by a line every 20 ms, away from the end, for the
//     second: the worst pause of the event loop (how late a 10 ms timer came), the
//     looks taken, and the growth of resident memory next to the bytes appended.
//
// Prints figures only; what counts as fast enough is for whoever reads them.
// A log to run it on: bench/gen_log 1073741824 1 bench-1g.log

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "CLogFollower.h"
#include "CMainFrame.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "LocaleFormats.h"

namespace {

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::uint64_t RssMiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtoull(line.c_str() + std::strlen(field), nullptr, 10) / 1024;
    }
    return 0;
}

// Lines in the shape of the generated logs, numbered from `from`.
std::string Lines(std::uint64_t from, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += "G 12/31/2003 23:59:59 - follow bench line ";
        bytes += std::to_string(from + static_cast<std::uint64_t>(i));
        bytes += " appended while the window follows the log\r\n";
    }
    return bytes;
}

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s LOG [SECONDS] [LINES_PER_SECOND]\n", argv[0]);
        return 2;
    }
    // Offscreen unless a platform is given (under Xvfb: QT_QPA_PLATFORM=xcb).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string source = argv[1];
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const int rate = argc > 3 ? std::atoi(argv[3]) : 10000;
    const std::string log = source + ".follow";
    // Settings go to a folder of the bench's own, never the user's.
    const std::string settings = log + ".settings";
    std::filesystem::create_directories(settings);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settings));
    std::filesystem::copy_file(source, log, std::filesystem::copy_options::overwrite_existing);
    LoadLocaleFormats();

    CMainFrame frame;
    frame.resize(1920, 1080);
    frame.show();
    auto start = Clock::now();
    frame.OpenLogFile(log);
    std::printf("load with its first rebuild: %.0f ms, %lld lines, resident %llu MiB\n",
                MsSince(start), static_cast<long long>(frame.GetDocument().GetLineCount()),
                static_cast<unsigned long long>(RssMiB("VmRSS:")));
    const auto idle = [&start](const char* what) {
        // What the window's thread spends with nothing appended, for comparison.
        const double cpu0 = ThreadCpuMs();
        start = Clock::now();
        while (MsSince(start) < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("idle %s: window thread CPU %.1f ms in 1 s\n", what, ThreadCpuMs() - cpu0);
    };
    idle("after the load");
    idle("again");
    frame.SetFollow(true);
    QCoreApplication::processEvents();

    CTrawlviewView& view = frame.GetView();
    Clock::time_point lastPaint;
    struct PaintWatch : QObject {
        Clock::time_point* when;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) *when = Clock::now();
            return false;
        }
    } watch;
    watch.when = &lastPaint;
    view.viewport()->installEventFilter(&watch);

    std::uint64_t next = 0;
    idle("following");
    std::printf("\n1,000 lines appended in one write (from the write to the painted lines)\n");
    for (int run = 0; run < 5; ++run) {
        const LineIndex expected = frame.GetDocument().GetLineCount() + 1000;
        const std::string bytes = Lines(next, 1000);
        next += 1000;
        QCoreApplication::processEvents();
        const double cpu0 = ThreadCpuMs();
        start = Clock::now();
        Append(log, bytes);
        const Clock::time_point written = Clock::now();
        // Until the lines are in and a paint came after them.
        while (frame.GetDocument().GetLineCount() < expected || lastPaint < written) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        std::printf(
            "  run %d: on screen after %6.1f ms, window thread CPU %5.1f ms, at the end: %s\n",
            run + 1, MsSince(start), ThreadCpuMs() - cpu0, view.IsAtEnd() ? "yes" : "no");
    }

    std::printf(
        "\nthe same, the window's work alone: the look (read, cut, filters, view update), the "
        "paint\n");
    for (int run = 0; run < 5; ++run) {
        Append(log, Lines(next, 1000));
        next += 1000;
        double cpu = ThreadCpuMs();
        start = Clock::now();
        frame.OnFollowLook();
        const double lookWall = MsSince(start);
        const double lookCpu = ThreadCpuMs() - cpu;
        cpu = ThreadCpuMs();
        start = Clock::now();
        view.viewport()->repaint();
        const double paintWall = MsSince(start);
        const double paintCpu = ThreadCpuMs() - cpu;
        cpu = ThreadCpuMs();
        start = Clock::now();
        frame.repaint();
        std::printf(
            "  run %d: look %5.1f ms (CPU %5.1f ms), view paint %5.1f ms (CPU %5.1f ms), whole "
            "window paint "
            "%5.1f ms (CPU %5.1f ms)\n",
            run + 1, lookWall, lookCpu, paintWall, paintCpu, MsSince(start), ThreadCpuMs() - cpu);
    }

    std::printf("\nwriter: %d lines/s for %d s, writes every 10 ms\n", rate, seconds);
    const std::uint64_t rss0 = RssMiB("VmRSS:");
    const std::uint64_t size0 = frame.GetDocument().GetFileSize().value();
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> written{0};
    std::thread writer([&] {
        const int perWrite = std::max(1, rate / 100);
        auto due = Clock::now();
        std::ofstream out(log, std::ios::binary | std::ios::app);
        std::uint64_t n = next;
        while (!stop) {
            const std::string bytes = Lines(n, perWrite);
            n += static_cast<std::uint64_t>(perWrite);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.flush();
            written += bytes.size();
            due += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(due);
        }
    });

    int looks = 0;
    QObject::connect(&frame.GetFollower(), &CLogFollower::Look, [&looks] { ++looks; });
    double worstLate = 0;
    double worstLateScrolling = 0;
    std::vector<double> lates;
    auto previous = Clock::now();
    const auto phaseStart = Clock::now();
    bool scrolling = false;
    QTimer tick;
    tick.setInterval(10);
    // The window thread's own CPU time in each gap tells its work from time the machine
    // gave to other processes.
    double previousCpu = ThreadCpuMs();
    double worstGapCpu = 0;
    double cpuOfWorstGap = 0;
    double worstSeen = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double late = MsSince(previous) - 10;
        previous = Clock::now();
        const double cpuNow = ThreadCpuMs();
        const double gapCpu = cpuNow - previousCpu;
        previousCpu = cpuNow;
        worstGapCpu = std::max(worstGapCpu, gapCpu);
        if (late > worstSeen) {
            worstSeen = late;
            cpuOfWorstGap = gapCpu;
        }
        (scrolling ? worstLateScrolling : worstLate) =
            std::max(scrolling ? worstLateScrolling : worstLate, late);
        lates.push_back(late);
    });
    QTimer scroll;
    scroll.setInterval(20);
    int direction = 1;
    QObject::connect(&scroll, &QTimer::timeout, [&] {
        if (!scrolling) return;
        view.OnScroll(CScrollView32::SB_VERT,
                      direction > 0 ? CScrollView32::SB_LINEDOWN : CScrollView32::SB_LINEUP);
        direction = -direction;
    });
    tick.start();
    scroll.start();
    const double cpu0 = ThreadCpuMs();
    QTimer::singleShot(seconds * 500, [&] {
        scrolling = true;
        // Away from the end, by a page.
        view.OnScroll(CScrollView32::SB_VERT, CScrollView32::SB_PAGEUP);
    });
    QTimer::singleShot(seconds * 1000, [&] { QCoreApplication::exit(0); });
    QApplication::exec();
    stop = true;
    writer.join();
    const double phaseMs = MsSince(phaseStart);
    const double cpu = ThreadCpuMs() - cpu0;
    // Whatever is still waiting is taken in before the memory is read.
    for (int i = 0; i < 100 && frame.GetDocument().GetFileSize().value() < size0 + written; ++i) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    std::sort(lates.begin(), lates.end());
    const std::uint64_t rss1 = RssMiB("VmRSS:");
    const double appendedMiB =
        static_cast<double>(frame.GetDocument().GetFileSize().value() - size0) / (1 << 20);
    std::printf("  looks taken:        %d in %.1f s (%.1f a second)\n", looks, phaseMs / 1000,
                looks * 1000.0 / phaseMs);
    std::printf("  window thread CPU:  %.0f ms (%.1f%% of the time)\n", cpu, 100 * cpu / phaseMs);
    std::printf(
        "  10 ms timer late:   median %.1f ms, 99th percentile %.1f ms, worst %.1f ms at the end, "
        "%.1f ms "
        "while scrolling away from it\n",
        lates[lates.size() / 2], lates[lates.size() * 99 / 100], worstLate, worstLateScrolling);
    std::printf(
        "  window thread CPU in one gap: at most %.1f ms; in the worst gap %.1f ms (the rest of it "
        "the "
        "machine ran other processes)\n",
        worstGapCpu, cpuOfWorstGap);
    std::printf("  lines:              %lld, the view %s\n",
                static_cast<long long>(frame.GetDocument().GetLineCount()),
                view.IsAtEnd() ? "at the end" : "where it was scrolled to");
    std::printf(
        "  resident memory:    %llu -> %llu MiB (+%llu MiB) for %.1f MiB appended; peak %llu MiB\n",
        static_cast<unsigned long long>(rss0), static_cast<unsigned long long>(rss1),
        static_cast<unsigned long long>(rss1 - rss0), appendedMiB,
        static_cast<unsigned long long>(RssMiB("VmHWM:")));
    frame.SetFollow(false);
    std::filesystem::remove(log);
    std::filesystem::remove_all(settings);
    return 0;
}
