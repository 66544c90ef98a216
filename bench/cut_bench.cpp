// cut_bench [MIB]
//
// Times the line cutter alone over logs made in memory (MIB mebibytes each, default
// 256): many short lines and a few long ones, with CR LF and with LF line ends, cut with
// CR and CR LF as line ends and with a lone LF as a line end too. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CLineCutter.h"

namespace {

// A log of about `bytes` bytes of lines of about `lineBytes` bytes, each ended by `end`.
std::vector<char> MakeLog(std::size_t bytes, std::size_t lineBytes, const char* end) {
    static const char words[] = "queue flush completed service agent retry checksum disk ";
    std::vector<char> log;
    log.reserve(bytes + 1 + kScanPadding + lineBytes);
    std::uint64_t state = 5;
    while (log.size() < bytes) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const std::size_t length = lineBytes / 2 + (state >> 33) % lineBytes;
        const std::string stamp = "N 2003/12/31 10:00:00 - ";
        log.insert(log.end(), stamp.begin(), stamp.end());
        for (std::size_t k = 0; k < length; ++k)
            log.push_back(words[(k + (state >> 40)) % (sizeof words - 1)]);
        for (const char* p = end; *p != '\0'; ++p) log.push_back(*p);
    }
    const std::size_t size = log.size();
    log.resize(size + 1 + kScanPadding, '\0');
    log.resize(size);
    return log;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib =
        argc > 1 ? static_cast<std::size_t>(std::strtoull(argv[1], nullptr, 10)) : 256;
    struct Shape {
        const char* name;
        std::size_t lineBytes;
        const char* end;
    };
    const Shape shapes[] = {{"short lines, CR LF", 160, "\r\n"},
                            {"short lines, LF", 160, "\n"},
                            {"1 MiB lines, CR LF", std::size_t{1} << 20, "\r\n"}};
    for (const Shape& shape : shapes) {
        std::vector<char> log = MakeLog(mib << 20, shape.lineBytes, shape.end);
        const std::size_t size = log.size();
        log.reserve(size + 1 + kScanPadding);
        log.insert(log.end(), 1 + kScanPadding, '\0');
        for (const bool lf : {false, true}) {
#ifdef CUT_BENCH_CR_ONLY
            if (lf) continue;
            CLineCutter cutter;
#else
            CLineCutter cutter(lf);
#endif
            std::vector<double> times;
            std::uint64_t lines = 0;
            for (int run = 0; run < 7; ++run) {
                lines = 0;
                cutter.Reset();
                const auto start = std::chrono::steady_clock::now();
                cutter.Cut(log.data(), size, true, [&](std::uint64_t, std::uint64_t) { ++lines; });
                times.push_back(std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
            }
            std::sort(times.begin(), times.end());
            std::printf("%-20s %-22s %8.1f ms min %8.1f ms median  %.2f GB/s  %llu lines\n",
                        shape.name, lf ? "LF ends a line" : "CR, CR LF end a line", times.front(),
                        times[times.size() / 2], static_cast<double>(size) / times.front() / 1e6,
                        static_cast<unsigned long long>(lines));
        }
    }
    return 0;
}
