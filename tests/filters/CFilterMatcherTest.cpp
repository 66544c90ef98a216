#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CFilterMatcher.h"
#include "CMultiStringSearcher.h"
#include "CTrawlviewDoc.h"
#include "DisplayedLines.h"
#include "FakeDocumentHost.h"
#include "FilterList.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

const LocaleFormats& Mdy() {
    static const LocaleFormats formats = MakeLocaleFormats({}, {});
    return formats;
}

// Bytes from a small alphabet, so that random texts occur in random lines, with NUL,
// CR, LF and high bytes among them.
std::string RandomBytes(std::mt19937& rng, std::size_t maxLength) {
    static const char kAlphabet[] = {'a', 'b',  'a',  'b',  'c',    ' ',
                                     '0', '\0', '\r', '\n', '\x80', '\xff'};
    std::string s(std::uniform_int_distribution<std::size_t>(0, maxLength)(rng), 'a');
    for (char& c : s)
        c = kAlphabet[std::uniform_int_distribution<std::size_t>(0, sizeof kAlphabet - 1)(rng)];
    return s;
}

// A random timestamp in 2002-2004 in the log's (MDY) or a colour prefix's (YMD) order.
std::string RandomStamp(std::mt19937& rng, bool prefixed, LogTime& t) {
    t = LogTime{2002 + static_cast<int>(rng() % 3), 1 + static_cast<int>(rng() % 12),
                1 + static_cast<int>(rng() % 28),   static_cast<int>(rng() % 24),
                static_cast<int>(rng() % 60),       static_cast<int>(rng() % 60)};
    char text[40];
    if (prefixed) {
        std::snprintf(text, sizeof text, "R %04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
    } else {
        std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year,
                      t.hour, t.minute, t.second);
    }
    return text;
}

std::string RandomLine(std::mt19937& rng) {
    LogTime t;
    switch (rng() % 3) {
        case 0:
            return RandomBytes(rng, 60);
        case 1:
            return RandomStamp(rng, rng() % 2 == 0, t) + " - " + RandomBytes(rng, 60);
        default:
            return RandomStamp(rng, false, t).substr(0, 12) + RandomBytes(rng, 40);  // not readable
    }
}

// A random list: string texts of every length group (some cut from lines, so that they
// occur), intervals with reversed, missing and default ends, and unset nodes.
FilterList RandomList(std::mt19937& rng, const std::vector<std::string>& lines, bool many) {
    FilterList list;
    const std::size_t count = many || rng() % 4 == 0 ? rng() % 300 + (many ? 100 : 0) : rng() % 12;
    for (std::size_t i = 0; i < count; ++i) {
        // Patterns: with and without literals, one matching the empty text, one that does
        // not compile, one of invalid UTF-8.
        static const char* const kPatterns[] = {"a+b", "c[ 0]{2}", "^b", "a?",
                                                "b(",  "\xff",     "0$", ".\r"};
        const int pick = static_cast<int>(rng() % 12);
        const auto kind = static_cast<FilterKind>(pick < 2 ? 4 : pick < 4 ? pick + 3 : pick % 4);
        std::string text;
        if (kind == FilterKind::IncludePattern || kind == FilterKind::ExcludePattern) {
            text = kPatterns[rng() % std::size(kPatterns)];
        } else if (kind == FilterKind::IncludeString || kind == FilterKind::ExcludeString) {
            const std::string& line = lines[rng() % lines.size()];
            const std::size_t from = line.empty() ? 0 : rng() % line.size();
            text = rng() % 2 == 0 ? line.substr(from, 1 + rng() % 30) : RandomBytes(rng, 30);
            if (rng() % 40 == 0) text.clear();
        } else {
            LogTime a, b;
            text = RandomStamp(rng, false, a) + " to " + RandomStamp(rng, false, b);
            if (rng() % 10 == 0) text = "unreadable to " + text.substr(0, 19);
        }
        LogFilter filter = MakeFilter(text, kind, Mdy());
        if (rng() % 30 == 0) filter.from.reset();
        list.Append(std::move(filter));
    }
    return list;
}

TEST(CFilterMatcher, AgreesWithTheOneByOneRuleOnRandomListsAndLines) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round) {
        // Now and then a block long enough to be shared by two threads.
        std::vector<std::string> lines(round % 50 == 0 ? 1500 : 40);
        for (std::string& line : lines) line = RandomLine(rng);
        const FilterList list = RandomList(rng, lines, lines.size() > 40);
        // The lines one after another, as a block is decided at once.
        std::string block;
        std::vector<LineSpan> spans;
        for (const std::string& line : lines) {
            spans.push_back({block.size(), line.size()});
            block += line + "\r\n";
        }
        for (const bool excludeInvalid : {false, true}) {
            const CFilterMatcher matcher(list, excludeInvalid, Mdy());
            const std::unique_ptr<bool[]> each(new bool[lines.size()]);
            matcher.PassesEach(block.data(), spans.data(), spans.size(), each.get());
            for (std::size_t k = 0; k < lines.size(); ++k) {
                bool expected = true;
                for (const LogFilter& filter : list)
                    expected = expected && Matches(filter, lines[k], excludeInvalid, Mdy());
                ASSERT_EQ(matcher.Passes(lines[k]), expected)
                    << "round " << round << ", line " << testing::PrintToString(lines[k]);
                ASSERT_EQ(each[k], expected)
                    << "round " << round << ", line " << testing::PrintToString(lines[k]);
            }
        }
    }
}

TEST(CFilterMatcher, ManyIncludeStringsMustAllOccurAndAnEmptyExcludeRemovesAll) {
    FilterList list;
    std::string all;
    for (int i = 0; i < 40; ++i) {
        const std::string word = "word" + std::to_string(i) + "x";
        list.Append(word, FilterKind::IncludeString);
        list.Append(word, FilterKind::IncludeString);  // twice: still one text to find
        all += word + " ";
    }
    const CFilterMatcher matcher(list, false, Mdy());
    EXPECT_TRUE(matcher.Passes(all));
    EXPECT_FALSE(matcher.Passes(all.substr(8)));
    for (int i = 0; i < 40; ++i)
        list.Append("noise" + std::to_string(i), FilterKind::ExcludeString);
    EXPECT_TRUE(CFilterMatcher(list, false, Mdy()).Passes(all));
    list.Append("", FilterKind::ExcludeString);
    EXPECT_FALSE(CFilterMatcher(list, false, Mdy()).Passes(all));
}

// Follow decides the lines a log gains in blocks, on two threads once a block is long
// enough (the ThreadSanitizer build runs this): they show as a fresh load shows them.
TEST(CFilterMatcher, DecidesTheLinesAFollowedLogGainsAsAFreshLoadDoes) {
    PinLocales();
    FilterList list;
    for (const char* text :
         {"drop0", "drop1", "drop2", "drop3", "drop4", "drop5", "drop6", "drop7"}) {
        list.Append(text, FilterKind::ExcludeString, Mdy());
    }
    const CFilterMatcher matcher(list, false, Mdy());
    FakeDocumentHost host;
    host.filter = &matcher;
    TempDir dir;
    const std::string path = dir.Write("follow.log", "first\r\n");
    CTrawlviewDoc followed(host, nullptr);
    ASSERT_TRUE(followed.LoadLogFile(path));
    std::string more;
    for (int i = 0; i < 3000; ++i) {
        more.append(i % 3 == 0 ? "drop" : "keep").append(i % 3 == 0 ? std::to_string(i % 8) : "");
        more.append(" ").append(std::to_string(i)).append("\r\n");
    }
    std::ofstream(path, std::ios::binary | std::ios::app) << more;
    EXPECT_EQ(followed.ReadAppended(path, 1 << 20).result, CTrawlviewDoc::FollowResult::Appended);
    CTrawlviewDoc fresh(host, nullptr);
    ASSERT_TRUE(fresh.LoadLogFile(path));
    EXPECT_EQ(followed.GetLineCount(), 2001);
    EXPECT_EQ(Displayed(followed), Displayed(fresh));
}

TEST(CMultiStringSearcher, ReportsEveryOccurrenceOfEveryString) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> patterns(1 + rng() % 120);
        const std::string text = RandomBytes(rng, 300);
        for (std::string& p : patterns) {
            const std::size_t from = text.empty() ? 0 : rng() % text.size();
            if (rng() % 2 == 0 && from < text.size()) {
                p.assign(text, from, 1 + rng() % 40);
            } else {
                p = RandomBytes(rng, 40);
            }
            if (p.empty()) p.push_back('a');
        }
        const CMultiStringSearcher searcher(
            std::vector<std::string_view>(patterns.begin(), patterns.end()));
        std::vector<std::size_t> found(patterns.size(), 0);
        searcher.ForEachOccurrence(text, [&](std::size_t i, std::size_t at) {
            EXPECT_EQ(text.compare(at, patterns[i].size(), patterns[i]), 0);
            return ++found[i] > 0;
        });
        bool any = false;
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            std::size_t expected = 0;
            for (std::size_t at = text.find(patterns[i]); at != std::string::npos;
                 at = text.find(patterns[i], at + 1)) {
                ++expected;
            }
            ASSERT_EQ(found[i], expected)
                << "round " << round << ", string " << testing::PrintToString(patterns[i]);
            any = any || expected > 0;
        }
        EXPECT_EQ(searcher.ContainsAny(text), any);
    }
}

}  // namespace
