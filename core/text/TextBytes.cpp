#include "TextBytes.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

bool IsValidUtf8Plain(std::string_view text);

#if defined(__x86_64__)
constexpr char c(std::uint8_t v) {
    return static_cast<char>(v);
}

// UTF-8 checked 32 bytes at a time by looking up, for every byte and the one before it,
// which errors the pair could be part of: a byte pair is wrong when the three lookups
// (high and low half of the first byte, high half of the second) share an error bit, and
// the third and fourth bytes of long characters are checked against the lead bytes two
// and three places back. Rejects exactly what the plain check rejects.
constexpr std::uint8_t kTooShort = 1 << 0;   // lead byte not followed by a continuation
constexpr std::uint8_t kTooLong = 1 << 1;    // ASCII followed by a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;  // E0 followed by 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;   // above U+10FFFF
constexpr std::uint8_t kSurrogate = 1 << 4;  // ED followed by A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;  // C0 or C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;
constexpr std::uint8_t kOverlong4 = 1 << 6;  // F0 followed by 80..8F
constexpr std::uint8_t kTwoConts = 1 << 7;   // two continuations, checked against the length
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

// A 16-entry table in both halves of a register, for _mm256_shuffle_epi8.
#define TV_TABLE16(...) _mm256_setr_epi8(__VA_ARGS__, __VA_ARGS__)

template <int N>
__attribute__((target("avx2"))) inline __m256i Prev(__m256i input, __m256i previous) {
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - N);
}

__attribute__((target("avx2"))) inline __m256i High4(__m256i v) {
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}
__attribute__((target("avx2"))) bool IsValidUtf8Avx2(std::string_view text) {
    const __m256i byte1High =
        TV_TABLE16(c(kTooLong), c(kTooLong), c(kTooLong), c(kTooLong), c(kTooLong), c(kTooLong),
                   c(kTooLong), c(kTooLong), c(kTwoConts), c(kTwoConts), c(kTwoConts), c(kTwoConts),
                   c(kTooShort | kOverlong2), c(kTooShort), c(kTooShort | kOverlong3 | kSurrogate),
                   c(kTooShort | kTooLarge | kTooLarge1000 | kOverlong4));
    const __m256i byte1Low = TV_TABLE16(
        c(kCarry | kOverlong3 | kOverlong2 | kOverlong4), c(kCarry | kOverlong2), c(kCarry),
        c(kCarry), c(kCarry | kTooLarge), c(kCarry | kTooLarge | kTooLarge1000),
        c(kCarry | kTooLarge | kTooLarge1000), c(kCarry | kTooLarge | kTooLarge1000),
        c(kCarry | kTooLarge | kTooLarge1000), c(kCarry | kTooLarge | kTooLarge1000),
        c(kCarry | kTooLarge | kTooLarge1000), c(kCarry | kTooLarge | kTooLarge1000),
        c(kCarry | kTooLarge | kTooLarge1000), c(kCarry | kTooLarge | kTooLarge1000 | kSurrogate),
        c(kCarry | kTooLarge | kTooLarge1000), c(kCarry | kTooLarge | kTooLarge1000));
    const __m256i byte2High =
        TV_TABLE16(c(kTooShort), c(kTooShort), c(kTooShort), c(kTooShort), c(kTooShort),
                   c(kTooShort), c(kTooShort), c(kTooShort),
                   c(kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4),
                   c(kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge),
                   c(kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge),
                   c(kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge), c(kTooShort),
                   c(kTooShort), c(kTooShort), c(kTooShort));
    // A block whose last three bytes start a character that would reach past it.
    const __m256i incompleteAbove = _mm256_setr_epi8(
        c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255),
        c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(255),
        c(255), c(255), c(255), c(255), c(255), c(255), c(255), c(0xEF), c(0xDF), c(0xBF));
    __m256i error = _mm256_setzero_si256();
    __m256i previous = _mm256_setzero_si256();
    __m256i incomplete = _mm256_setzero_si256();
    const char* p = text.data();
    std::size_t n = text.size();
    char last[32] = {};
    while (n > 0) {
        __m256i input;
        if (n >= 32) {
            input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            p += 32;
            n -= 32;
        } else {
            // The end, padded with NULs: a character cut short by the end meets ASCII.
            std::memcpy(last, p, n);
            input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(last));
            n = 0;
        }
        if (_mm256_movemask_epi8(input) == 0) {
            error = _mm256_or_si256(error, incomplete);
            incomplete = _mm256_setzero_si256();
        } else {
            const __m256i prev1 = Prev<1>(input, previous);
            const __m256i special = _mm256_and_si256(
                _mm256_and_si256(
                    _mm256_shuffle_epi8(byte1High, High4(prev1)),
                    _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)))),
                _mm256_shuffle_epi8(byte2High, High4(input)));
            const __m256i third =
                _mm256_subs_epu8(Prev<2>(input, previous), _mm256_set1_epi8(c(0xE0 - 0x80)));
            const __m256i fourth =
                _mm256_subs_epu8(Prev<3>(input, previous), _mm256_set1_epi8(c(0xF0 - 0x80)));
            const __m256i must23 =
                _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(c(0x80)));
            error = _mm256_or_si256(error, _mm256_xor_si256(must23, special));
            incomplete = _mm256_subs_epu8(input, incompleteAbove);
        }
        previous = input;
    }
    error = _mm256_or_si256(error, incomplete);
    return _mm256_testz_si256(error, error) != 0;
}

using CheckFunction = bool (*)(std::string_view);
const CheckFunction kIsValidUtf8 =
    __builtin_cpu_supports("avx2") ? IsValidUtf8Avx2 : IsValidUtf8Plain;
#else
const auto kIsValidUtf8 = IsValidUtf8Plain;
#endif

bool IsValidUtf8Plain(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            // Runs of ASCII, the bulk of most lines, eight bytes at a time.
            ++p;
            while (end - p >= 8) {
                std::uint64_t word = 0;
                std::memcpy(&word, p, 8);
                if ((word & 0x8080808080808080ull) != 0) break;
                p += 8;
            }
            continue;
        }
        std::size_t extra = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0) lo = 0xA0;  // overlong
            if (b == 0xED) hi = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0) lo = 0x90;  // overlong
            if (b == 0xF4) hi = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) <= extra) return false;
        if (p[1] < lo || p[1] > hi) return false;
        for (std::size_t k = 2; k <= extra; ++k) {
            if (p[k] < 0x80 || p[k] > 0xBF) return false;
        }
        p += extra + 1;
    }
    return true;
}

}  // namespace

bool IsAscii(std::string_view text) {
    return FindNonAscii(text.data(), text.data() + text.size()) == text.data() + text.size();
}

bool IsValidUtf8(std::string_view text) {
    return kIsValidUtf8(text);
}

TextReading ReadingOf(std::string_view text) {
    return ReadingOf(text, {});
}

TextReading ReadingOf(std::string_view first, std::string_view second) {
    if (IsAscii(first) && IsAscii(second)) return TextReading::Ascii;
    // Valid UTF-8 ends on a character boundary, so two valid parts make a valid whole.
    return IsValidUtf8(first) && IsValidUtf8(second) ? TextReading::Utf8 : TextReading::Windows1252;
}

const char* FindNonAscii(const char* begin, const char* end) {
    const char* p = begin;
    // Eight bytes at a time: this runs on every paint, and a search for a non-ASCII text
    // runs it over the whole log.
    while (end - p >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
        p += 8;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) return p;
    }
    return end;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    // Lead byte: 110xxxxx, 1110xxxx or 11110xxxx by the number of continuation bytes.
    out.push_back(static_cast<char>(((0xFF00u >> (extra + 1)) & 0xFFu) | (c >> (6 * extra))));
    for (int k = extra - 1; k >= 0; --k)
        out.push_back(static_cast<char>(0x80u | ((c >> (6 * k)) & 0x3Fu)));
}

char16_t Windows1252ToUnicode(unsigned char byte) {
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
    };
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80u];
    return byte;
}

std::string EncodeWindows1252(std::string_view utf8) {
    std::string out;
    for (const char* p = utf8.data(); p < utf8.data() + utf8.size();) {
        const char32_t c = NextUtf8(p);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        unsigned byte = 0x80;
        while (byte < 0xA0 && Windows1252ToUnicode(static_cast<unsigned char>(byte)) != c) ++byte;
        if (byte == 0xA0) return {};
        out.push_back(static_cast<char>(byte));
    }
    return out;
}
