#include "MemoryBudget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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

// A mountinfo field with its octal escapes ("\\040" for a blank) undone.
std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            text += static_cast<char>(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// Whether a comma-separated list holds item.
bool ListHas(std::string_view list, std::string_view item) {
    while (!list.empty()) {
        const std::size_t comma = std::min(list.find(','), list.size());
        if (list.substr(0, comma) == item) return true;
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    return false;
}

// The value of a one-number file, or kUnlimited when it is missing or says "max".
std::uint64_t ReadNumber(const std::string& path, bool& found) {
    std::ifstream in(path);
    std::string word;
    found = static_cast<bool>(in >> word);
    if (!found || word == "max") return kUnlimited;
    return std::strtoull(word.c_str(), nullptr, 10);
}

struct GroupMount {
    bool version2;
    std::string root;        // the group the mount shows at its top
    std::string mountPoint;  // where it is mounted
};

// The memory control group mounts of /proc/self/mountinfo: "ID PARENT DEV ROOT POINT
// OPTIONS [TAGS] - TYPE SOURCE SUPEROPTIONS".
std::vector<GroupMount> GroupMounts(const std::string& root) {
    std::vector<GroupMount> mounts;
    std::ifstream in(root + "/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string word; fields >> word;) f.push_back(word);
        const auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 5 || dash == f.end() || f.end() - dash < 4) continue;
        const std::string& type = dash[1];
        if (type == "cgroup2" || (type == "cgroup" && ListHas(dash[3], "memory"))) {
            mounts.push_back({type == "cgroup2", Unescape(f[3]), Unescape(f[4])});
        }
    }
    return mounts;
}

// The group's file cache that the kernel takes back before it fails an allocation: a
// log read through its own pages fills the cache up to the group's limit, and counting
// that as used would refuse the lines of a log the group can well hold.
std::uint64_t ReclaimableCache(const std::string& dir, bool version2) {
    std::ifstream in(dir + "/memory.stat");
    std::uint64_t own = 0;
    std::uint64_t total = 0;
    bool hierarchical = false;
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value) {
        if (key == "active_file" || key == "inactive_file") own += value;
        if (!version2 && (key == "total_active_file" || key == "total_inactive_file")) {
            total += value;
            hierarchical = true;
        }
    }
    return hierarchical ? total : own;
}

// What the limits of the group at path and its parents up to the mount's top leave.
std::uint64_t HierarchyAvailable(const std::string& top, std::string path, bool version2) {
    const char* limitName = version2 ? "/memory.max" : "/memory.limit_in_bytes";
    const char* usageName = version2 ? "/memory.current" : "/memory.usage_in_bytes";
    std::uint64_t available = kUnlimited;
    for (;;) {
        bool limitFound = false;
        bool usageFound = false;
        const std::uint64_t limit = ReadNumber(top + path + limitName, limitFound);
        std::uint64_t usage = ReadNumber(top + path + usageName, usageFound);
        if (limitFound && usageFound && limit != kUnlimited) {
            const std::uint64_t cache = ReclaimableCache(top + path, version2);
            usage = usage > cache ? usage - cache : 0;
            available = std::min(available, limit > usage ? limit - usage : 0);
        }
        if (path.empty() || path == "/") break;
        path.erase(path.find_last_of('/'));
    }
    return available;
}

}  // namespace

std::uint64_t ControlGroupAvailable(const std::string& root) {
    // "0::PATH" is the version 2 group; "ID:CONTROLLERS:PATH" a version 1 hierarchy.
    std::string path2;
    std::string path1;
    bool has2 = false;
    bool has1 = false;
    std::ifstream cgroup(root + "/proc/self/cgroup");
    std::string line;
    while (std::getline(cgroup, line)) {
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string_view controllers =
            std::string_view(line).substr(first + 1, second - first - 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            path2 = line.substr(second + 1);
            has2 = true;
        } else if (ListHas(controllers, "memory")) {
            path1 = line.substr(second + 1);
            has1 = true;
        }
    }
    std::uint64_t available = kUnlimited;
    for (const GroupMount& mount : GroupMounts(root)) {
        if (mount.version2 ? !has2 : !has1) continue;
        std::string path = mount.version2 ? path2 : path1;
        // A mount that shows a group below the top (a container's view) holds the
        // process's group at the rest of its path; a group outside it is its top.
        if (mount.root != "/") {
            const bool inside =
                path.compare(0, mount.root.size(), mount.root) == 0 &&
                (path.size() == mount.root.size() || path[mount.root.size()] == '/');
            path = inside ? path.substr(mount.root.size()) : std::string();
        }
        available =
            std::min(available, HierarchyAvailable(root + mount.mountPoint, path, mount.version2));
    }
    return available;
}

namespace {

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
    return std::min({MachineAvailable(), ControlGroupAvailable(""), LimitAvailable(RLIMIT_AS, 0),
                     LimitAvailable(RLIMIT_DATA, 5)});
}

bool MemoryFits(std::uint64_t bytes) {
    const std::uint64_t available = AvailableMemory();
    return available >= kSpare && bytes <= available - kSpare;
}
