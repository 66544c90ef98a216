#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of a loaded file plus one NUL byte after them, in one block of memory, with
// room for the line scans to read a little past the NUL.
// Large blocks ask for transparent huge pages (first touch of fresh memory is the main
// cost of loading a big file) and a block is kept for the next load when it fits, so a
// Reload does not pay that cost again.
class LogBuffer {
public:
    LogBuffer() = default;
    LogBuffer(const LogBuffer&) = delete;
    LogBuffer& operator=(const LogBuffer&) = delete;
    ~LogBuffer();

    // Makes room for size bytes plus the NUL; the contents are unspecified. False when
    // the memory cannot be had, now or when the pages are touched (the buffer is then
    // empty).
    bool Reserve(std::uint64_t size);
    // Makes room for size bytes plus the NUL keeping the bytes already there. False when
    // the memory cannot be had (the buffer is then unchanged).
    bool Grow(std::uint64_t size);
    // How many bytes fit before the NUL without growing.
    std::uint64_t Room() const;
    // Sets the number of valid bytes (at most what Reserve made room for) and writes the
    // NUL after them.
    void SetSize(std::uint64_t size);
    // Returns the memory to the system.
    void Release();

    char* Data() { return m_pData; }
    const char* Data() const { return m_pData; }
    std::uint64_t Size() const { return m_nSize; }

private:
    char* m_pData = nullptr;
    std::uint64_t m_nSize = 0;
    std::size_t m_nCapacity = 0;  // bytes mapped
};
