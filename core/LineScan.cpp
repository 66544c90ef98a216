#include "LineScan.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

const char* FindCrOrNul(const char* p) {
#if defined(__SSE2__)
    while ((reinterpret_cast<std::uintptr_t>(p) & 15u) != 0) {
        if (*p == '\r' || *p == '\0') return p;
        ++p;
    }
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    for (;;) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, nul)));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#else
    while (*p != '\r' && *p != '\0') ++p;
    return p;
#endif
}

const char* SkipToLineStart(const char* p, const char* end) {
#if defined(__SSE2__)
    while (p < end && (reinterpret_cast<std::uintptr_t>(p) & 15u) != 0) {
        if (static_cast<signed char>(*p) >= 0x20) return p;
        ++p;
    }
    const __m128i limit = _mm_set1_epi8(0x1F);
    while (end - p >= 16) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpgt_epi8(v, limit));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && static_cast<signed char>(*p) < 0x20) ++p;
    return p;
}
