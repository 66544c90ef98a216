#include "CLineFileWriter.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

// The temporary files a signal must remove, in a few fixed slots: read by the signal
// handler, so plain arrays and flags. The handlers are in place while any slot is used.
constexpr int kSlots = 4;
char g_signalTemps[kSlots][PATH_MAX + 16];
volatile std::sig_atomic_t g_slotUsed[kSlots];
int g_nUsedSlots = 0;
struct sigaction g_previous[NSIG];
bool g_installed[NSIG];

// Every signal that ends the program unless it is handled: those whose default action is
// to terminate or to dump core, the real-time signals included. SIGKILL and SIGSTOP cannot
// be caught; the others either stop the program or are ignored by default.
sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig :
         {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,
          SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
          SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS}) {
        sigaddset(&set, sig);
    }
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) sigaddset(&set, sig);
    return set;
}

void RemoveTemporaryAndEnd(int sig) {
    for (int k = 0; k < kSlots; ++k) {
        if (g_slotUsed[k] != 0) unlink(g_signalTemps[k]);
    }
    // Only signals at their default action were taken over, so the default ends the
    // program once this handler returns (a fault's instruction runs again and faults).
    signal(sig, SIG_DFL);
    raise(sig);
}

// Blocks the ending signals for the life of the object, so that a temporary file and its
// registration come and go together.
class SignalBlock {
public:
    SignalBlock() {
        const sigset_t set = EndingSignals();
        pthread_sigmask(SIG_BLOCK, &set, &m_old);
    }
    ~SignalBlock() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
    sigset_t m_old;
};

// Returns the slot of path, or -1 when it has none (too long, or every slot in use).
int RegisterTemporary(const std::string& path) {
    int slot = 0;
    while (slot < kSlots && g_slotUsed[slot] != 0) ++slot;
    if (slot == kSlots || path.size() >= sizeof g_signalTemps[0]) return -1;
    std::memcpy(g_signalTemps[slot], path.c_str(), path.size() + 1);
    g_slotUsed[slot] = 1;
    if (g_nUsedSlots++ > 0) return slot;
    const sigset_t ending = EndingSignals();
    for (int sig = 1; sig < NSIG; ++sig) {
        g_installed[sig] = false;
        if (sigismember(&ending, sig) != 1) continue;
        struct sigaction previous {};
        // A signal the program ignores (nohup) or handles itself does not end it: its
        // own handler decides, and the temporary file must stay for the write going on.
        if (sigaction(sig, nullptr, &previous) != 0 || (previous.sa_flags & SA_SIGINFO) != 0 ||
            previous.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = RemoveTemporaryAndEnd;
        sigemptyset(&action.sa_mask);
        g_installed[sig] = sigaction(sig, &action, &g_previous[sig]) == 0;
    }
    return slot;
}

void UnregisterTemporary(int slot) {
    if (slot < 0) return;
    g_slotUsed[slot] = 0;
    if (--g_nUsedSlots > 0) return;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (g_installed[sig]) sigaction(sig, &g_previous[sig], nullptr);
        g_installed[sig] = false;
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

CLineFileWriter::CLineFileWriter() = default;

CLineFileWriter::~CLineFileWriter() {
    if (m_bOwnFd && m_fd >= 0) close(m_fd);
    RemoveTemporary();
}

bool CLineFileWriter::ResolveLinks(const std::string& path, std::string& resolved, int& error) {
    resolved = path;
    // As many links as the kernel follows in one path.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(resolved.c_str(), link.data(), link.size());
        if (n < 0) {
            error = errno;
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        if (link.empty() || link[0] != '/') {
            const std::size_t slash = resolved.find_last_of('/');
            link =
                (slash == std::string::npos ? std::string() : resolved.substr(0, slash + 1)) + link;
        }
        resolved = link;
    }
    error = ELOOP;
    return false;
}

bool CLineFileWriter::Fail(int error) {
    if (m_nError == 0) m_nError = error != 0 ? error : EIO;
    return false;
}

bool CLineFileWriter::FailOpen(int error, std::string cause) {
    m_bOpenFailed = true;
    if (m_nError == 0) m_strCause = std::move(cause);
    return Fail(error);
}

std::string CLineFileWriter::FailureText() const {
    if (!m_strCause.empty()) return m_strCause;
    return std::strerror(m_nError != 0 ? m_nError : EIO);
}

bool CLineFileWriter::WritesInto(const std::string& out, const std::string& input) {
    struct stat in {};
    if (input.empty() || stat(input.c_str(), &in) != 0) return false;
    struct stat target {};
    std::string resolved;
    int error = 0;
    if (out == "-") {
        if (fstat(STDOUT_FILENO, &target) != 0) return false;
    } else if (!ResolveLinks(out, resolved, error) || stat(resolved.c_str(), &target) != 0) {
        return false;
    }
    return SameFile(target, in);
}

bool CLineFileWriter::Open(const std::string& path) {
    m_block.reserve(kBlock);
    if (path == "-" && !m_bRegularOnly) {
        m_fd = STDOUT_FILENO;
        m_bTargetExisted = true;
        return true;
    }
    int error = 0;
    if (!ResolveLinks(path, m_strTarget, error)) return FailOpen(error);
    struct stat st {};
    m_bTargetExisted = stat(m_strTarget.c_str(), &st) == 0;
    if (!m_bTargetExisted && errno != ENOENT) return FailOpen(errno);
    if (m_bTargetExisted) {
        if (S_ISDIR(st.st_mode)) return FailOpen(EISDIR);
        // Opening a pipe waits for its reader: where nothing may wait, only regular files
        // are written, and they never through an open of the target itself.
        if (m_bRegularOnly && !S_ISREG(st.st_mode)) return FailOpen(EINVAL, "Not a regular file");
        for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
            struct stat streamStat {};
            if (m_bRegularOnly || fstat(stream, &streamStat) != 0 || !SameFile(st, streamStat))
                continue;
            m_fd = stream;
            return true;
        }
        if (!S_ISREG(st.st_mode)) {
            m_fd = open(m_strTarget.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            if (m_fd < 0) return FailOpen(errno);
            m_bOwnFd = true;
            return true;
        }
        // Replacing the file must not get round its permissions.
        if (access(m_strTarget.c_str(), W_OK) != 0) return FailOpen(errno);
    }

    std::string temp = m_strTarget + ".XXXXXX";
    int createError = 0;
    {
        SignalBlock block;
        m_fd = mkstemp(temp.data());
        createError = errno;
        if (m_fd >= 0) {
            m_strTemp = temp;
            m_nSignalSlot = RegisterTemporary(m_strTemp);
        }
    }
    if (m_fd < 0) {
        if (!m_bTargetExisted) return FailOpen(createError);
        // Rewriting the file in place would leave it half-written when the write fails
        // or the program is ended part way: it is written whole beside itself or not at all.
        const std::size_t slash = m_strTarget.find_last_of('/');
        const std::string folder = slash == std::string::npos
                                       ? "."
                                       : m_strTarget.substr(0, std::max<std::size_t>(slash, 1));
        return FailOpen(createError, "No temporary file can be made in the folder " + folder +
                                         ": " + std::strerror(createError));
    }
    m_bOwnFd = true;
    if (m_bTargetExisted) {
        fchmod(m_fd, st.st_mode & 07777);
        // Only a privileged process may give the file back to its owner; for anyone else
        // the file was theirs to write, and becomes theirs.
        if (geteuid() == 0 && fchown(m_fd, st.st_uid, st.st_gid) != 0) {
            // The replacement keeps the process's owner.
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(m_fd, 0666 & ~mask);
    }
    return true;
}

bool CLineFileWriter::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool CLineFileWriter::Flush() {
    const bool ok = WriteAll(m_block);
    m_block.clear();
    return ok;
}

bool CLineFileWriter::Append(std::string_view bytes) {
    if (m_nError != 0 || m_fd < 0) return Fail(EBADF);
    if (m_block.size() + bytes.size() > kBlock && !Flush()) return false;
    if (bytes.size() >= kBlock) return WriteAll(bytes);
    m_block.append(bytes);
    return true;
}

bool CLineFileWriter::AppendLine(std::string_view raw) {
    return Append(raw) && Append("\r\n");
}

bool CLineFileWriter::Commit() {
    if (m_nError == 0 && m_fd < 0) Fail(EBADF);
    bool ok = m_nError == 0 && Flush();
    if (m_bOwnFd) {
        if (close(m_fd) != 0 && ok) ok = Fail(errno);
        m_bOwnFd = false;
    }
    m_fd = -1;
    if (ok && !m_strTemp.empty()) {
        SignalBlock block;
        if (rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
            ok = Fail(errno);
        } else {
            m_strTemp.clear();
            UnregisterTemporary(m_nSignalSlot);
            m_nSignalSlot = -1;
        }
    }
    if (!ok) RemoveTemporary();
    return ok;
}

void CLineFileWriter::RemoveTemporary() {
    if (m_strTemp.empty()) return;
    SignalBlock block;
    unlink(m_strTemp.c_str());
    m_strTemp.clear();
    UnregisterTemporary(m_nSignalSlot);
    m_nSignalSlot = -1;
}
