#include <gtest/gtest.h>

#include <string>

#include "CPatternSearcher.h"

TEST(CPatternSearcher, RequiredLiteralIsAlwaysInTheMatch) {
    struct Case {
        const char* pattern;
        bool matchCase;
        const char* literal;
    } const cases[] = {
        {"checksum [0-9a-f]{8}", true, "checksum "},
        {"[0-9]{4}-x", true, "-x"},
        {"abc?def", true, "def"},     // c is optional
        {"xab+cd", true, "xab"},      // b repeats: the run ends after it
        {"a(bcdef)?gh", true, "gh"},  // inside a group nothing is taken
        {"foo|barbaz", true, ""},     // alternatives
        {"(?i)abc", true, ""},        // flags
        {"ask", false, "a"},          // k and s fold beyond ASCII
        {"a\\.b\\d", true, "a.b"},
        {"\\x41BC", true, ""},
        {"é+xyz", true, "xyz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CPatternSearcher::LongestRequiredLiteral(c.pattern, c.matchCase), c.literal)
            << c.pattern;
}

TEST(CPatternSearcher, MatchesUnderTheOptions) {
    struct Case {
        const char* pattern;
        bool matchCase;
        bool wholeWord;
        std::string line;
        bool matches;
        std::size_t pos;
        std::size_t length;
    } const cases[] = {
        {"checksum [0-9a-f]{8}", true, false, "x checksum 0badf00d y", true, 2, 17},
        {"checksum [0-9a-f]{8}", true, false, "x Checksum 0badf00d y", false, 0, 0},
        {"checksum [0-9a-f]{8}", false, false, "x CHECKSUM 0BADF00D y", true, 2, 17},
        {"[0-9]{4}-x", true, false, "id 1234-x", true, 3, 6},
        {"err\\w+", true, true, "an errors", true, 3, 6},
        {"err\\w+", true, true, "an errors, more", false, 0, 0},
        {"x*", true, false, "abc", true, 0, 0},  // the empty match counts
        {"", true, false, "abc", true, 0, 0},
        {"ü", true, false, "gr\xc3\xbcn", true, 2, 2},
        {"ü", true, false, "gr\xfcn", true, 2, 1},  // a Windows-1252 line reads as it shows
        {"€", true, false, "5 \x80", true, 2, 1},
        {".", true, false, "\xff", true, 0, 1},  // one stray byte is one character
        {"^.$", true, false, "\xc3\xbc\xff", false, 0, 0},
        {"a.c", true, false, "a\xe9\x00c", false, 0, 0},
    };
    for (const Case& c : cases) {
        const CPatternSearcher s(c.pattern, c.matchCase, c.wholeWord);
        ASSERT_TRUE(s.IsValid()) << c.pattern << ": " << s.Error();
        const auto m = s.Find(c.line);
        ASSERT_EQ(m.has_value(), c.matches) << c.pattern << " in " << c.line;
        if (m) {
            EXPECT_EQ(m->pos, c.pos) << c.pattern;
            EXPECT_EQ(m->length, c.length) << c.pattern;
        }
    }
}

TEST(CPatternSearcher, BadPatternsGiveOneMessageAndMatchNothing) {
    struct Case {
        std::string pattern;
        const char* message;
    } const cases[] = {
        {"ab(cd", "The pattern cannot be used at character 1: missing ): ab(cd."},
        {"ab[z-a]",
         "The pattern cannot be used at character 4: invalid character class range: z-a."},
        {"a\xff", "The pattern cannot be used at character 2: invalid UTF-8."},
    };
    for (const Case& c : cases) {
        const CPatternSearcher s(c.pattern, true);
        EXPECT_FALSE(s.IsValid());
        EXPECT_EQ(s.Error(), c.message);
        EXPECT_FALSE(s.Matches("ab(cd ab[z-a] a\xff"));
    }
}

TEST(CPatternSearcher, HugeInputsStayLinear) {
    // Backtracking engines take exponential time here; this one a pass over the line.
    const std::string longLine(1 << 20, 'a');
    EXPECT_FALSE(CPatternSearcher("(a+)+$x", true).Matches(longLine));
    EXPECT_TRUE(CPatternSearcher("(a+)+$", true).Matches(longLine + "!" + longLine));
    // A 100 KiB pattern either compiles or says why; it never takes the program down.
    std::string big;
    while (big.size() < 100 * 1024) big += "(abc|def)";
    const CPatternSearcher s(big, true);
    if (s.IsValid())
        EXPECT_FALSE(s.Matches("abcdef"));
    else
        EXPECT_NE(s.Error().find("cannot be used"), std::string::npos);
}
