#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of a loaded file plus one NUL byte after them, with room for the line scans
// to read a little past the NUL. Two kinds:
// - a mapping of the file itself (Map): the bytes are the page cache's, so a log costs
//   no private memory whatever its size. The last part page is a private copy, so the
//   NUL after the bytes stays a NUL while the file grows; the file's part is guarded
//   (SigbusGuard), so a file cut short while mapped reads as zeros there instead of
//   killing the program, and CutShort says so.
// - private memory (Reserve, Grow) that the caller fills, for files that cannot be
//   mapped or tell no size. Large blocks ask for transparent huge pages and a block is
//   kept for the next load when it fits.
class LogBuffer {
public:
    LogBuffer() = default;
    LogBuffer(const LogBuffer&) = delete;
    LogBuffer& operator=(const LogBuffer&) = delete;
    ~LogBuffer();

    // Maps the first size bytes of the regular file open as fd, with address space
    // after them for a file that grows. False when the file system or the address-space
    // limit refuses (the buffer is then empty and the caller reads instead).
    bool Map(int fd, std::uint64_t size);
    // A mapped file grew to size: maps the new bytes, in place when the address space
    // after the old end has room, else anew elsewhere (moved is then true and pointers
    // into the old bytes are stale). False when that fails (nothing changed).
    bool Extend(int fd, std::uint64_t size, bool& moved);
    bool IsMapped() const { return m_nGuardSlot >= 0; }
    // The mapped file was found shorter than its mapping: some bytes read as zeros.
    bool CutShort() const;
    // Asks the kernel to set up the page tables of [offset, offset + length) of a mapping
    // in one go, rather than a fault at a time as they are read.
    void Prefetch(std::uint64_t offset, std::uint64_t length) const;

    // Private memory: makes room for size bytes plus the NUL; the contents are
    // unspecified. False when the memory cannot be had, now or when the pages are touched
    // (the buffer is then empty).
    bool Reserve(std::uint64_t size);
    // Makes room for size bytes plus the NUL keeping the bytes already there. False when
    // the memory cannot be had (the buffer is then unchanged).
    bool Grow(std::uint64_t size);
    // How many bytes fit before the NUL without growing.
    std::uint64_t Room() const;
    // Sets the number of valid bytes (at most what Reserve made room for) and, in private
    // memory, writes the NUL after them.
    void SetSize(std::uint64_t size);
    // Returns the memory (or the mapping) to the system.
    void Release();

    char* Data() { return m_pData; }
    const char* Data() const { return m_pData; }
    std::uint64_t Size() const { return m_nSize; }

private:
    // Maps [from, size) of fd into the reserved block at the same offsets: whole pages of
    // the file, then a private copy of the part page at the end.
    bool MapPart(int fd, std::uint64_t from, std::uint64_t size);

    char* m_pData = nullptr;
    std::uint64_t m_nSize = 0;
    std::size_t m_nCapacity = 0;     // bytes mapped, or of address space reserved
    std::uint64_t m_nFilePages = 0;  // of a mapping: bytes mapped from the file itself
    bool m_bShortRead = false;       // of a mapping: the part page's read came up short
    int m_nGuardSlot = -1;
};
