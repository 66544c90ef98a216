#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "MemoryBudget.h"
#include "TempDir.h"

namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

struct GroupTree {
    const char* name;
    const char* cgroup;     // /proc/self/cgroup
    const char* mountinfo;  // /proc/self/mountinfo
    std::map<std::string, std::string> files;
    std::uint64_t available;
};

// Only version 2 groups under /sys/fs/cgroup were read: a log opened under a version 1
// memory limit, or on a hybrid machine, was not checked against it and the kernel killed
// the window instead of it saying "Not enough memory".
TEST(MemoryBudgetTest, ControlGroupV1AndHybridLimitsWereMissedAndAreNowRead) {
    const std::string v1Mount = "35 25 0:30 / /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n";
    const std::vector<GroupTree> trees = {
        {"version 1",
         "4:memory:/job\n0::/\n",
         v1Mount.c_str(),
         {{"sys/fs/cgroup/memory/job/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/job/memory.usage_in_bytes", "73741824\n"}},
         1000000000},
        {"hybrid, memory in version 1 with other controllers",
         "5:cpu,memory:/job\n0::/job\n",
         "30 25 0:26 / /sys/fs/cgroup/unified rw shared:1 - cgroup2 cgroup2 rw\n"
         "36 25 0:31 / /sys/fs/cgroup/cpu,memory rw - cgroup cgroup rw,cpu,memory\n"
         "37 25 0:32 / /sys/fs/cgroup/pids rw - cgroup cgroup rw,pids\n",
         {{"sys/fs/cgroup/cpu,memory/job/memory.limit_in_bytes", "2147483648\n"},
          {"sys/fs/cgroup/cpu,memory/job/memory.usage_in_bytes", "1073741824\n"}},
         kGiB},
        {"version 2 mounted elsewhere, a parent's limit the tighter",
         "0::/user.slice/app.scope\n",
         "30 25 0:26 / /mnt/cg\\0402 rw - cgroup2 none rw\n",
         {{"mnt/cg 2/user.slice/app.scope/memory.max", "max\n"},
          {"mnt/cg 2/user.slice/app.scope/memory.current", "100\n"},
          {"mnt/cg 2/user.slice/memory.max", "500\n"},
          {"mnt/cg 2/user.slice/memory.current", "200\n"}},
         300},
        // A log read through its own pages filled the group with cache, which counted as
        // used: a 2 GiB log in a 1 GiB group was refused its lines.
        {"version 1, the group full of reclaimable file cache",
         "4:memory:/job\n",
         v1Mount.c_str(),
         {{"sys/fs/cgroup/memory/job/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/job/memory.usage_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/job/memory.stat",
           "cache 900000000\nactive_file 1\ninactive_file 1\ntotal_active_file 600000000\n"
           "total_inactive_file 300000000\n"}},
         900000000},
        {"version 2, the same",
         "0::/job\n",
         "30 25 0:26 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n",
         {{"sys/fs/cgroup/job/memory.max", "1000\n"},
          {"sys/fs/cgroup/job/memory.current", "1000\n"},
          {"sys/fs/cgroup/job/memory.stat",
           "anon 100\nfile 900\nactive_file 500\ninactive_file 300\n"}},
         800},
    };
    for (const GroupTree& tree : trees) {
        TempDir dir;
        std::filesystem::create_directories(dir.Path("proc/self"));
        dir.Write("proc/self/cgroup", tree.cgroup);
        dir.Write("proc/self/mountinfo", tree.mountinfo);
        for (const auto& [path, text] : tree.files) {
            std::filesystem::create_directories(
                std::filesystem::path(dir.Path(path)).parent_path());
            dir.Write(path, text);
        }
        EXPECT_EQ(ControlGroupAvailable(dir.Path("")), tree.available) << tree.name;
    }
}

}  // namespace
