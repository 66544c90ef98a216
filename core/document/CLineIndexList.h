#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

// A list of line indexes, in 4 bytes each while every index it may hold fits in 32 bits
// (files of fewer than 2^32 lines, which is every file that fits in memory today) and in
// 8 bytes otherwise. The displayed list of a loaded log holds one per displayed line.
class CLineIndexList {
public:
    // Makes room for count indexes, each below limit, and drops the contents. Throws
    // std::bad_alloc like a vector.
    void Reserve(std::size_t count, std::uint64_t limit) {
        m_bWide = limit > std::numeric_limits<std::uint32_t>::max();
        Clear();
        if (m_bWide) {
            m_wide.reserve(count);
        } else {
            m_narrow.reserve(count);
        }
    }
    // Makes room for count indexes in all, keeping the contents. Throws std::bad_alloc
    // like a vector.
    void Grow(std::size_t count) {
        if (m_bWide) {
            m_wide.reserve(count);
        } else {
            m_narrow.reserve(count);
        }
    }
    void Clear() {
        m_narrow.clear();
        m_wide.clear();
    }
    // Room for count indexes below limit without allocating.
    bool Holds(std::size_t count, std::uint64_t limit) const {
        const bool wide = limit > std::numeric_limits<std::uint32_t>::max();
        return wide == m_bWide && (wide ? m_wide.capacity() : m_narrow.capacity()) >= count;
    }
    // Room for count indexes in the present width without allocating.
    bool Holds(std::size_t count) const {
        return (m_bWide ? m_wide.capacity() : m_narrow.capacity()) >= count;
    }
    void PushBack(std::uint64_t index) {
        // A list made narrow for fewer lines than a growing log came to have widens.
        if (!m_bWide && index > std::numeric_limits<std::uint32_t>::max()) Widen();
        if (m_bWide) {
            m_wide.push_back(index);
        } else {
            m_narrow.push_back(static_cast<std::uint32_t>(index));
        }
    }
    std::uint64_t operator[](std::size_t i) const { return m_bWide ? m_wide[i] : m_narrow[i]; }
    // The last index; the list must not be empty.
    std::uint64_t Back() const { return m_bWide ? m_wide.back() : m_narrow.back(); }
    void PopBack() {
        if (m_bWide) {
            m_wide.pop_back();
        } else {
            m_narrow.pop_back();
        }
    }
    std::size_t Size() const { return m_bWide ? m_wide.size() : m_narrow.size(); }

private:
    void Widen() {
        m_wide.reserve(std::max(m_narrow.capacity(), m_narrow.size() + 1));
        m_wide.assign(m_narrow.begin(), m_narrow.end());
        std::vector<std::uint32_t>().swap(m_narrow);
        m_bWide = true;
    }

    bool m_bWide = false;
    std::vector<std::uint32_t> m_narrow;
    std::vector<std::uint64_t> m_wide;
};
