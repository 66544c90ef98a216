#include "LogBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "LineScan.h"
#include "MemoryBudget.h"
#include "SigbusGuard.h"

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::uint64_t PageSize() {
    static const auto page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return page;
}

std::uint64_t RoundUp(std::uint64_t n, std::uint64_t unit) {
    return (n + unit - 1) / unit * unit;
}

// Address space kept after a mapped file for its growth: a followed log then rarely has
// to be mapped anew.
std::uint64_t GrowthRoom(std::uint64_t size) {
    return size / 16 + (std::uint64_t{1} << 20);
}
}  // namespace

LogBuffer::~LogBuffer() {
    Release();
}

bool LogBuffer::Map(int fd, std::uint64_t size) {
    Release();
    const std::uint64_t want = RoundUp(size + GrowthRoom(size) + 1 + kScanPadding, PageSize());
    if (want >= std::numeric_limits<std::size_t>::max() / 2) return false;
    // Read-only private zero pages after the file's bytes cost nothing until read, and a
    // read of one gives the scans the zeros they stop at. The block starts on a huge-page
    // boundary, as the kernel places a file mapping of its own: the page cache's large
    // pages can then be mapped whole, and scanning the bytes costs a tenth of what it
    // does through small pages.
    const std::size_t reserve = static_cast<std::size_t>(want) + kHugePage;
    void* p = mmap(nullptr, reserve, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return false;
    char* const start = static_cast<char*>(p);
    const std::size_t skip =
        (kHugePage - reinterpret_cast<std::uintptr_t>(start) % kHugePage) % kHugePage;
    if (skip > 0) munmap(start, skip);
    if (kHugePage - skip > 0) munmap(start + skip + want, kHugePage - skip);
    m_pData = start + skip;
    m_nCapacity = static_cast<std::size_t>(want);
    m_nFilePages = 0;
    m_bShortRead = false;
    m_nGuardSlot = GuardMappedRange(m_pData, 0);
    if (m_nGuardSlot < 0 || !MapPart(fd, 0, size)) {
        Release();
        return false;
    }
    m_nSize = size;
    return true;
}

bool LogBuffer::MapPart(int fd, std::uint64_t from, std::uint64_t size) {
    const std::uint64_t page = PageSize();
    const std::uint64_t filePages = size / page * page;
    const std::uint64_t mappedFrom = from / page * page;
    if (filePages > mappedFrom) {
        void* p = mmap(m_pData + mappedFrom, static_cast<std::size_t>(filePages - mappedFrom),
                       PROT_READ, MAP_SHARED | MAP_FIXED, fd, static_cast<off_t>(mappedFrom));
        if (p == MAP_FAILED) return false;
    }
    m_nFilePages = filePages;
    const std::uint64_t tail = size - filePages;
    // The part page is guarded with the file's pages although it never faults: a file cut
    // short turns it to zeros with them, where its bytes, read now, would follow the zeros
    // as a stray last line.
    UpdateMappedRange(m_nGuardSlot, m_pData,
                      static_cast<std::size_t>(filePages + (tail > 0 ? page : 0)));
    // The part page is copied whatever it held before: a grown file's last page may have
    // been the previous part page.
    char* at = m_pData + filePages;
    void* p = mmap(at, static_cast<std::size_t>(page), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (p == MAP_FAILED) return false;
    std::uint64_t got = 0;
    while (got < tail) {
        const ssize_t n = pread(fd, at + got, static_cast<std::size_t>(tail - got),
                                static_cast<off_t>(filePages + got));
        if (n <= 0) break;
        got += static_cast<std::uint64_t>(n);
    }
    // A file cut short between its size and this read: the rest stays zeros, as a cut
    // found in the file's own pages does.
    if (got < tail) m_bShortRead = true;
    mprotect(at, static_cast<std::size_t>(page), PROT_READ);
    return true;
}

bool LogBuffer::Extend(int fd, std::uint64_t size, bool& moved) {
    moved = false;
    if (size <= m_nSize) return true;
    if (size + 1 + kScanPadding + PageSize() <= m_nCapacity) {
        if (!MapPart(fd, m_nFilePages, size)) return false;
        m_nSize = size;
        return true;
    }
    // No room after the end: the file is mapped anew, elsewhere, and the old mapping goes.
    LogBuffer fresh;
    if (!fresh.Map(fd, size)) return false;
    const bool wasShort = CutShort();
    Release();
    std::swap(m_pData, fresh.m_pData);
    std::swap(m_nCapacity, fresh.m_nCapacity);
    std::swap(m_nFilePages, fresh.m_nFilePages);
    std::swap(m_nGuardSlot, fresh.m_nGuardSlot);
    m_bShortRead = fresh.m_bShortRead || wasShort;
    m_nSize = size;
    moved = true;
    return true;
}

bool LogBuffer::CutShort() const {
    return m_bShortRead || MappedRangeCutShort(m_nGuardSlot);
}

void LogBuffer::Prefetch(std::uint64_t offset, std::uint64_t length) const {
#ifdef MADV_POPULATE_READ
    if (!IsMapped() || offset >= m_nFilePages) return;
    const std::uint64_t page = PageSize();
    const std::uint64_t from = offset / page * page;
    const std::uint64_t to = std::min(RoundUp(offset + length, page), m_nFilePages);
    // Only advice: a kernel without it, or a file cut short meanwhile, leaves the reads to
    // fault the pages in one by one.
    madvise(m_pData + from, static_cast<std::size_t>(to - from), MADV_POPULATE_READ);
#else
    (void)offset;
    (void)length;
#endif
}

bool LogBuffer::Reserve(std::uint64_t size) {
    m_nSize = 0;
    if (size >= std::numeric_limits<std::size_t>::max() - kHugePage) {
        Release();
        return false;
    }
    const std::size_t need = static_cast<std::size_t>(size) + 1 + kScanPadding;
    // Keep the old block when it fits and is not wastefully large.
    if (m_pData != nullptr && !IsMapped() && need <= m_nCapacity &&
        m_nCapacity <= 2 * need + (64u << 20)) {
        return true;
    }
    Release();
    const std::size_t capacity = (need + kHugePage - 1) / kHugePage * kHugePage;
    // The mapping would succeed beyond what can be had and the process be killed when
    // the pages are touched; ask first.
    if (!MemoryFits(capacity)) return false;
    void* p = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return false;
    if (capacity >= kHugePage) madvise(p, capacity, MADV_HUGEPAGE);
    m_pData = static_cast<char*>(p);
    m_nCapacity = capacity;
    return true;
}

std::uint64_t LogBuffer::Room() const {
    return m_nCapacity > 1 + kScanPadding ? m_nCapacity - 1 - kScanPadding : 0;
}

bool LogBuffer::Grow(std::uint64_t size) {
    if (m_pData == nullptr) return Reserve(size);
    if (size <= Room()) return true;
    if (size >= std::numeric_limits<std::size_t>::max() - kHugePage) return false;
    const std::size_t need = static_cast<std::size_t>(size) + 1 + kScanPadding;
    const std::size_t capacity = (need + kHugePage - 1) / kHugePage * kHugePage;
    // The kernel moves the pages rather than their bytes: growing costs no copy.
    if (!MemoryFits(capacity - m_nCapacity)) return false;
    void* p = mremap(m_pData, m_nCapacity, capacity, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) return false;
    madvise(p, capacity, MADV_HUGEPAGE);
    m_pData = static_cast<char*>(p);
    m_nCapacity = capacity;
    return true;
}

void LogBuffer::SetSize(std::uint64_t size) {
    m_nSize = size;
    if (m_pData != nullptr && !IsMapped()) m_pData[size] = '\0';
}

void LogBuffer::Release() {
    if (m_nGuardSlot >= 0) UnguardMappedRange(m_nGuardSlot);
    m_nGuardSlot = -1;
    if (m_pData != nullptr) munmap(m_pData, m_nCapacity);
    m_pData = nullptr;
    m_nCapacity = 0;
    m_nSize = 0;
    m_nFilePages = 0;
    m_bShortRead = false;
}
