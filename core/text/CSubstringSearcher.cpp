#include "CSubstringSearcher.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Whether text holds the needle (letters in lower case) with letters in either case.
bool EqualIgnoringCase(const char* text, const std::string& needle) {
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (ToLowerAscii(text[i]) != needle[i]) return false;
    }
    return true;
}

bool EqualAt(const char* text, const std::string& needle, bool ignoreCase) {
    return ignoreCase ? EqualIgnoringCase(text, needle)
                      : std::memcmp(text, needle.data(), needle.size()) == 0;
}

// The first candidate start, base plus a set bit of mask, where the whole needle is.
const char* FirstMatch(const char* base, std::uint64_t mask, const std::string& needle,
                       bool ignoreCase) {
    while (mask != 0) {
        const char* candidate = base + __builtin_ctzll(mask);
        if (EqualAt(candidate, needle, ignoreCase)) return candidate;
        mask &= mask - 1;
    }
    return nullptr;
}

// The bytes the scans compare: a rare byte, and what is or-ed into a text byte first.
struct RarePair {
    std::size_t i1;
    std::size_t i2;
    char fold1;
    char fold2;
    bool ignoreCase;
};

#if defined(__x86_64__)
// Candidate starts where both rare bytes sit at their offsets, 32 starts at a time, from
// p while at least 32 starts remain before lastStart; returns the first full match, or
// the first start not yet looked at in resume.
__attribute__((target("avx2"))) const char* FindPairsAvx2(const char* p, const char* lastStart,
                                                          const std::string& needle,
                                                          const RarePair& r, const char*& resume) {
    const __m256i v1 = _mm256_set1_epi8(needle[r.i1]);
    const __m256i v2 = _mm256_set1_epi8(needle[r.i2]);
    const __m256i f1 = _mm256_set1_epi8(r.fold1);
    const __m256i f2 = _mm256_set1_epi8(r.fold2);
    while (lastStart - p >= 31) {
        const __m256i a =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + r.i1)), f1);
        const __m256i b =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + r.i2)), f2);
        const auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, v1), _mm256_cmpeq_epi8(b, v2))));
        if (const char* hit = FirstMatch(p, mask, needle, r.ignoreCase)) return hit;
        p += 32;
    }
    resume = p;
    return nullptr;
}

// The same with 64 starts at a time, for processors that compare 64 bytes into a mask.
__attribute__((target("avx512bw"))) const char* FindPairsAvx512(const char* p,
                                                                const char* lastStart,
                                                                const std::string& needle,
                                                                const RarePair& r,
                                                                const char*& resume) {
    const __m512i v1 = _mm512_set1_epi8(needle[r.i1]);
    const __m512i v2 = _mm512_set1_epi8(needle[r.i2]);
    const __m512i f1 = _mm512_set1_epi8(r.fold1);
    const __m512i f2 = _mm512_set1_epi8(r.fold2);
    while (lastStart - p >= 63) {
        const std::uint64_t mask =
            _mm512_cmpeq_epi8_mask(_mm512_or_si512(_mm512_loadu_si512(p + r.i1), f1), v1) &
            _mm512_cmpeq_epi8_mask(_mm512_or_si512(_mm512_loadu_si512(p + r.i2), f2), v2);
        if (const char* hit = FirstMatch(p, mask, needle, r.ignoreCase)) return hit;
        p += 64;
    }
    resume = p;
    return nullptr;
}

const bool kHaveAvx512 = __builtin_cpu_supports("avx512bw");
const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

// Blanks, lower-case letters in the order of their frequency in English, digits and the
// usual punctuation.
int CSubstringSearcher::Commonness(unsigned char c) {
    static const char* const kByFrequency =
        " etaoinsrhldcumfpgwybvk0123456789:/-.,=_()xjqzETAOINSRHLDCUMFPGWYBVKXJQZ";
    const char* hit = c != 0 ? std::strchr(kByFrequency, c) : nullptr;
    return hit != nullptr ? 200 - static_cast<int>(hit - kByFrequency) : 0;
}

CSubstringSearcher::CSubstringSearcher(std::string_view needle, bool ignoreAsciiCase)
    : m_needle(needle), m_bIgnoreCase(ignoreAsciiCase) {
    if (m_bIgnoreCase) {
        for (char& c : m_needle) c = ToLowerAscii(c);
    }
    // A one-byte needle of either case is scanned as a pair of the same byte.
    if (m_needle.size() < 2) {
        if (m_bIgnoreCase && !m_needle.empty() && IsAsciiLetter(m_needle[0]))
            m_nFold1 = m_nFold2 = 0x20;
        return;
    }
    // Rarest byte first, then the rarest at another offset.
    for (std::size_t i = 1; i < m_needle.size(); ++i) {
        if (Commonness(static_cast<unsigned char>(m_needle[i])) <
            Commonness(static_cast<unsigned char>(m_needle[m_nRare1]))) {
            m_nRare1 = i;
        }
    }
    m_nRare2 = m_nRare1 == 0 ? 1 : 0;
    for (std::size_t i = 0; i < m_needle.size(); ++i) {
        if (i != m_nRare1 && Commonness(static_cast<unsigned char>(m_needle[i])) <
                                 Commonness(static_cast<unsigned char>(m_needle[m_nRare2]))) {
            m_nRare2 = i;
        }
    }
    if (m_bIgnoreCase) {
        m_nFold1 = IsAsciiLetter(m_needle[m_nRare1]) ? 0x20 : 0;
        m_nFold2 = IsAsciiLetter(m_needle[m_nRare2]) ? 0x20 : 0;
    }
}

const char* CSubstringSearcher::Find(const char* begin, const char* end) const {
    const std::size_t n = m_needle.size();
    if (n == 0) return begin;
    if (static_cast<std::size_t>(end - begin) < n) return end;
    if (n == 1 && m_nFold1 == 0) {
        const void* hit = std::memchr(begin, m_needle[0], static_cast<std::size_t>(end - begin));
        return hit != nullptr ? static_cast<const char*>(hit) : end;
    }
    const char* const lastStart = end - n;
    const char* p = begin;
    const RarePair r{m_nRare1, m_nRare2, m_nFold1, m_nFold2, m_bIgnoreCase};
    const char r1 = m_needle[m_nRare1];
    const char r2 = m_needle[m_nRare2];
#if defined(__x86_64__)
    if (kHaveAvx512) {
        if (const char* hit = FindPairsAvx512(p, lastStart, m_needle, r, p)) return hit;
    }
    if (kHaveAvx2) {
        if (const char* hit = FindPairsAvx2(p, lastStart, m_needle, r, p)) return hit;
    }
    // Sixteen candidate starts at a time; every load stays inside [begin, end).
    const __m128i v1 = _mm_set1_epi8(r1);
    const __m128i v2 = _mm_set1_epi8(r2);
    const __m128i f1 = _mm_set1_epi8(m_nFold1);
    const __m128i f2 = _mm_set1_epi8(m_nFold2);
    while (lastStart - p >= 15) {
        const __m128i a =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + m_nRare1)), f1);
        const __m128i b =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + m_nRare2)), f2);
        const auto mask = static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, v1), _mm_cmpeq_epi8(b, v2))));
        if (const char* hit = FirstMatch(p, mask, m_needle, m_bIgnoreCase)) return hit;
        p += 16;
    }
#endif
    for (; p <= lastStart; ++p) {
        if ((p[m_nRare1] | m_nFold1) == r1 && (p[m_nRare2] | m_nFold2) == r2 &&
            EqualAt(p, m_needle, m_bIgnoreCase)) {
            return p;
        }
    }
    return end;
}
