#include "LineScan.h"

#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

const char* FindLastCrOrNulPlain(const char* begin, const char* end) {
    while (end > begin) {
        --end;
        if (*end == '\r' || *end == '\0') return end;
    }
    return nullptr;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) const char* FindCrOrNulAvx2(const char* p) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i nul = _mm256_setzero_si256();
    for (;;) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const auto mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, nul))));
        if (mask != 0) return p + __builtin_ctz(mask);
        p += 32;
    }
}

const char* FindCrOrNulSse2(const char* p) {
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    for (;;) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, nul))));
        if (mask != 0) return p + __builtin_ctz(mask);
        p += 16;
    }
}

__attribute__((target("avx2"))) const char* FindLastCrOrNulAvx2(const char* begin, const char* end) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i nul = _mm256_setzero_si256();
    while (end - begin >= 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(end - 32));
        const auto mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, nul))));
        if (mask != 0) return end - 32 + (31 - __builtin_clz(mask));
        end -= 32;
    }
    return FindLastCrOrNulPlain(begin, end);
}

using FindLastFunction = const char* (*)(const char*, const char*);
const FindLastFunction kFindLast = __builtin_cpu_supports("avx2") ? FindLastCrOrNulAvx2 : FindLastCrOrNulPlain;

using FindFunction = const char* (*)(const char*);
const FindFunction kFind = __builtin_cpu_supports("avx2") ? FindCrOrNulAvx2 : FindCrOrNulSse2;
#endif

}  // namespace

const char* FindCrOrNul(const char* p) {
#if defined(__x86_64__)
    return kFind(p);
#else
    while (*p != '\r' && *p != '\0') ++p;
    return p;
#endif
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
#if defined(__x86_64__)
    return kFindLast(begin, end);
#else
    return FindLastCrOrNulPlain(begin, end);
#endif
}
