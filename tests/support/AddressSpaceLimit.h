#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <functional>

// Tests that cap the address space (RLIMIT_AS) cannot run under AddressSanitizer or
// ThreadSanitizer, which keep terabytes of address space for themselves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SKIP_WITHOUT_ADDRESS_SPACE_LIMITS()                                                 \
    GTEST_SKIP() << "the sanitizer keeps terabytes of address space: an address-space limit " \
                    "cannot apply"
#else
#define SKIP_WITHOUT_ADDRESS_SPACE_LIMITS() (void)0
#endif

// Tests that read gigabytes or one line of a hundred mebibytes: ThreadSanitizer, which
// watches every access, makes them take minutes. The release and AddressSanitizer builds
// run them; the load job's and the matcher's threads run under ThreadSanitizer in the
// smaller load, filter and Follow tests.
#if defined(__SANITIZE_THREAD__)
#define SKIP_VOLUME_UNDER_THREAD_SANITIZER() \
    GTEST_SKIP() << "a volume test: minutes under ThreadSanitizer, run by the other builds"
#else
#define SKIP_VOLUME_UNDER_THREAD_SANITIZER() (void)0
#endif

// Runs body in a child process whose address space may grow by at most room bytes;
// true when body returned true there. The buffer's mapping used to succeed on paper and
// get the program killed when touched, or abort it with std::bad_alloc.
inline bool UnderAddressSpaceLimit(std::uint64_t room, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::uint64_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const auto limit = static_cast<rlim_t>(pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + room);
        const rlimit cap{limit, limit};
        _exit(setrlimit(RLIMIT_AS, &cap) == 0 && body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
