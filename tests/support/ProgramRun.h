#pragma once

// Starts the real trawlview executable (TRAWLVIEW_BINARY, defined by the test target) the
// one way every test starts it: fork and exec with a chosen environment, standard
// output into a file or a given descriptor, standard error read back through a pipe.
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "PinnedLocales.h"
#include "TempDir.h"

extern char** environ;

struct ProgramOutcome {
    int status = -1;     // exit status; -1 when ended by a signal
    int signal = 0;      // the signal that ended it, if one did
    long peakRssKb = 0;  // the most memory it held at once (with what it was forked from)
    std::string out;
    std::string err;
};

struct ProgramLaunch {
    // "NAME=value" entries over the test's own environment, from which every TRAWLVIEW_
    // variable is dropped first. The default pins both locales.
    std::vector<std::string> env = kPinnedLocaleEnv;
    // As root, drop to nobody first, so that file permissions apply as they do to a user.
    bool unprivileged = false;
    rlim_t fileSizeLimit = RLIM_INFINITY;
    rlim_t addressSpaceLimit = RLIM_INFINITY;
    bool ignoreFileSizeSignal = false;  // writes past the limit then fail with EFBIG
    int stdoutFd = -1;                  // instead of a file that out is read from
    // When not empty: the program is ended with SIGTERM as soon as its standard error
    // holds this text (a window program that would otherwise run on).
    std::string stopWhenErrHas;
};

inline ProgramOutcome RunProgram(const std::vector<std::string>& args,
                                 const ProgramLaunch& launch = {}) {
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "TRAWLVIEW_", 10) == 0) continue;
        const char* equals = std::strchr(*e, '=');
        const std::string name(
            *e, equals == nullptr ? std::strlen(*e) : static_cast<std::size_t>(equals - *e) + 1);
        bool replaced = false;
        for (const std::string& given : launch.env)
            replaced = replaced || given.rfind(name, 0) == 0;
        if (!replaced) envText.emplace_back(*e);
    }
    envText.insert(envText.end(), launch.env.begin(), launch.env.end());
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv = {const_cast<char*>(TRAWLVIEW_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    TempDir outDir;
    const std::string outPath = outDir.Path("stdout");
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = launch.stdoutFd >= 0
                            ? launch.stdoutFd
                            : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || dup2(out, 1) < 0 || dup2(errPipe[1], 2) < 0) _exit(126);
        const rlimit limit{launch.fileSizeLimit, launch.fileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        const rlimit space{launch.addressSpaceLimit, launch.addressSpaceLimit};
        if (setrlimit(RLIMIT_AS, &space) != 0) _exit(126);
        if (launch.ignoreFileSizeSignal) std::signal(SIGXFSZ, SIG_IGN);
        if (launch.unprivileged && getuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(126);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(errPipe[1]);
    ProgramOutcome r;
    char chunk[4096];
    bool stopped = false;
    for (;;) {
        const ssize_t n = read(errPipe[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        r.err.append(chunk, static_cast<std::size_t>(n));
        if (!stopped && !launch.stopWhenErrHas.empty() &&
            r.err.find(launch.stopWhenErrHas) != std::string::npos) {
            kill(pid, SIGTERM);
            stopped = true;
        }
    }
    close(errPipe[0]);
    int raw = 0;
    struct rusage usage {};
    wait4(pid, &raw, 0, &usage);
    r.peakRssKb = usage.ru_maxrss;
    if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) r.signal = WTERMSIG(raw);
    r.out = TempDir::Read(outPath);
    return r;
}
