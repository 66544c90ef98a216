#pragma once

#include <string>
#include <string_view>

// The one writer of displayed lines, for Save As and the export: each raw line followed by
// CR LF, collected in blocks of about a megabyte. Saved filter files go the same way.
//
// Where the bytes go depends on the target:
// - "-", or a path naming the file the program's standard output or error already writes
//   to (/dev/stdout, /proc/self/fd/1, ...): that stream, directly, never renamed over, so
//   that what an appending redirection wrote before stays.
// - a device, pipe or socket: opened and written directly.
// - a regular file, existing or not: written whole to a temporary file beside it and
//   renamed over it at Commit, or not at all; an existing file keeps its permissions (and,
//   where the process may, its owner). A file the user may not write is refused as a
//   direct write would be. When the folder takes no new file but the file itself is
//   writable, the file is written directly instead.
// - a symbolic link: its final target, which a dangling link creates; the link stays.
//
// While a temporary file exists, SIGINT, SIGTERM and SIGHUP remove it before they end
// the program (for up to four writers at once); the destructor removes it when Commit
// was not reached. Open and Commit belong to one thread.
class CLineFileWriter {
public:
    CLineFileWriter();
    ~CLineFileWriter();
    CLineFileWriter(const CLineFileWriter&) = delete;
    CLineFileWriter& operator=(const CLineFileWriter&) = delete;

    // False with Error() set when the target cannot be written.
    bool Open(const std::string& path);
    // Appends raw and CR LF. False once a write has failed.
    bool AppendLine(std::string_view raw);
    // Appends bytes as they are (a file that is not made of log lines).
    bool Append(std::string_view bytes);
    // Writes what is left and puts the file in place. False with Error() set; a
    // temporary file is then removed and the target is as it was.
    bool Commit();

    // The errno value of the first failure; 0 when none.
    int Error() const { return m_nError; }
    // Whether the failure came from opening the target (nothing was written then), and
    // whether the target existed before.
    bool FailedToOpen() const { return m_bOpenFailed; }
    bool TargetExisted() const { return m_bTargetExisted; }
    // The temporary file while one exists; empty otherwise.
    const std::string& GetTemporaryPath() const { return m_strTemp; }

    // The file a path finally names after following symbolic links; a dangling link gives
    // the path it points to. Relative links count from the link's folder.
    static bool ResolveLinks(const std::string& path, std::string& resolved, int& error);

private:
    bool Fail(int error);
    bool FailOpen(int error);
    bool WriteAll(std::string_view bytes);
    bool Flush();
    void RemoveTemporary();

    int m_fd = -1;
    bool m_bOwnFd = false;
    int m_nError = 0;
    bool m_bOpenFailed = false;
    bool m_bTargetExisted = false;
    std::string m_strTarget;
    std::string m_strTemp;
    // Where the signal handlers find m_strTemp; -1 for none.
    int m_nSignalSlot = -1;
    std::string m_block;
};
