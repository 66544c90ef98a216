#include "LogBuffer.h"

#include <sys/mman.h>

#include <limits>

#include "LineScan.h"
#include "MemoryBudget.h"

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

LogBuffer::~LogBuffer() { Release(); }

bool LogBuffer::Reserve(std::uint64_t size) {
    m_nSize = 0;
    if (size >= std::numeric_limits<std::size_t>::max() - kHugePage) {
        Release();
        return false;
    }
    const std::size_t need = static_cast<std::size_t>(size) + 1 + kScanPadding;
    // Keep the old block when it fits and is not wastefully large.
    if (m_pData != nullptr && need <= m_nCapacity && m_nCapacity <= 2 * need + (64u << 20)) {
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
    if (m_pData != nullptr) m_pData[size] = '\0';
}

void LogBuffer::Release() {
    if (m_pData != nullptr) munmap(m_pData, m_nCapacity);
    m_pData = nullptr;
    m_nCapacity = 0;
    m_nSize = 0;
}
