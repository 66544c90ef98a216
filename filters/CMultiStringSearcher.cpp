#include "CMultiStringSearcher.h"

#include <algorithm>
#include <cstdint>

namespace {

unsigned CeilLog2(std::size_t n) {
    unsigned b = 0;
    while ((std::size_t{1} << b) < n) ++b;
    return b;
}

// The stride and run length of a string's group, by its length: long runs where the
// string allows them (a run spanning several words hardly ever occurs in text by
// chance), then the longest stride that leaves a string two or more offsets to choose
// each of its runs from.
struct Shape {
    unsigned stride;
    unsigned run;
};
Shape ShapeFor(std::size_t length) {
    if (length >= 23) return {8, 16};
    if (length >= 19) return {4, 16};
    if (length >= 11) return {4, 8};
    if (length >= 7) return {4, 4};
    if (length >= 5) return {2, 4};
    if (length == 4) return {1, 4};
    if (length == 3) return {2, 2};
    if (length == 2) return {1, 2};
    return {1, 1};
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether a run of q bytes is likely common in log text: it holds letters of at most one
// word (a word and the blank beside it occur wherever the word does) and fewer than
// three digits (numbers vary from line to line, words do not).
bool LikelyCommon(const char* p, unsigned q) {
    int words = 0;
    int digits = 0;
    bool inWord = false;
    for (unsigned k = 0; k < q; ++k) {
        const bool letter = IsLetter(p[k]);
        if (letter && !inWord) ++words;
        inWord = letter;
        if (p[k] >= '0' && p[k] <= '9') ++digits;
    }
    return words <= 1 && digits < 3;
}

}  // namespace

CMultiStringSearcher::CMultiStringSearcher(const std::vector<std::string_view>& patterns) {
    m_patterns.reserve(patterns.size());
    // members[stride index][run index]: strides 8, 4, 2, 1; runs 16, 8, 4, 2, 1.
    std::vector<std::uint32_t> members[4][5];
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        m_patterns.emplace_back(patterns[i]);
        const std::size_t n = patterns[i].size();
        if (n == 0) continue;
        m_nMaxLength = std::max(m_nMaxLength, n);
        const Shape shape = ShapeFor(n);
        members[3 - CeilLog2(shape.stride)][4 - CeilLog2(shape.run)].push_back(
            static_cast<std::uint32_t>(i));
    }
    for (unsigned s = 0; s < 4; ++s) {
        Group g;
        g.stride = 8u >> s;
        for (unsigned r = 0; r < 5; ++r) {
            if (members[s][r].empty()) continue;
            if (members[s][r].size() < kFewForTable) {
                for (const std::uint32_t i : members[s][r]) {
                    m_single.emplace_back(m_patterns[i]);
                    m_singleIds.push_back(i);
                }
                continue;
            }
            g.tables.emplace_back();
            g.tables.back().q = 16u >> r;
            BuildTable(g.tables.back(), g.stride, members[s][r]);
        }
        if (!g.tables.empty()) m_groups.push_back(std::move(g));
    }
}

void CMultiStringSearcher::BuildTable(RunTable& t, unsigned stride,
                                      const std::vector<std::uint32_t>& members) {
    const unsigned q = t.q;
    const unsigned s = stride;
    const std::size_t runs = members.size() * s;
    // About 64 bits of table per run keeps the share of looked-at positions where a bit
    // is set by chance near 1.5 %; 2^22 bits (512 KiB) at most, to stay in the cache.
    const unsigned tableBits = q <= 2 ? 8 * q : std::clamp(CeilLog2(runs * 64), 12u, 22u);
    t.shift = 64 - tableBits;
    const unsigned bucketBits = std::min(tableBits, std::max(4u, CeilLog2(runs)));
    t.bucketShift = tableBits - bucketBits;
    t.bits.assign((std::size_t{1} << tableBits) / 64 + 1, 0);
    t.bucketStart.assign((std::size_t{1} << bucketBits) + 1, 0);

    // An occurrence is looked at where its start plus an offset is a multiple of s, so a
    // string marks one run at an offset of each remainder modulo s: of each remainder's
    // offsets the one whose bucket the runs marked before crowd least, then the one
    // least likely common in log text, then the one of the rarest bytes.
    std::vector<std::uint8_t> shared(std::size_t{1} << bucketBits, 0);
    struct Chosen {
        Run run;
        std::uint64_t slot;
        std::uint32_t offset;
        std::uint64_t head;
        std::uint32_t pattern;
    };
    std::vector<Chosen> chosen;
    chosen.reserve(runs);
    std::size_t shortest = SIZE_MAX;
    for (const std::uint32_t i : members) shortest = std::min(shortest, m_patterns[i].size());
    t.headLength = static_cast<unsigned>(std::min<std::size_t>(8, shortest));
    for (const std::uint32_t i : members) {
        const std::string& pattern = m_patterns[i];
        for (unsigned r = 0; r < s; ++r) {
            std::size_t best = r;
            long bestCost = 0;
            for (std::size_t o = r; o + q <= pattern.size(); o += s) {
                const char* run = pattern.data() + o;
                long cost = shared[Slot(ReadRun(run, q), t) >> t.bucketShift];
                cost = cost * 2 + (LikelyCommon(run, q) ? 1 : 0);
                int common = 0;
                for (unsigned k = 0; k < q; ++k)
                    common += CSubstringSearcher::Commonness(static_cast<unsigned char>(run[k]));
                cost = cost * 4096 + common;
                if (o == r || cost < bestCost) {
                    best = o;
                    bestCost = cost;
                }
            }
            const Run run = ReadRun(pattern.data() + best, q);
            const std::uint64_t slot = Slot(run, t);
            std::uint8_t& n = shared[slot >> t.bucketShift];
            if (n < 255) ++n;
            t.bits[slot >> 6] |= std::uint64_t{1} << (slot & 63);
            chosen.push_back(Chosen{run, slot, static_cast<std::uint32_t>(best),
                                    ReadHead(pattern.data(), t.headLength), i});
        }
    }
    // By bucket, then run and offset (one segment each), then head.
    std::sort(chosen.begin(), chosen.end(), [&t](const Chosen& a, const Chosen& b) {
        const std::uint64_t ba = a.slot >> t.bucketShift;
        const std::uint64_t bb = b.slot >> t.bucketShift;
        if (ba != bb) return ba < bb;
        if (a.run.lo != b.run.lo) return a.run.lo < b.run.lo;
        if (a.run.hi != b.run.hi) return a.run.hi < b.run.hi;
        if (a.offset != b.offset) return a.offset < b.offset;
        return a.head < b.head;
    });
    t.heads.reserve(chosen.size());
    t.ids.reserve(chosen.size());
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        const Chosen& c = chosen[k];
        if (k == 0 || !(chosen[k - 1].run == c.run) || chosen[k - 1].offset != c.offset) {
            const auto at = static_cast<std::uint32_t>(k);
            t.segments.push_back(Segment{c.run, c.offset, at, at});
            ++t.bucketStart[(c.slot >> t.bucketShift) + 1];
        }
        t.segments.back().end = static_cast<std::uint32_t>(k + 1);
        t.heads.push_back(c.head);
        t.ids.push_back(c.pattern);
    }
    for (std::size_t b = 1; b < t.bucketStart.size(); ++b) t.bucketStart[b] += t.bucketStart[b - 1];
}
