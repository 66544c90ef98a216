#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TextBytes.h"

namespace {

// UTF-8 by the definition: each character's length from its lead byte, continuations
// 80..BF, no overlong form, no surrogate, nothing above U+10FFFF.
bool ValidByDefinition(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if ((b & 0xE0u) == 0xC0u) {
            length = 2;
            cp = b & 0x1Fu;
        } else if ((b & 0xF0u) == 0xE0u) {
            length = 3;
            cp = b & 0x0Fu;
        } else if ((b & 0xF8u) == 0xF0u) {
            length = 4;
            cp = b & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0u) != 0x80u) return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

TEST(TextBytesTest, Utf8CheckAgreesWithTheDefinitionOnRandomText) {
    // Bytes at the edges of every range, in texts long enough to cross the 32-byte
    // blocks the check works in, with characters cut at every place.
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                   0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                   0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    std::uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(state >> 33);
    };
    int valid = 0;
    for (int i = 0; i < 300000; ++i) {
        std::string text(next() % 40, 'a');
        const std::size_t length = next() % 100;
        for (std::size_t k = 0; k < length; ++k) {
            // Mostly well-formed characters, so that long valid texts occur.
            switch (next() % 4) {
                case 0:
                    text += static_cast<char>(edges[next() % sizeof edges]);
                    break;
                case 1:
                    text += "\xC3\xA9";
                    break;
                case 2:
                    text += "\xE2\x80\x93";
                    break;
                default:
                    text += "\xF0\x9F\x98\x80";
                    break;
            }
        }
        const bool expected = ValidByDefinition(text);
        valid += expected ? 1 : 0;
        ASSERT_EQ(IsValidUtf8(text), expected) << i;
    }
    EXPECT_GT(valid, 1000);
}

TEST(TextBytesTest, TheReadingOfTwoPartsIsTheReadingOfTheirWhole) {
    EXPECT_EQ(ReadingOf("plain", " text"), TextReading::Ascii);
    EXPECT_EQ(ReadingOf("caf\xC3\xA9", " ok"), TextReading::Utf8);
    EXPECT_EQ(ReadingOf("caf\xC3\xA9", " \xE9"), TextReading::Windows1252);
    EXPECT_EQ(ReadingOf("\xE9t\xE9", " ok"), TextReading::Windows1252);
}

TEST(TextBytesTest, Utf8CheckRejectsMalformedSequences) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xE2\x80\x93 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong slash
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("ab\xE2\x80"));        // cut short at the end
    EXPECT_FALSE(IsValidUtf8("\x80"));              // stray continuation byte
}

TEST(TextBytesTest, Utf8CheckSeesPastLongAsciiRuns) {
    for (std::size_t n = 0; n < 20; ++n) {
        const std::string ascii(n, 'a');
        EXPECT_TRUE(IsValidUtf8(ascii + "\xC3\xA9" + ascii)) << n;
        EXPECT_FALSE(IsValidUtf8(ascii + "\xC0\x80" + ascii)) << n;
        EXPECT_FALSE(IsValidUtf8(ascii + "\xE2\x80")) << n;
        EXPECT_EQ(FindNonAscii(ascii.data(), ascii.data() + n), ascii.data() + n);
    }
    std::string utf8;
    AppendUtf8(U'\u2C65', utf8);
    AppendUtf8(U'\U0001F600', utf8);
    EXPECT_EQ(utf8, "\xE2\xB1\xA5\xF0\x9F\x98\x80");
}

}  // namespace
