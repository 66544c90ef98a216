#include "CHeadlessExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <ostream>
#include <vector>

#include "CFilterMatcher.h"
#include "CLineSelector.h"
#include "CLineStream.h"
#include "CLogFile.h"
#include "FilterFileReader.h"
#include "LocaleFormats.h"
#include "StringTable.h"

namespace {

// Collects output in a large block and writes it with as few calls as possible.
class BlockWriter {
public:
    explicit BlockWriter(int fd) : m_fd(fd) { m_block.reserve(kBlock); }
    bool Append(std::string_view bytes) {
        if (m_block.size() + bytes.size() > kBlock && !Flush()) return false;
        if (bytes.size() >= kBlock) return WriteAll(bytes);
        m_block.append(bytes);
        return true;
    }
    bool Flush() {
        const bool ok = WriteAll(m_block);
        m_block.clear();
        return ok;
    }
    int Error() const { return m_error; }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    bool WriteAll(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = write(m_fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                m_error = n < 0 ? errno : EIO;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    int m_fd;
    int m_error = 0;
    std::string m_block;
};

// Writes the export to fd; returns false with a message in error.
bool WriteExport(CLogFile& log, const std::string& logPath, const ILineFilter* filter, bool excludeInvalid, int fd,
                 std::string& error, int& writeError) {
    BlockWriter out(fd);
    CLineSelector selector(filter, excludeInvalid, GetLocaleFormats());
    CLineStream stream;
    StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    auto readAt = [&](char* buffer, std::uint64_t count, std::uint64_t offset, std::uint64_t& got) {
        return log.ReadAt(buffer, count, offset, got, failure);
    };
    auto write = [&](std::string_view lines, bool ends) { return out.Append(lines) && (!ends || out.Append("\r\n")); };
    if (!stream.Run(selector, log.Size(), readAt, write)) {
        error = stream.LineTooLong() ? "a line of " + logPath + " is too long to read its timestamp (not within its first " +
                                           std::to_string(CLineStream::kTimePrefix >> 20) + " MiB)."
                                     : FormatString(failure, logPath);
        return false;
    }
    if (out.Error() != 0 || !out.Flush()) {
        writeError = out.Error();
        return false;
    }
    return true;
}

std::string Describe(int error) { return std::strerror(error); }

}  // namespace

std::string CHeadlessExport::Usage() {
    return "usage: trawlview --export OUT [--filters FILE] [--exclude-invalid] LOG\n"
           "       trawlview [LOG]\n"
           "\n"
           "  --export OUT       write the lines the window would show, each followed by\n"
           "                     CR LF, to OUT (\"-\" for standard output); no display needed\n"
           "  --filters FILE     apply the filters of a filter file (.lff, .tarnix-logfilters)\n"
           "  --exclude-invalid  leave out lines whose timestamp cannot be read\n"
           "  --help             show this help\n";
}

bool CHeadlessExport::ParseArguments(const std::vector<std::string>& args, Options& options,
                                     bool& help, std::string& error) {
    help = false;
    bool haveExport = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return true;
        }
        if (a == "--export" || a == "--filters") {
            if (i + 1 >= args.size()) {
                error = a + " needs a file name";
                return false;
            }
            (a == "--export" ? options.output : options.filters) = args[++i];
            haveExport = haveExport || a == "--export";
        } else if (a == "--exclude-invalid") {
            options.excludeInvalid = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            error = "unknown option " + a;
            return false;
        } else {
            if (a == "--" && i + 1 < args.size()) ++i;
            if (!options.log.empty()) {
                error = "more than one log file given";
                return false;
            }
            options.log = args[i];
        }
    }
    if (!haveExport) {
        error = "--export OUT is missing";
        return false;
    }
    if (options.log.empty()) {
        error = "no log file given";
        return false;
    }
    return true;
}

int CHeadlessExport::Run(const std::vector<std::string>& args, std::ostream& err) {
    Options options;
    bool help = false;
    std::string error;
    if (!ParseArguments(args, options, help, error)) {
        err << "trawlview: " << error << "\n" << Usage();
        return 2;
    }
    if (help) {
        err << Usage();
        return 0;
    }
    return Export(options, err);
}

int CHeadlessExport::Export(const Options& options, std::ostream& err) {
    FilterList filters;
    if (!options.filters.empty()) {
        std::string error;
        switch (FilterFileReader::Read(options.filters, filters, error)) {
            case FilterFileReader::Result::Ok: break;
            case FilterFileReader::Result::OpenFailed:
                err << "trawlview: Could not open the filter file " << options.filters << ": " << error << ".\n";
                return 1;
            case FilterFileReader::Result::ReadFailed:
                err << "trawlview: Could not read the filter file " << options.filters << ": " << error << ".\n";
                return 1;
        }
    }
    std::optional<CFilterMatcher> matcher;
    if (filters) matcher.emplace(filters.get(), options.excludeInvalid);
    const ILineFilter* filter = matcher ? &*matcher : nullptr;

    CLogFile log;
    StringId failure = AFX_IDP_FAILED_TO_OPEN_DOC;
    if (!log.Open(options.log, failure)) {
        err << "trawlview: " << FormatString(failure, options.log) << "\n";
        return 1;
    }

    // A reader that goes away (a closed pipe) ends the export quietly; a file-size limit
    // fails the write with an error instead of killing the program mid-file.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::string readError;
    int writeError = 0;
    auto report = [&](const std::string& target) {
        if (!readError.empty()) {
            err << "trawlview: " << readError << "\n";
        } else if (writeError != EPIPE) {
            err << "trawlview: could not write " << target << ": " << Describe(writeError) << ".\n";
        }
        return 1;
    };
    if (options.output == "-") {
        if (WriteExport(log, options.log, filter, options.excludeInvalid, STDOUT_FILENO, readError, writeError)) return 0;
        return report("to standard output");
    }

    // Devices and pipes are written directly; a regular file is written whole to a
    // temporary file beside it and renamed over it, or not at all.
    std::string target = options.output;
    struct stat st {};
    if (stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            writeError = EISDIR;
            return report(target);
        }
        const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            writeError = errno;
            return report(target);
        }
        bool ok = WriteExport(log, options.log, filter, options.excludeInvalid, fd, readError, writeError);
        if (close(fd) != 0 && ok) {
            ok = false;
            writeError = errno;
        }
        return ok ? 0 : report(target);
    }
    if (char* resolved = realpath(target.c_str(), nullptr)) {
        target = resolved;  // write through a symbolic link rather than replace it
        free(resolved);
    }
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        err << "trawlview: could not create " << options.output << ": " << Describe(errno) << ".\n";
        return 1;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, st.st_mode != 0 ? (st.st_mode & 07777) : (0666 & ~mask));
    bool ok = WriteExport(log, options.log, filter, options.excludeInvalid, fd, readError, writeError);
    if (close(fd) != 0 && ok) {
        ok = false;
        writeError = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        writeError = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return report(options.output);
    }
    return 0;
}
