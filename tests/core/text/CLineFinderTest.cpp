#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "CLineFinder.h"
#include "CSubstringSearcher.h"
#include "LineBlock.h"

namespace {

using Lines = LineBlock;

std::optional<std::int64_t> FindNext(const Lines& lines, std::string_view text,
                                     std::optional<std::int64_t> anchor, bool down,
                                     bool matchCase = false, bool wholeWord = false) {
    return CLineFinder(text, matchCase, wholeWord)
        .FindNext(lines.Source(), lines.Count(), anchor, down);
}

TEST(CLineFinderTest, CaseRulesForAsciiAndFoldedLetters) {
    const CLineFinder anyCase("ERROR", false, false);
    EXPECT_TRUE(anyCase.Matches("an error here"));
    EXPECT_TRUE(anyCase.Matches("Error"));
    EXPECT_FALSE(anyCase.Matches("err or"));
    const CLineFinder exact("ERROR", true, false);
    EXPECT_FALSE(exact.Matches("an error, an Error"));
    EXPECT_TRUE(exact.Matches("ERROR"));

    // é finds É in a UTF-8 line; multi-byte folding and Greek final sigma fold too.
    EXPECT_TRUE(CLineFinder("é", false, false).Matches("CAF\xC3\x89 open"));
    EXPECT_TRUE(CLineFinder("ÉTÉ", false, false).Matches("x \xC3\xa9t\xC3\xa9 y"));
    EXPECT_TRUE(CLineFinder("σ", false, false).Matches("\xCF\x82"));
    // Letters whose two cases differ in length: U+023A (2 bytes) and U+2C65 (3 bytes).
    EXPECT_TRUE(CLineFinder("x\xE2\xB1\xA5", false, true).Matches("a X\xC8\xBA"));
    EXPECT_TRUE(CLineFinder("\xC8\xBA", false, false).Matches("\xE2\xB1\xA5"));
    EXPECT_FALSE(CLineFinder("é", true, false).Matches("CAF\xC3\x89"));
    // A line that is not UTF-8 compares bytes: only a to z ignore case.
    EXPECT_TRUE(CLineFinder("é", false, false).Matches("caf\xC3\xA9 \xFF"));
    EXPECT_FALSE(CLineFinder("é", false, false).Matches("CAF\xC3\x89 \xFF"));
    // With its Windows-1252 form, the text is found in lines of that code page as they
    // are shown; there only a to z ignore case.
    const CLineFinder legacy("caf\xC3\xA9", false, false, "caf\xE9");
    EXPECT_TRUE(legacy.Matches("CAF\xE9 \x96"));
    EXPECT_FALSE(legacy.Matches("caf\xC9 \x96"));
    EXPECT_TRUE(legacy.Matches("caf\xC3\x89"));
    EXPECT_FALSE(CLineFinder("caf\xC3\xA9", true, false, "caf\xE9").Matches("CAF\xE9 \x96"));
    EXPECT_EQ(FindNext(Lines({"caf\xC3\xA9 \xFF", "plain", "a caf\xE9"}), "caf\xC3\xA9", 1, true),
              0);
    EXPECT_EQ(CLineFinder("caf\xC3\xA9", true, true, "caf\xE9")
                  .FindNext(Lines({"caf\xC3\xA9 \xFF", "plain", "a caf\xE9"}).Source(), 3, 0, true),
              2);
    // An ASCII text matches ASCII letters only: a byte above ASCII is never a letter of it.
    EXPECT_FALSE(CLineFinder("a", false, false).Matches("\xC1\xE1"));
    EXPECT_TRUE(CLineFinder("k", false, false).Matches("K"));
}

TEST(CLineFinderTest, WholeWordLooksAtTheFirstOccurrenceOnly) {
    const CLineFinder word("err", false, true);
    EXPECT_FALSE(word.Matches("err: disk"));
    EXPECT_TRUE(word.Matches("an err here"));
    EXPECT_TRUE(word.Matches("the end err"));
    EXPECT_TRUE(word.Matches("err\tthen"));
    EXPECT_FALSE(word.Matches("err: first, err then"));
    EXPECT_FALSE(
        word.Matches("\xA0"
                     "err"));  // no byte above ASCII is white space
    // The same through the scan of a run of lines.
    EXPECT_EQ(FindNext(Lines({"err: first, err then", "x err y"}), "ERR", std::nullopt, true, false,
                       true),
              1);
    // The folded occurrence's own length decides where the word ends.
    EXPECT_TRUE(CLineFinder("é", false, true).Matches("a \xC3\x89 b"));
}

TEST(CLineFinderTest, FindNextOrderWrapsAroundTheAnchor) {
    const Lines lines({"0", "1", "2", "3 hit", "4", "5", "6", "7", "8 hit", "9"});
    EXPECT_EQ(FindNext(lines, "hit", 7, true), 8);
    EXPECT_EQ(FindNext(lines, "hit", 8, true), 3);
    EXPECT_EQ(FindNext(lines, "hit", 7, false), 3);
    EXPECT_EQ(FindNext(lines, "hit", 3, false), 8);
    EXPECT_EQ(FindNext(lines, "hit", 2, false), 8);

    // The anchor (the current hit) is not tested again.
    const Lines one({"a", "b hit", "c"});
    EXPECT_EQ(FindNext(one, "hit", 1, true), std::nullopt);
    EXPECT_EQ(FindNext(one, "hit", 1, false), std::nullopt);
    const Lines single({"hit"});
    EXPECT_EQ(FindNext(single, "hit", 0, true), std::nullopt);

    // Nothing happens for an empty text or a text that occurs nowhere.
    EXPECT_EQ(FindNext(lines, "", std::nullopt, true), std::nullopt);
    EXPECT_EQ(FindNext(lines, "\x01\x02", std::nullopt, true), std::nullopt);
}

TEST(CLineFinderTest, NoAnchorCoversEveryLine) {
    const Lines last({"a", "b", "c hit"});
    EXPECT_EQ(FindNext(last, "hit", std::nullopt, true), 2);
    const Lines second({"a", "b hit", "c"});
    EXPECT_EQ(FindNext(second, "hit", std::nullopt, false), 1);
    const Lines first({"hit", "b hit"});
    EXPECT_EQ(FindNext(first, "hit", std::nullopt, false), 0);
    EXPECT_EQ(FindNext(Lines({"hit"}), "hit", std::nullopt, true), 0);
}

TEST(CLineFinderTest, OccurrencesOutsideLinesDoNotCount) {
    // "a\r\nb" spans a line end; a one-line window of the block ignores its neighbours.
    const Lines lines({"xa", "bx", "ab"});
    EXPECT_EQ(FindNext(lines, "a\r\nb", std::nullopt, true), std::nullopt);
    const CLineFinder finder("ab", false, false);
    EXPECT_EQ(finder.FindInRange(lines.Source(), 0, 1), std::nullopt);
    EXPECT_EQ(finder.FindInRange(lines.Source(), 2, 0), 2);

    // Many lines, a hit far above the start: the upward scan goes block by block.
    std::vector<std::string> many(10000, "line of text");
    many[17] = "line of TEXT FOUND";
    many[9000] = "found it";
    const Lines big(many);
    EXPECT_EQ(CLineFinder("found", false, false).FindInRange(big.Source(), 8999, 0), 17);
    EXPECT_EQ(CLineFinder("found", false, false).FindInRange(big.Source(), 9999, 0), 9000);
    EXPECT_EQ(CLineFinder("Found", true, false).FindInRange(big.Source(), 0, 9999), std::nullopt);
}

TEST(CLineFinderTest, RegularExpressionsFindLinesAndMarkTheirMatches) {
    const Lines lines({"disk full on sda", "checksum 1a2b3c4d ok", "Checksum DEADBEEF",
                       "a caf\xE9 x", "checksum later", "1234-x"});
    const struct {
        const char* pattern;
        bool matchCase;
        bool wholeWord;
        std::optional<std::int64_t> down, up;  // from line 0, down and up; {} for none
    } cases[] = {
        {"checksum [0-9a-f]{8}", true, false, 1, 1},   // a literal part picks the candidates
        {"checksum [0-9a-f]{8}", false, false, 1, 2},  // the case option applies to the pattern
        {"[0-9]{4}-x", true, false, 5, 5},             // a literal after the pattern's start
        {"^[0-9a-f ]+$", true, false, {}, {}},         // no literal part: every line is tried
        {"caf\xC3\xA9", true, false, 3, 3},            // a Windows-1252 line as it shows
        {"sd", true, true, {}, {}},                    // whole word: "sda" is no match
        {"later|sda", true, true, 4, 4},
        {"(", true, false, {}, {}},  // does not compile: finds nothing
    };
    for (const auto& c : cases) {
        const CLineFinder finder(CLineFinder::RegularExpression{}, c.pattern, c.matchCase,
                                 c.wholeWord);
        EXPECT_EQ(finder.FindNext(lines.Source(), lines.Count(), 0, true), c.down) << c.pattern;
        EXPECT_EQ(finder.FindNext(lines.Source(), lines.Count(), 0, false), c.up) << c.pattern;
    }
    // Marks: every match in a window of a line, none for an empty match.
    const CLineFinder digits(CLineFinder::RegularExpression{}, "[0-9]+", true, false);
    std::size_t length = 0;
    const std::string_view line = "ab 12 cd 345";
    EXPECT_EQ(digits.FindOccurrence(line, 0, line.size(), TextReading::Utf8, length), 3u);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(digits.FindOccurrence(line, 5, line.size(), TextReading::Utf8, length), 9u);
    EXPECT_EQ(length, 3u);
    const CLineFinder empty(CLineFinder::RegularExpression{}, "x*", true, false);
    EXPECT_EQ(empty.FindOccurrence(line, 0, line.size(), TextReading::Utf8, length),
              std::string_view::npos);
    EXPECT_TRUE(empty.Matches(line));
}

TEST(CSubstringSearcherTest, IgnoringAsciiCaseFindsEveryPosition) {
    // Long enough texts to reach the wide scans, with the occurrence at each offset.
    for (std::size_t at = 0; at < 100; ++at) {
        std::string text(120, '.');
        text.replace(at, 3, "eRr");
        const CSubstringSearcher searcher("ERR", true);
        EXPECT_EQ(searcher.Find(text.data(), text.data() + text.size()) - text.data(),
                  static_cast<std::ptrdiff_t>(at));
        const CSubstringSearcher one("r", true);
        EXPECT_EQ(one.Find(text.data(), text.data() + text.size()) - text.data(),
                  static_cast<std::ptrdiff_t>(at + 1));
    }
    const std::string other =
        std::string(64, '\xE5') + "@[`{";  // letters with bit 0x20 flipped are not letters
    EXPECT_FALSE(CSubstringSearcher("\xC5", true).Contains(other));
    EXPECT_FALSE(CSubstringSearcher("`", true).Contains("@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@"));
    EXPECT_FALSE(CSubstringSearcher("Err", false).Contains(std::string(80, ' ') + "ERR"));
}

}  // namespace
