// pages_bench LOG [WORD] [PASSES]
//
// Times two ways of reading a log's bytes, on the same file: through the file's own
// pages (LogBuffer::Map, as the load does) and with pread in 16 MiB pieces into one
// reused buffer. Each way counts the lines (CLineCutter) and counts the lines holding
// WORD (default "checksum", CSubstringSearcher through CLineCutter::CutAround), PASSES
// times (default 5): the first pass on a fresh mapping or a fresh buffer, the others on
// the same one. Wall and CPU time of each pass; the page cache is left as the caller
// made it (warm after a cat of the file). Prints figures only.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "CLineCutter.h"
#include "CSubstringSearcher.h"
#include "LogBuffer.h"

namespace {

constexpr std::size_t kPieceBytes = std::size_t{16} << 20;

struct Times {
    double wall = 0;  // ms
    double cpu = 0;   // ms of this process, every thread
};

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

Times Measure(const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuMs();
    f();
    return {
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
        CpuMs() - cpu};
}

// What a pass counts; both ways must agree.
struct Counts {
    std::uint64_t lines = 0;
    std::uint64_t hits = 0;  // lines holding the word
};

// One pass over bytes that end with a NUL and kScanPadding readable bytes, as a whole
// mapping does or as one piece of the reads does (last: the end of data ends the file).
// Returns how many bytes at the end belong to a line not yet finished.
std::size_t CutBytes(CLineCutter& cutter, const CSubstringSearcher* searcher, const char* data,
                     std::size_t size, bool last, Counts& counts) {
    std::size_t used = 0;
    if (searcher == nullptr) {
        used = cutter.Cut(data, size, last, [&](std::uint64_t, std::uint64_t) { ++counts.lines; });
    } else {
        used = cutter.CutAround(data, size, last, *searcher,
                                [&](std::uint64_t, std::uint64_t) { ++counts.hits; });
    }
    return size - used;
}

// Reads the file through pread, 16 MiB at a time, into buffer (grown only for a line
// longer than a piece); the unfinished line at a piece's end moves to the front.
Counts ReadPass(int fd, const CSubstringSearcher* searcher, std::vector<char>& buffer) {
    Counts counts;
    CLineCutter cutter;
    std::size_t carry = 0;
    off_t offset = 0;
    for (;;) {
        if (buffer.size() < carry + kPieceBytes + 1 + kScanPadding)
            buffer.resize(carry + kPieceBytes + 1 + kScanPadding);
        std::size_t got = 0;
        while (got < kPieceBytes) {
            const ssize_t n = pread(fd, buffer.data() + carry + got, kPieceBytes - got, offset);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
            offset += n;
        }
        const bool last = got < kPieceBytes;
        const std::size_t size = carry + got;
        std::memset(buffer.data() + size, 0, 1 + kScanPadding);
        carry = CutBytes(cutter, searcher, buffer.data(), size, last, counts);
        if (last) return counts;
        std::memmove(buffer.data(), buffer.data() + size - carry, carry);
    }
}

Counts MapPass(const LogBuffer& mapped, const CSubstringSearcher* searcher) {
    Counts counts;
    CLineCutter cutter;
    CutBytes(cutter, searcher, mapped.Data(), static_cast<std::size_t>(mapped.Size()), true,
             counts);
    return counts;
}

void Report(const char* way, const char* what, const std::vector<Times>& passes,
            std::uint64_t bytes, std::uint64_t count) {
    std::vector<Times> repeated(passes.begin() + 1, passes.end());
    std::sort(repeated.begin(), repeated.end(),
              [](const Times& a, const Times& b) { return a.wall < b.wall; });
    const Times& first = passes.front();
    std::printf("%-6s %-22s first %8.1f ms (cpu %8.1f)", way, what, first.wall, first.cpu);
    if (!repeated.empty()) {
        const Times& median = repeated[repeated.size() / 2];
        std::printf("  repeated min %8.1f median %8.1f ms (cpu %8.1f)  %5.2f GB/s",
                    repeated.front().wall, median.wall, median.cpu,
                    static_cast<double>(bytes) / median.wall / 1e6);
    }
    std::printf("  %llu\n", static_cast<unsigned long long>(count));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pages_bench LOG [WORD] [PASSES]\n");
        return 2;
    }
    const std::string word = argc > 2 ? argv[2] : "checksum";
    const int passes = std::max(2, argc > 3 ? std::atoi(argv[3]) : 5);
    const int fd = open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::printf("log %s: %.1f MiB, %d passes each, word \"%s\"\n", argv[1],
                static_cast<double>(size) / 1048576.0, passes, word.c_str());

    const CSubstringSearcher searcher(word);
    Counts mapCounts;
    Counts readCounts;
    for (const CSubstringSearcher* s :
         {static_cast<const CSubstringSearcher*>(nullptr), &searcher}) {
        const char* what = s == nullptr ? "line ends" : "search";
        std::vector<Times> times;
        {
            LogBuffer mapped;
            Times setup;
            for (int k = 0; k < passes; ++k) {
                times.push_back(Measure([&] {
                    if (k == 0) {
                        setup = Measure([&] {
                            if (!mapped.Map(fd, size)) {
                                std::fprintf(stderr, "pages_bench: cannot map %s\n", argv[1]);
                                std::exit(1);
                            }
                        });
                    }
                    mapCounts = MapPass(mapped, s);
                }));
            }
            Report("map", what, times, size, s == nullptr ? mapCounts.lines : mapCounts.hits);
            std::printf("         (of the first pass, Map itself %.2f ms)\n", setup.wall);
        }
        times.clear();
        {
            std::vector<char> buffer;
            for (int k = 0; k < passes; ++k)
                times.push_back(Measure([&] { readCounts = ReadPass(fd, s, buffer); }));
            Report("pread", what, times, size, s == nullptr ? readCounts.lines : readCounts.hits);
        }
        const bool same =
            s == nullptr ? mapCounts.lines == readCounts.lines : mapCounts.hits == readCounts.hits;
        std::printf("         %s\n",
                    same ? "both ways count the same" : "the two ways count differently");
    }
    // Setting up every page table of a fresh mapping at once, as the load asks ahead of
    // its cutting.
    LogBuffer mapped;
    if (mapped.Map(fd, size)) {
        const Times t = Measure([&] { mapped.Prefetch(0, size); });
        std::printf("map    prefetch whole file    %8.1f ms (cpu %8.1f)\n", t.wall, t.cpu);
    }
    close(fd);
    return 0;
}
