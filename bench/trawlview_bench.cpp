// trawlview_bench LOG WORD [FILTER_FILE...]
//
// Times the document on a real file without any display: the load (read, cut, first
// rebuild), rebuilds under no filter, one include-string filter and one include-interval
// filter, and the headless export of the trawlview program as a separate process; then,
// for each filter file given, a rebuild and an export under its filters (long lists).
// Prints figures only; what counts as fast enough is for whoever reads them.
//
// The trawlview program is looked up as $TRAWLVIEW, else as ../trawlview beside this
// executable (the build tree's layout); without it the export row is left out.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "CFilterMatcher.h"
#include "CTrawlviewDoc.h"
#include "FilterFileReader.h"
#include "FilterList.h"
#include "IDocumentHost.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A value from /proc/self/status in kB ("VmHWM", "VmRSS"); 0 when unavailable.
std::uint64_t StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t keyLen = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, keyLen, key) == 0 && line.size() > keyLen && line[keyLen] == ':') {
            return std::strtoull(line.c_str() + keyLen + 1, nullptr, 10);
        }
    }
    return 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Row {
    std::string what;
    double seconds;
    std::string note;
};

std::string MiBPerSecond(std::uint64_t bytes, double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f MiB/s",
                  seconds > 0 ? static_cast<double>(bytes) / 1048576.0 / seconds : 0.0);
    return text;
}

std::string Lines(LineIndex n) {
    return std::to_string(n) + " lines";
}

std::string Dir(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string FindTrawlview() {
    if (const char* env = std::getenv("TRAWLVIEW"); env != nullptr && *env != '\0') return env;
    std::vector<char> self(4096);
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (n <= 0) return {};
    const std::string candidate =
        Dir(Dir(std::string(self.data(), static_cast<std::size_t>(n)))) + "/trawlview";
    return access(candidate.c_str(), X_OK) == 0 ? candidate : std::string();
}

// Runs the program and waits; wall time, the child's peak RSS in kB, and whether it
// exited with status 0.
struct ChildRun {
    double seconds = 0;
    long maxRssKb = 0;
    bool ok = false;
};

ChildRun RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) return run;
    }
    run.seconds = SecondsSince(start);
    run.maxRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Lines in a file written by the export: each ends in CR LF.
std::uint64_t CountCrLf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t count = 0;
    char last = '\0';
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < got; ++i) {
            if (block[i] == '\n' && (i > 0 ? block[i - 1] : last) == '\r') ++count;
        }
        if (got > 0) last = block[got - 1];
    }
    return count;
}

// The export under a filter file, median of 3 runs; seconds -1 when a run failed.
Row TimeExport(const std::string& trawlview, const std::string& filterFile, const std::string& log,
               const std::string& out, const std::string& what, LineIndex& written) {
    std::vector<double> times;
    ChildRun last;
    for (int i = 0; i < 3; ++i) {
        last = RunChild({trawlview, "--export", out, "--filters", filterFile, log});
        if (!last.ok) return {what, -1.0, "failed"};
        times.push_back(last.seconds);
    }
    written = static_cast<LineIndex>(CountCrLf(out));
    return {what, Median(times),
            "peak RSS " + std::to_string(last.maxRssKb / 1024) + " MiB, " +
                std::to_string(written) + " lines written"};
}

bool WarmPageCache(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> block(std::size_t{4} << 20);
    ssize_t n = 0;
    while ((n = read(fd, block.data(), block.size())) > 0 || (n < 0 && errno == EINTR)) {
    }
    close(fd);
    return n == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: trawlview_bench LOG WORD [FILTER_FILE...]\n");
        return 2;
    }
    const std::vector<std::string> filterFiles(argv + 3, argv + argc);
    const std::string log = argv[1];
    const std::string word = argv[2];
    constexpr int kRuns = 5;
    // One calendar year inside the generated logs' span, in the process's default
    // formats (month/day/year, "/" and ":").
    const std::string interval = "01/01/2004 00:00:00 to 12/31/2004 23:59:59";

    // Every figure is for a file already in the page cache; reading it once here keeps
    // the first load from also timing the disk (or the write-back of a fresh file).
    if (!WarmPageCache(log)) {
        std::fprintf(stderr, "trawlview_bench: cannot read %s\n", log.c_str());
        return 1;
    }

    // The export as a user runs it: a fresh process that streams, filters and writes. It
    // runs before this process holds the log, because a child started from a large
    // process is charged that process's peak memory.
    std::optional<Row> exportRow;
    LineIndex exportWritten = -1;
    const std::string trawlview = FindTrawlview();
    std::string exportNote;
    if (trawlview.empty()) {
        exportNote = "skipped: no trawlview program (set TRAWLVIEW)";
    } else {
        const std::string filterFile = log + ".bench.lff";
        const std::string out = log + ".bench-export.out";
        {
            std::ofstream f(filterFile, std::ios::binary | std::ios::trunc);
            f << "I" << word << "\n";
        }
        Row row = TimeExport(trawlview, filterFile, log, out,
                             "export, trawlview --export (median of 3)", exportWritten);
        if (row.seconds < 0) {
            exportNote = "failed: " + trawlview + " did not exit with 0";
        } else {
            exportRow = row;
        }
        std::remove(out.c_str());
        std::remove(filterFile.c_str());
    }
    // The export under each given filter file, median of 3.
    std::vector<Row> listExports;
    for (const std::string& file : filterFiles) {
        if (trawlview.empty()) break;
        const std::string out = log + ".bench-export.out";
        LineIndex written = -1;
        listExports.push_back(TimeExport(
            trawlview, file, log, out,
            "export, --filters " + file.substr(file.find_last_of('/') + 1) + " (median of 3)",
            written));
        std::remove(out.c_str());
    }

    BenchHost host("trawlview_bench");
    CTrawlviewDoc doc(host, nullptr);
    std::vector<Row> rows;

    const std::uint64_t rssBeforeKb = StatusKb("VmRSS");
    Clock::time_point start = Clock::now();
    if (!doc.LoadLogFile(log)) return 1;
    const double loadSeconds = SecondsSince(start);
    const std::uint64_t fileSize = doc.GetFileSize().value();
    const LineIndex allLines = doc.GetLineCount();
    const std::uint64_t rssAfterKb = StatusKb("VmRSS");
    const std::uint64_t peakKb = StatusKb("VmHWM");
    rows.push_back({"load (read + cut + rebuild), first", loadSeconds,
                    MiBPerSecond(fileSize, loadSeconds) + ", " + Lines(allLines)});

    // A second load reuses the buffer's pages; the difference to the first is the cost
    // of taking fresh memory from the system.
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        start = Clock::now();
        doc.LoadLogFile(log);
        times.push_back(SecondsSince(start));
    }
    rows.push_back(
        {"load again (median of 3)", Median(times), MiBPerSecond(fileSize, Median(times))});

    // The note gives the median CPU time as well: on a machine shared with other work it
    // shows what a rebuild costs apart from waiting for a core.
    auto rebuilds = [&](const char* what) {
        times.clear();
        std::vector<double> cpu;
        for (int i = 0; i < kRuns; ++i) {
            const double cpuStart = ThreadCpuSeconds();
            start = Clock::now();
            doc.RebuildDisplay();
            times.push_back(SecondsSince(start));
            cpu.push_back(ThreadCpuSeconds() - cpuStart);
        }
        char cpuNote[32];
        std::snprintf(cpuNote, sizeof cpuNote, ", cpu %.3f s", Median(cpu));
        rows.push_back(
            {what, Median(times),
             MiBPerSecond(fileSize, Median(times)) + ", " + Lines(doc.GetLineCount()) + cpuNote});
    };

    host.SetFilters({});
    rebuilds("rebuild, no filter (median of 5)");

    FilterList stringFilter;
    stringFilter.Append(word, FilterKind::IncludeString);
    host.SetFilters(std::move(stringFilter));
    rebuilds(("rebuild, include \"" + word + "\" (median of 5)").c_str());
    const LineIndex wordLines = doc.GetLineCount();

    FilterList intervalFilter;
    intervalFilter.Append(interval, FilterKind::IncludeInterval);
    host.SetFilters(std::move(intervalFilter));
    rebuilds("rebuild, include interval 2004 (median of 5)");

    for (const std::string& file : filterFiles) {
        FilterList list;
        std::string error;
        if (FilterFileReader::Read(file, list, error) != FilterFileReader::Result::Ok) {
            std::fprintf(stderr, "trawlview_bench: %s: %s\n", file.c_str(), error.c_str());
            return 1;
        }
        host.SetFilters(std::move(list));
        times.clear();
        for (int i = 0; i < 3; ++i) {
            start = Clock::now();
            doc.RebuildDisplay();
            times.push_back(SecondsSince(start));
        }
        rows.push_back({"rebuild, " + file.substr(file.find_last_of('/') + 1) + " (median of 3)",
                        Median(times),
                        MiBPerSecond(fileSize, Median(times)) + ", " + Lines(doc.GetLineCount())});
    }

    host.SetFilters({});
    doc.DeleteContents();
    if (exportRow) {
        if (exportWritten != wordLines)
            exportRow->note += " (in-process filter kept " + Lines(wordLines) + ")";
        rows.push_back(*exportRow);
    }
    rows.insert(rows.end(), listExports.begin(), listExports.end());

    std::printf("file: %s, %llu bytes\n\n", log.c_str(), static_cast<unsigned long long>(fileSize));
    std::printf("%-46s %10s  %s\n", "step", "seconds", "");
    for (const Row& r : rows)
        std::printf("%-46s %10.3f  %s\n", r.what.c_str(), r.seconds, r.note.c_str());
    if (!exportNote.empty()) std::printf("%-46s %10s  %s\n", "export", "-", exportNote.c_str());

    const double rssMiB = static_cast<double>(rssAfterKb) / 1024.0;
    const double overheadBytes =
        static_cast<double>(rssAfterKb - std::min(rssAfterKb, rssBeforeKb)) * 1024.0 -
        static_cast<double>(fileSize);
    std::printf("\n%-46s %10.0f MiB\n", "peak RSS after the first load (VmHWM)",
                static_cast<double>(peakKb) / 1024.0);
    std::printf("%-46s %10.0f MiB\n", "RSS after the first load (VmRSS)", rssMiB);
    std::printf("%-46s %10lld\n", "lines (displayed, no filter)", static_cast<long long>(allLines));
    if (allLines > 0) {
        std::printf("%-46s %10.1f\n", "document overhead, bytes per line",
                    overheadBytes / static_cast<double>(allLines));
        std::printf("%-46s %10.1f\n", "mean line length, bytes",
                    static_cast<double>(fileSize) / static_cast<double>(allLines));
    }
    return 0;
}
