#include "CLogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

StringId OpenFailureMessage(int error) {
    switch (error) {
        case ENOENT:
            return AFX_IDP_FILE_NOT_FOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return AFX_IDP_FILE_BAD_PATH;
        case EMFILE:
        case ENFILE:
            return AFX_IDP_FILE_TOO_MANY_OPEN;
        case EACCES:
        case EPERM:
            return AFX_IDP_FILE_ACCESS_DENIED;
        case EIO:
            return AFX_IDP_FILE_HARDWARE;
        default:
            return AFX_IDP_FAILED_TO_OPEN_DOC;
    }
}

}  // namespace

int OpenRegularFile(const std::string& path, int& fd) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for ever if none comes.
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat st {};
    int error = fstat(fd, &st) != 0 ? errno : 0;
    // Directories, devices, pipes and sockets are not files to read whole: a device may
    // never end and a pipe may never deliver.
    if (error == 0 && !S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    // Reads of a regular file never wait; the flag only matters for what was refused.
    if (error == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) error = errno;
    if (error != 0) {
        close(fd);
        fd = -1;
    }
    return error;
}

CLogFile::~CLogFile() {
    Close();
}

bool CLogFile::Open(const std::string& path, StringId& failure) {
    Close();
    const int error = OpenRegularFile(path, m_fd);
    if (error != 0) {
        failure = OpenFailureMessage(error);
        return false;
    }
    struct stat st {};
    fstat(m_fd, &st);
    m_nSize = static_cast<std::uint64_t>(st.st_size);
    m_identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool CLogFile::Read(char* buffer, std::uint64_t count, std::uint64_t& got, StringId& failure) {
    const bool ok = ReadAt(buffer, count, m_nOffset, got, failure);
    m_nOffset += got;
    return ok;
}

bool CLogFile::ReadAt(char* buffer, std::uint64_t count, std::uint64_t offset, std::uint64_t& got,
                      StringId& failure) const {
    got = 0;
    while (got < count) {
        const std::uint64_t chunk = std::min<std::uint64_t>(count - got, std::uint64_t{1} << 30);
        const ssize_t n = pread(m_fd, buffer + got, static_cast<std::size_t>(chunk),
                                static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = errno == EIO ? AFX_IDP_FILE_HARDWARE : AFX_IDP_FAILED_TO_OPEN_DOC;
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::uint64_t>(n);
    }
    return true;
}

void CLogFile::Close() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    m_nSize = 0;
    m_nOffset = 0;
}
