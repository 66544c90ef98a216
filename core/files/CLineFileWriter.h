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
//   direct write would be. A regular file is never rewritten in place: when its folder
//   takes no temporary file, it is refused with a message naming the folder.
// - a symbolic link: its final target, which a dangling link creates; the link stays.
//
// While a temporary file exists, every signal that would end the program at its default
// action (SIGINT, SIGTERM, SIGUSR1, SIGALRM, the real-time signals, ...) removes it first
// (for up to four writers at once); a signal the program ignores or handles is left to
// it. The destructor removes the file when Commit was not reached. Open and Commit belong
// to one thread.
class CLineFileWriter {
public:
    CLineFileWriter();
    ~CLineFileWriter();
    CLineFileWriter(const CLineFileWriter&) = delete;
    CLineFileWriter& operator=(const CLineFileWriter&) = delete;

    // Where nothing may wait (the window): an existing target that is not a regular file
    // (a pipe, a device) is refused rather than opened, and "-" is a file of that name.
    // Before Open.
    void SetRegularFilesOnly(bool regularOnly) { m_bRegularOnly = regularOnly; }
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
    // The first failure in words, for a message ("Permission denied", or which folder
    // refused the temporary file).
    std::string FailureText() const;
    // Whether the failure came from opening the target (nothing was written then), and
    // whether the target existed before.
    bool FailedToOpen() const { return m_bOpenFailed; }
    bool TargetExisted() const { return m_bTargetExisted; }
    // The temporary file while one exists; empty otherwise.
    const std::string& GetTemporaryPath() const { return m_strTemp; }

    // The file a path finally names after following symbolic links; a dangling link gives
    // the path it points to. Relative links count from the link's folder.
    static bool ResolveLinks(const std::string& path, std::string& resolved, int& error);
    // Whether writing to out would write into the existing file input: the same file,
    // through a link or under another name, or the standard output that "-" names.
    static bool WritesInto(const std::string& out, const std::string& input);

private:
    bool Fail(int error);
    bool FailOpen(int error, std::string cause = {});
    bool WriteAll(std::string_view bytes);
    bool Flush();
    void RemoveTemporary();

    int m_fd = -1;
    bool m_bOwnFd = false;
    int m_nError = 0;
    std::string m_strCause;
    bool m_bRegularOnly = false;
    bool m_bOpenFailed = false;
    bool m_bTargetExisted = false;
    std::string m_strTarget;
    std::string m_strTemp;
    // Where the signal handlers find m_strTemp; -1 for none.
    int m_nSignalSlot = -1;
    std::string m_block;
};
