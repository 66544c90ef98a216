#pragma once

#include <cstdint>
#include <string>

#include "StringTable.h"

// Opens path for reading as a regular file (symbolic links followed) without ever
// waiting: a FIFO or a device is refused, not read. Returns 0 and sets fd, or returns
// the errno of the failure (EINVAL for a file that is not a regular one, EISDIR for a
// folder) and sets fd to -1.
int OpenRegularFile(const std::string& path, int& fd);

// A log file opened for reading (other processes may go on writing it). Failures come
// back as the message that names their cause.
class CLogFile {
public:
    CLogFile() = default;
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;
    ~CLogFile();

    // Opens a regular file. On failure returns false and sets failure to the message for
    // the cause (not found, path not valid, too many files, no permission, hardware
    // error, or the generic one).
    bool Open(const std::string& path, StringId& failure);
    // Size when opened; later growth is not followed.
    std::uint64_t Size() const { return m_nSize; }
    // Which file this is, whatever its name: device and inode. A log renamed away and
    // replaced by a new file under its name is another file.
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const Identity&) const = default;
    };
    Identity GetIdentity() const { return m_identity; }
    // False for a file that reported size 0: the kernel's pseudo files (/proc/cpuinfo)
    // do so whatever they hold, so such a file is read to its end instead.
    bool SizeKnown() const { return m_nSize != 0; }
    // Fills buffer[0, count) as far as the file goes, looping over short reads. Returns
    // the number of bytes read (less than count at the end of the file); on a read error
    // returns false and sets failure.
    bool Read(char* buffer, std::uint64_t count, std::uint64_t& got, StringId& failure);
    // The same from a given offset, without moving the position Read reads from; safe to
    // call from several threads at once.
    bool ReadAt(char* buffer, std::uint64_t count, std::uint64_t offset, std::uint64_t& got,
                StringId& failure) const;
    void Close();
    // The open descriptor, -1 when none; it stays the file's own.
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
    std::uint64_t m_nSize = 0;
    std::uint64_t m_nOffset = 0;  // where Read goes on
    Identity m_identity;
};
