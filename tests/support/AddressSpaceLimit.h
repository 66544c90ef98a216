#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <functional>

#include "SanitizerSkips.h"

// Runs body in a child process whose address space may grow by at most room bytes;
// true when body returned true there. The buffer's mapping used to succeed on paper and
// get the program killed when touched, or abort it with std::bad_alloc.
inline bool UnderAddressSpaceLimit(std::uint64_t room, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::uint64_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const auto limit =
            static_cast<rlim_t>(pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + room);
        const rlimit cap{limit, limit};
        _exit(setrlimit(RLIMIT_AS, &cap) == 0 && body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
