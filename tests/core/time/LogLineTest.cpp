#include <gtest/gtest.h>

#include "CaseNames.h"
#include "LineColor.h"
#include "LogLine.h"

namespace {

LocaleFormats Formats(DateOrder system, std::string d = "/", std::string t = ":",
                      DateOrder user = DateOrder::MDY, std::string ud = "/", std::string ut = ":",
                      int zeros = 1) {
    LocaleValues u{user, ud, ut, zeros, zeros, zeros};
    LocaleValues s{system, d, t, 1, 1, 1};
    return MakeLocaleFormats(u, s);
}

struct ParseCase {
    const char* text;
    DateOrder order;
    const char* dateSep;
    const char* timeSep;
    bool valid;
    LogTime expected;
};

class ParseTimestampTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTimestampTable, ReadsLogLines) {
    const ParseCase& c = GetParam();
    const LocaleFormats f = Formats(c.order, c.dateSep, c.timeSep);
    LogTime t;
    EXPECT_EQ(ParseTimestamp(c.text, true, &t, f), c.valid) << c.text;
    // Nothing is written on failure.
    EXPECT_EQ(t, c.valid ? c.expected : LogTime{}) << c.text;
}

constexpr LogTime kNone{};
INSTANTIATE_TEST_SUITE_P(
    Locales, ParseTimestampTable,
    testing::Values(
        ParseCase{
            "12/31/2003 23:59:59 - x", DateOrder::MDY, "/", ":", true, {2003, 12, 31, 23, 59, 59}},
        ParseCase{
            "31/12/2003 23:59:59 - x", DateOrder::DMY, "/", ":", true, {2003, 12, 31, 23, 59, 59}},
        ParseCase{
            "2003/12/31 23:59:59 - x", DateOrder::YMD, "/", ":", true, {2003, 12, 31, 23, 59, 59}},
        ParseCase{
            "31.12.2003 08.05.09 - x", DateOrder::DMY, ".", ".", true, {2003, 12, 31, 8, 5, 9}},
        // Two-character separators.
        ParseCase{"2003-.12-.31 23::59::59",
                  DateOrder::YMD,
                  "-.",
                  "::",
                  true,
                  {2003, 12, 31, 23, 59, 59}},
        ParseCase{"31. 12. 2003 23h 59h 59",
                  DateOrder::DMY,
                  ". ",
                  "h ",
                  true,
                  {2003, 12, 31, 23, 59, 59}},
        // Blank-padded fields.
        ParseCase{" 1/ 2/2004  3:04:05", DateOrder::MDY, "/", ":", true, {2004, 1, 2, 3, 4, 5}},
        // A colour prefix always means year, month, day.
        ParseCase{"R 2003/12/31 23:59:59 - Disk full",
                  DateOrder::MDY,
                  "/",
                  ":",
                  true,
                  {2003, 12, 31, 23, 59, 59}},
        ParseCase{"N 2003/12/31 23:59:59 - x",
                  DateOrder::DMY,
                  "/",
                  ":",
                  true,
                  {2003, 12, 31, 23, 59, 59}},
        // X is no colour letter: fixed positions give month 3, day 12, year 31.
        ParseCase{
            "X 2003/12/31 23:59:59 - x", DateOrder::MDY, "/", ":", true, {31, 3, 12, 23, 59, 59}},
        // Leap years.
        ParseCase{"02/29/2001 10:00:00", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"02/29/2004 10:00:00", DateOrder::MDY, "/", ":", true, {2004, 2, 29, 10, 0, 0}},
        ParseCase{"02/29/1900 10:00:00", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"02/29/2000 10:00:00", DateOrder::MDY, "/", ":", true, {2000, 2, 29, 10, 0, 0}},
        ParseCase{"04/31/2003 10:00:00", DateOrder::MDY, "/", ":", false, kNone},
        // Field ranges.
        ParseCase{"12/31/2003 24:00:00", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"12/31/2003 23:60:00", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"13/01/2003 00:00:00", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"00/01/2003 00:00:00", DateOrder::MDY, "/", ":", false, kNone},
        // Shapes: too short, separators never guessed, letters where digits belong.
        ParseCase{"1/31/2003 3:59:5", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"12/31/2003 23:59:59", DateOrder::MDY, ".", ":", false, kNone},
        ParseCase{"ab/cd/2003 23:59:59", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"12/31/2003 23-59-59 no time", DateOrder::MDY, "/", ":", false, kNone},
        ParseCase{"only text and more text here", DateOrder::MDY, "/", ":", false, kNone},
        // The first date separator anywhere in the line is taken.
        ParseCase{"job 7 at 12/31/2003 23:59:59",
                  DateOrder::MDY,
                  "/",
                  ":",
                  true,
                  {2003, 12, 31, 23, 59, 59}},
        // Empty separators never match.
        ParseCase{"12/31/2003 23:59:59", DateOrder::MDY, "", ":", false, kNone},
        // Huge numbers saturate instead of overflowing, and stay invalid.
        ParseCase{"12/31/99999999999999999999 23:59:59", DateOrder::MDY, "/", ":", false, kNone}),
    NameByField<&ParseCase::text>());

TEST(ParseTimestamp, ShortTextIsNeverValidAndTypedTextUsesTheUserOrder) {
    const LocaleFormats f = Formats(DateOrder::MDY, "/", ":", DateOrder::DMY);
    EXPECT_FALSE(
        ParseTimestamp("12/31/2003 23:59:", true, nullptr, f));  // 17 characters, no seconds
    EXPECT_FALSE(ParseTimestamp("1/1/2003 23:59:5", true, nullptr, f));  // 16 characters
    LogTime t;
    ASSERT_TRUE(ParseTimestamp("31/12/2003 23:59:59", false, &t, f));
    EXPECT_EQ(t, (LogTime{2003, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(ParseTimestamp("31/12/2003 23:59:59", true, nullptr, f));
}

TEST(LogTime, ComparesFieldByFieldAndChecksRanges) {
    const LogTime a{2003, 12, 31, 23, 59, 59}, b{2004, 1, 1, 0, 0, 0};
    EXPECT_TRUE(b.IsAtOrAfter(a));
    EXPECT_FALSE(a.IsAtOrAfter(b));
    EXPECT_TRUE(a.IsAtOrBefore(b));
    EXPECT_TRUE(a.IsAtOrAfter(a));
    EXPECT_TRUE(a.IsAtOrBefore(a));
    EXPECT_TRUE((LogTime{-1, 1, 1, 0, 0, 0}).IsValid());
    EXPECT_FALSE((LogTime{-2, 1, 1, 0, 0, 0}).IsValid());
    EXPECT_FALSE((LogTime{10000, 1, 1, 0, 0, 0}).IsValid());
    EXPECT_FALSE(LogTime{}.IsValid());
}

TEST(TimestampLength, GrowsWithTheSystemSeparators) {
    EXPECT_EQ(TimestampLength(Formats(DateOrder::MDY, "/", ":")), 19u);
    EXPECT_EQ(TimestampLength(Formats(DateOrder::MDY, ". ", "::")), 23u);
}

struct DisplayCase {
    const char* raw;
    bool excludeInvalid;
    const char* expected;
};

class DisplayTextTable : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayTextTable, ReformatsTheTimestamp) {
    const DisplayCase& c = GetParam();
    const LocaleFormats f = Formats(DateOrder::MDY, "/", ":", DateOrder::MDY, "/", ":");
    EXPECT_EQ(GetDisplayText(c.raw, c.excludeInvalid, f), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DisplayTextTable,
    testing::Values(
        DisplayCase{"R 2003/12/31 23:59:59 - Disk full", false, "12/31/2003 23:59:59 - Disk full"},
        DisplayCase{"R 2003/12/31 23:59:59 - Disk full", true, "12/31/2003 23:59:59 - Disk full"},
        DisplayCase{"12/31/2003 23:59:59 - plain", false, "12/31/2003 23:59:59 - plain"},
        DisplayCase{"R no timestamp here at all", false, "R no timestamp here at all"},
        DisplayCase{"R no timestamp here at all", true, ""}, DisplayCase{"", false, ""},
        // A timestamp further into the line counts as readable but the line shows as it is.
        DisplayCase{"job 7 at 12/31/2003 23:59:59", true, "job 7 at 12/31/2003 23:59:59"},
        // A timestamp with nothing after it.
        DisplayCase{"12/31/2003 23:59:59", false, "12/31/2003 23:59:59"}),
    NameByField<&DisplayCase::raw>());

TEST(DisplayText, FollowsTheUserOrderSeparatorsAndLeadingZeros) {
    const LocaleFormats dmy = Formats(DateOrder::MDY, "/", ":", DateOrder::DMY, ".", ":");
    EXPECT_EQ(GetDisplayText("01/02/2003 04:05:06 - m", false, dmy), "02.01.2003 04:05:06 - m");
    const LocaleFormats bare = Formats(DateOrder::MDY, "/", ":", DateOrder::MDY, "/", ":", 0);
    EXPECT_EQ(GetDisplayText("01/02/2003 04:05:06 - m", false, bare), " 1/ 2/2003  4:05:06 - m");
    EXPECT_EQ(bare.displayFormat.ToPrintfForm(), "%2d/%2d/%04d %2d:%02d:%02d");
    const LocaleFormats ymd = Formats(DateOrder::MDY, "/", ":", DateOrder::YMD, "-", ":");
    EXPECT_EQ(GetDisplayText("G 2003/02/01 04:05:06 - m", false, ymd), "2003-02-01 04:05:06 - m");
}

TEST(DisplayText, SeparatorWithPercentShowsAsItself) {
    // Used to be read as a printf conversion.
    const LocaleFormats f = Formats(DateOrder::MDY, "/", ":", DateOrder::MDY, "%s%n", "%d");
    EXPECT_EQ(GetDisplayText("01/02/2003 04:05:06 - m", false, f),
              "01%s%n02%s%n2003 04%d05%d06 - m");
    EXPECT_EQ(f.displayFormat.ToPrintfForm(), "%02d%%s%%n%02d%%s%%n%04d %02d%%d%02d%%d%02d");
}

TEST(DisplayText, TimestampSampleFollowsTheUserLocale) {
    EXPECT_EQ(Formats(DateOrder::MDY, "/", ":", DateOrder::YMD, "-", ":").timestampSample,
              "6789-45-23 00:00:00 - ");
    EXPECT_EQ(Formats(DateOrder::MDY).timestampSample, "23/45/6789 00:00:00 - ");
    EXPECT_EQ(Formats(DateOrder::MDY, "/", ":", DateOrder::DMY, ".", "h").timestampSample,
              "45.23.6789 00h00h00 - ");
}

}  // namespace

namespace {

// The display layout reads each line once; it must agree with reading the whole line and
// then its first timestamp-length bytes, whatever the bytes are.
TEST(DisplayLayout, AgreesWithReadingTheLineTwice) {
    const char alphabet[] = "0123456789 /:-.RNXab";
    std::uint64_t state = 42;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(state >> 33);
    };
    const std::pair<LocaleFormats, std::string> cases[] = {
        {Formats(DateOrder::MDY), "12/31/2003 23:59:59 - x"},
        {Formats(DateOrder::MDY), "R 2003/12/31 23:59:59 - x"},
        {Formats(DateOrder::YMD, "-", ":"), "2003-12-31 23:59:59 - x"},
        {Formats(DateOrder::DMY, "..", "::"), "N 2003..12..31 23::59::59"}};
    for (const auto& [f, templ] : cases) {
        int readable = 0;
        for (int i = 0; i < 60000; ++i) {
            // Mutations of a well-formed line reach every branch far more often than noise.
            std::string raw = templ;
            const std::size_t edits = 1 + next() % 4;
            for (std::size_t e = 0; e < edits; ++e) {
                const std::size_t pos = next() % (raw.size() + 1);
                const char c = alphabet[next() % (sizeof alphabet - 1)];
                switch (next() % 3) {
                    case 0:
                        raw.insert(pos, 1, c);
                        break;
                    case 1:
                        if (pos < raw.size()) raw[pos] = c;
                        break;
                    default:
                        if (pos < raw.size()) raw.erase(pos, 1);
                        break;
                }
            }
            std::size_t n = TimestampLength(f) + (HasColourPrefix(raw) ? 2 : 0);
            LogTime t;
            const bool whole = ParseTimestamp(raw, true, nullptr, f);
            const bool prefix =
                whole && ParseTimestamp(std::string_view(raw).substr(0, n), true, &t, f);
            const DisplayLayout layout = LayoutDisplayText(raw, false, f);
            ASSERT_EQ(layout.reformatted, prefix) << raw;
            if (prefix) {
                ASSERT_EQ(layout.time, t) << raw;
                ASSERT_EQ(layout.tailStart, std::min(n, raw.size())) << raw;
                ++readable;
            }
            ASSERT_EQ(layout.Length(raw.size()), GetDisplayText(raw, false, f).size()) << raw;
        }
        EXPECT_GT(readable, 1000);
    }
}

TEST(DisplayLayout, DigitsRunningPastTheTimestampMakeItUnreadable) {
    const LocaleFormats f = Formats(DateOrder::MDY);
    EXPECT_EQ(GetDisplayText("12/31/2003 23:59:591 - x", true, f), "");
    // The text after the timestamp starts at its fixed length, whatever the seconds took.
    EXPECT_EQ(GetDisplayText("R 2003/12/31 23:59:5 - x", true, f), "12/31/2003 23:59:05- x");
    EXPECT_EQ(GetDisplayText("12/31/2003 23:59:59- x", false, f), "12/31/2003 23:59:59- x");
}

}  // namespace
