#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "CSubstringSearcher.h"

// Finds which of many byte strings occur in a text, in one pass over it whatever their
// number. The text is looked at only every s-th position (the stride). Each string
// marks, in a bit table small enough to stay in the processor's cache, the runs of q
// bytes at s consecutive offsets of itself, so that wherever it occurs one of those
// runs starts at a looked-at position. At each such position one lookup per run length
// rules out nearly every string; only where a bit is set are the strings that marked it
// compared in full.
//
// Strings are grouped by length: from 11 bytes on the stride is 8, shorter strings get
// shorter strides (a pass of their own). Within a group a string's runs are as long as
// it allows (16, 8 or 4 bytes): long runs span several words and hardly ever occur in
// text by chance. Which s consecutive offsets a string marks is chosen so that as few
// strings as possible share a run and its bytes are rare in log text, since lists
// copied out of logs share many words. Strings that still share a run at the same
// offset are sorted by their first bytes, so a hit on a run shared by thousands of
// strings costs a binary search, not thousands of comparisons. Bytes are compared
// exactly: NUL, CR and bytes 0x80 and above are bytes like any other.
class CMultiStringSearcher {
public:
    // Each string keeps its index in patterns; strings must not be empty. Duplicates are
    // allowed and each is reported under its own index.
    explicit CMultiStringSearcher(const std::vector<std::string_view>& patterns);

    std::size_t Count() const { return m_patterns.size(); }
    std::size_t Length(std::size_t index) const { return m_patterns[index].size(); }
    // The longest string's length: a text searched in pieces must overlap by one less.
    std::size_t MaxLength() const { return m_nMaxLength; }

    // Whether any of the strings occurs in text.
    bool ContainsAny(std::string_view text) const {
        bool found = false;
        ForEachOccurrence(text, [&found](std::size_t, std::size_t) { return !(found = true); });
        return found;
    }

    // Calls onFound(index, at) for each occurrence of a string in text, at its offset in
    // text, until it returns false. A string occurring several times is reported each
    // time; the order is not that of the text.
    template <class OnFound>
    void ForEachOccurrence(std::string_view text, OnFound&& onFound) const;

private:
    // A run of q bytes: the first 8 in lo, the next 8 (q = 16) in hi.
    struct Run {
        std::uint64_t lo = 0;
        std::uint64_t hi = 0;
        bool operator==(const Run&) const = default;
    };
    // The strings that marked one run at one offset of themselves.
    struct Segment {
        Run run;               // the q marked bytes
        std::uint32_t offset;  // where in the strings they start
        std::uint32_t begin;   // m_heads/m_ids [begin, end), ascending by head
        std::uint32_t end;
    };
    // The strings of a group whose runs have one length.
    struct RunTable {
        unsigned q = 0;            // 1, 2, 4, 8 or 16
        unsigned shift = 0;        // 64 - bits of the bit table (q >= 4: hashed)
        unsigned bucketShift = 0;  // table position >> bucketShift = bucket
        unsigned headLength = 8;   // bytes of each string's head: at most its shortest string
        std::vector<std::uint64_t> bits;
        std::vector<std::uint32_t> bucketStart;  // segments of bucket b: [start[b], start[b+1])
        std::vector<Segment> segments;
        std::vector<std::uint64_t> heads;  // a string's first headLength bytes, as by ReadHead
        std::vector<std::uint32_t> ids;    // index into m_patterns, beside its head
    };
    struct Group {
        unsigned stride = 1;
        std::vector<RunTable> tables;  // longest runs first
    };

    static Run ReadRun(const char* p, unsigned q) {
        Run r;
        switch (q) {
            case 1:
                r.lo = static_cast<unsigned char>(*p);
                break;
            case 2: {
                std::uint16_t v;
                std::memcpy(&v, p, 2);
                r.lo = v;
                break;
            }
            case 4: {
                std::uint32_t v;
                std::memcpy(&v, p, 4);
                r.lo = v;
                break;
            }
            case 8:
                std::memcpy(&r.lo, p, 8);
                break;
            default:
                std::memcpy(&r.lo, p, 8);
                std::memcpy(&r.hi, p + 8, 8);
                break;
        }
        return r;
    }
    static std::uint64_t ReadHead(const char* p, unsigned length) {
        std::uint64_t v = 0;
        std::memcpy(&v, p, length);
        return v;
    }
    // The bit table position of a run: the run itself for q <= 2, a hash otherwise.
    static std::uint64_t Slot(const Run& r, const RunTable& t) {
        if (t.q <= 2) return r.lo;
        return ((r.lo ^ (r.hi * 0xC2B2AE3D27D4EB4Full)) * 0x9E3779B97F4A7C15ull) >> t.shift;
    }

    // The strings that marked the run at data[p]; false when onFound asked to stop.
    template <class OnFound>
    bool Verify(const RunTable& t, const char* data, std::size_t size, std::size_t p,
                const Run& run, std::uint64_t slot, OnFound& onFound) const;
    template <unsigned Q, class OnFound>
    bool ScanTable(const RunTable& t, std::size_t stride, const char* data, std::size_t size,
                   OnFound& onFound) const;

    void BuildTable(RunTable& t, unsigned stride, const std::vector<std::uint32_t>& members);

    // Below this many strings a run table costs more than a searcher per string.
    static constexpr std::size_t kFewForTable = 5;

    std::vector<std::string> m_patterns;
    std::vector<Group> m_groups;
    std::vector<CSubstringSearcher> m_single;  // for strings in groups of a few
    std::vector<std::uint32_t> m_singleIds;    // index into m_patterns, beside its searcher
    std::size_t m_nMaxLength = 0;
};

template <class OnFound>
bool CMultiStringSearcher::Verify(const RunTable& t, const char* data, std::size_t size,
                                  std::size_t p, const Run& run, std::uint64_t slot,
                                  OnFound& onFound) const {
    const std::uint64_t bucket = slot >> t.bucketShift;
    for (std::uint32_t k = t.bucketStart[bucket]; k < t.bucketStart[bucket + 1]; ++k) {
        const Segment& seg = t.segments[k];
        if (!(seg.run == run) || seg.offset > p || size - (p - seg.offset) < t.headLength) continue;
        const char* const start = data + p - seg.offset;
        const std::uint64_t head = ReadHead(start, t.headLength);
        const std::uint64_t* const heads = t.heads.data();
        for (const std::uint64_t* h = std::lower_bound(heads + seg.begin, heads + seg.end, head);
             h != heads + seg.end && *h == head; ++h) {
            const std::uint32_t i = t.ids[static_cast<std::size_t>(h - heads)];
            const std::string& pattern = m_patterns[i];
            if (pattern.size() > size - (p - seg.offset)) continue;
            if (std::memcmp(start, pattern.data(), pattern.size()) != 0) continue;
            if (!onFound(static_cast<std::size_t>(i), static_cast<std::size_t>(start - data)))
                return false;
        }
    }
    return true;
}

template <unsigned Q, class OnFound>
bool CMultiStringSearcher::ScanTable(const RunTable& t, std::size_t stride, const char* data,
                                     std::size_t size, OnFound& onFound) const {
    if (size < Q) return true;
    const std::uint64_t* const bits = t.bits.data();
    const std::size_t last = size - Q;
    for (std::size_t p = 0; p <= last; p += stride) {
        const Run run = ReadRun(data + p, Q);
        const std::uint64_t slot = Slot(run, t);
        if ((bits[slot >> 6] >> (slot & 63) & 1) != 0 &&
            !Verify(t, data, size, p, run, slot, onFound))
            return false;
    }
    return true;
}

template <class OnFound>
void CMultiStringSearcher::ForEachOccurrence(std::string_view text, OnFound&& onFound) const {
    const char* const data = text.data();
    const std::size_t size = text.size();
    for (std::size_t k = 0; k < m_single.size(); ++k) {
        for (const char* hit = m_single[k].Find(data, data + size); hit != data + size;
             hit = m_single[k].Find(hit + 1, data + size)) {
            if (!onFound(static_cast<std::size_t>(m_singleIds[k]),
                         static_cast<std::size_t>(hit - data)))
                return;
        }
    }
    for (const Group& g : m_groups) {
        for (const RunTable& t : g.tables) {
            bool more = true;
            switch (t.q) {
                case 16:
                    more = ScanTable<16>(t, g.stride, data, size, onFound);
                    break;
                case 8:
                    more = ScanTable<8>(t, g.stride, data, size, onFound);
                    break;
                case 4:
                    more = ScanTable<4>(t, g.stride, data, size, onFound);
                    break;
                case 2:
                    more = ScanTable<2>(t, g.stride, data, size, onFound);
                    break;
                default:
                    more = ScanTable<1>(t, g.stride, data, size, onFound);
                    break;
            }
            if (!more) return;
        }
    }
}
