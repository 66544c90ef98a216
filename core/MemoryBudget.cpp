#include "MemoryBudget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();
// Kept free for the rest of the program (the window, its fonts, the next paint).
constexpr std::uint64_t kSpare = std::uint64_t{32} << 20;

// The value of a "Name:   1234 kB" line of /proc/meminfo, in bytes.
std::uint64_t MemInfoBytes(const std::string& text, const char* name) {
    const std::size_t at = text.find(name);
    if (at == std::string::npos) return 0;
    return std::strtoull(text.c_str() + at + std::strlen(name), nullptr, 10) * 1024;
}

std::uint64_t MachineAvailable() {
    std::ifstream in("/proc/meminfo");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    if (text.find("MemAvailable:") == std::string::npos) return kUnlimited;
    return MemInfoBytes(text, "MemAvailable:") + MemInfoBytes(text, "SwapFree:");
}

// What a control group (version 2) memory limit leaves, or kUnlimited.
std::uint64_t GroupAvailable() {
    std::ifstream cgroup("/proc/self/cgroup");
    std::string line;
    while (std::getline(cgroup, line)) {
        if (line.rfind("0::", 0) != 0) continue;
        const std::string dir = "/sys/fs/cgroup" + line.substr(3);
        std::ifstream maxFile(dir + "/memory.max");
        std::ifstream currentFile(dir + "/memory.current");
        std::string max;
        std::uint64_t current = 0;
        if (!(maxFile >> max) || max == "max" || !(currentFile >> current)) return kUnlimited;
        const std::uint64_t limit = std::strtoull(max.c_str(), nullptr, 10);
        return limit > current ? limit - current : 0;
    }
    return kUnlimited;
}

// What a resource limit leaves when used pages of the given field of /proc/self/statm
// (0: the whole address space, 5: data and stack) count against it.
std::uint64_t LimitAvailable(int resource, int statmField) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnlimited;
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    for (int i = 0; i <= statmField && statm >> pages; ++i) {
    }
    const std::uint64_t used = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const auto cap = static_cast<std::uint64_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

}  // namespace

std::uint64_t AvailableMemory() {
    return std::min({MachineAvailable(), GroupAvailable(), LimitAvailable(RLIMIT_AS, 0),
                     LimitAvailable(RLIMIT_DATA, 5)});
}

bool MemoryFits(std::uint64_t bytes) {
    const std::uint64_t available = AvailableMemory();
    return available >= kSpare && bytes <= available - kSpare;
}
