#include "LineScan.h"

#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Each scan comes in two forms: kLf adds LF to the bytes that end a line.
template <bool kLf>
bool IsLineEnd(char c) {
    return c == '\r' || c == '\0' || (kLf && c == '\n');
}

template <bool kLf>
const char* FindLastPlain(const char* begin, const char* end) {
    while (end > begin) {
        --end;
        if (IsLineEnd<kLf>(*end)) return end;
    }
    return nullptr;
}

#if defined(__x86_64__)
template <bool kLf>
__attribute__((target("avx2"))) unsigned LineEndMask(__m256i v) {
    __m256i hits = _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r')),
                                   _mm256_cmpeq_epi8(v, _mm256_setzero_si256()));
    if constexpr (kLf) hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n')));
    return static_cast<unsigned>(_mm256_movemask_epi8(hits));
}

template <bool kLf>
__attribute__((target("avx2"))) const char* FindAvx2(const char* p) {
    for (;;) {
        const unsigned mask =
            LineEndMask<kLf>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
        if (mask != 0) return p + __builtin_ctz(mask);
        p += 32;
    }
}

template <bool kLf>
const char* FindSse2(const char* p) {
    for (;;) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                    _mm_cmpeq_epi8(v, _mm_setzero_si128()));
        if constexpr (kLf) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return p + __builtin_ctz(mask);
        p += 16;
    }
}

template <bool kLf>
__attribute__((target("avx2"))) const char* FindLastAvx2(const char* begin, const char* end) {
    while (end - begin >= 32) {
        const unsigned mask =
            LineEndMask<kLf>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(end - 32)));
        if (mask != 0) return end - 32 + (31 - __builtin_clz(mask));
        end -= 32;
    }
    return FindLastPlain<kLf>(begin, end);
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
#endif

template <bool kLf>
const char* Find(const char* p) {
#if defined(__x86_64__)
    return kHaveAvx2 ? FindAvx2<kLf>(p) : FindSse2<kLf>(p);
#else
    while (!IsLineEnd<kLf>(*p)) ++p;
    return p;
#endif
}

template <bool kLf>
const char* FindLast(const char* begin, const char* end) {
#if defined(__x86_64__)
    if (kHaveAvx2) return FindLastAvx2<kLf>(begin, end);
#endif
    return FindLastPlain<kLf>(begin, end);
}

}  // namespace

const char* FindCrOrNul(const char* p) {
    return Find<false>(p);
}
const char* FindCrLfOrNul(const char* p) {
    return Find<true>(p);
}

const char* SkipToLineStart(const char* p, const char* end) {
#if defined(__x86_64__)
    const __m128i limit = _mm_set1_epi8(0x1F);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpgt_epi8(v, limit));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && static_cast<signed char>(*p) < 0x20) ++p;
    return p;
}

const char* FindLastCrOrNul(const char* begin, const char* end) {
    return FindLast<false>(begin, end);
}
const char* FindLastCrLfOrNul(const char* begin, const char* end) {
    return FindLast<true>(begin, end);
}
