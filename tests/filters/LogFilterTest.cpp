#include <gtest/gtest.h>

#include <memory>

#include "CFilterMatcher.h"
#include "FilterList.h"
#include "IntervalText.h"
#include "StringTable.h"

namespace {

LocaleFormats Mdy() {
    return MakeLocaleFormats({}, {});
}

std::vector<std::string> Passing(const FilterList& list, const std::vector<std::string>& lines,
                                 bool excludeInvalid = false) {
    const LocaleFormats f = Mdy();
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        bool all = true;
        for (const LogFilter& filter : list) all = all && Matches(filter, line, excludeInvalid, f);
        // The prepared matcher must agree with node-by-node matching.
        EXPECT_EQ(CFilterMatcher(list, excludeInvalid, f).Passes(line), all) << line;
        if (all) out.push_back(line);
    }
    return out;
}

const std::vector<std::string> kLines = {
    "R 2003/12/31 23:59:59 - Error: Disk full",
    "Y 2003/06/01 12:00:00 - Error: network",
    "12/31/2002 23:59:59 - Disk check",
    "01/01/2004 00:00:00 - error disk",
    "no timestamp Error Disk",
};

TEST(Matching, IncludeStringsMustAllMatchCaseSensitively) {
    FilterList list;
    list.Append("Error", FilterKind::IncludeString);
    list.Append("Disk", FilterKind::IncludeString);
    EXPECT_EQ(Passing(list, kLines),
              (std::vector<std::string>{kLines[0], "no timestamp Error Disk"}));
    FilterList lower;
    lower.Append("error", FilterKind::IncludeString);
    EXPECT_EQ(Passing(lower, kLines), std::vector<std::string>{kLines[3]});
}

TEST(Matching, ExcludeStringSeesTheRawLineWithPrefix) {
    FilterList list;
    list.Append("R ", FilterKind::ExcludeString);
    EXPECT_EQ(Passing(list, {"R 2003/12/31 23:59:59 - x", "plain FOR 2 lines", "plain"}),
              std::vector<std::string>{"plain"});
}

TEST(Matching, EmptyTextsPassOrRemoveEverything) {
    FilterList include, exclude;
    include.Append("", FilterKind::IncludeString);
    exclude.Append("", FilterKind::ExcludeString);
    EXPECT_EQ(Passing(include, kLines), kLines);
    EXPECT_TRUE(Passing(exclude, kLines).empty());
    EXPECT_EQ(Passing({}, kLines), kLines);
    LogFilter unset;
    EXPECT_TRUE(Matches(unset, "anything", false));
}

TEST(Matching, IntervalsIncludeBothEnds) {
    FilterList list;
    list.Append("01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeInterval, Mdy());
    const std::vector<std::string> lines = {
        "01/01/2003 00:00:00 - start", "12/31/2003 23:59:59 - end", "12/31/2002 23:59:59 - before",
        "01/01/2004 00:00:00 - after", "G 2003/07/04 10:00:00 - prefixed"};
    EXPECT_EQ(Passing(list, lines), (std::vector<std::string>{lines[0], lines[1], lines[4]}));
    FilterList outside;
    outside.Append("01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::ExcludeInterval,
                   Mdy());
    EXPECT_EQ(Passing(outside, lines), (std::vector<std::string>{lines[2], lines[3]}));
}

TEST(Matching, UnreadableLinesFollowThePreference) {
    FilterList include, exclude;
    include.Append("01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeInterval,
                   Mdy());
    exclude.Append("01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::ExcludeInterval,
                   Mdy());
    const std::string line = "no timestamp";
    EXPECT_TRUE(Matches(include[0], line, false));
    EXPECT_TRUE(Matches(exclude[0], line, false));
    EXPECT_FALSE(Matches(include[0], line, true));
    EXPECT_FALSE(Matches(exclude[0], line, true));
}

TEST(IntervalEnds, ReversedEndsAreExchangedAndTheTextKept) {
    FilterList list;
    const std::string typed = "12/31/2003 23:59:59 to 01/01/2003 00:00:00";
    list.Append(typed, FilterKind::IncludeInterval, Mdy());
    EXPECT_EQ(list[0].text, typed);
    EXPECT_EQ(list[0].from, (LogTime{2003, 1, 1, 0, 0, 0}));
    EXPECT_EQ(list[0].to, (LogTime{2003, 12, 31, 23, 59, 59}));
}

TEST(IntervalEnds, UnreadableEndsFallBackToTheDefaultsWithoutExchange) {
    FilterList list;
    list.Append("no interval here", FilterKind::ExcludeInterval, Mdy());
    list.Append("garbage to 12/31/2003 23:59:59", FilterKind::IncludeInterval, Mdy());
    list.Append("06/01/2040 00:00:00 to nothing readable", FilterKind::IncludeInterval, Mdy());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].from, (LogTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(list[0].to, (LogTime{2037, 12, 31, 23, 59, 59}));
    // The to-end is the last as many characters as the from-end had: "3:59:59" here.
    EXPECT_EQ(list[1].from, (LogTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(list[1].to, (LogTime{2037, 12, 31, 23, 59, 59}));
    // A readable from-end later than the default to-end gives an empty interval.
    EXPECT_EQ(list[2].from, (LogTime{2040, 6, 1, 0, 0, 0}));
    EXPECT_EQ(list[2].to, (LogTime{2037, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(Matches(list[2], "06/02/2040 00:00:00 - x", false, Mdy()));
    // String filters carry no ends.
    EXPECT_EQ(
        MakeFilter("01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeString).from,
        std::nullopt);
    // The warnings about such intervals name the ends they get.
    char ends[64];
    const LogTime& f = IntervalText::kDefaultFrom;
    const LogTime& t = IntervalText::kDefaultTo;
    std::snprintf(ends, sizeof ends,
                  "%04d-%02d-%02d %02d:%02d:%02d to %04d-%02d-%02d %02d:%02d:%02d", f.year, f.month,
                  f.day, f.hour, f.minute, f.second, t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    for (const StringId id : {IDS_INTERVAL_FELL_BACK, IDS_INTERVAL_FELL_BACK_TIP})
        EXPECT_NE(LoadString(id).find(ends), std::string_view::npos) << id;
}

TEST(IntervalEnds, TypedEndsUseTheUserOrder) {
    const LocaleFormats dmy =
        MakeLocaleFormats({DateOrder::DMY, "/", ":"}, {DateOrder::MDY, "/", ":"});
    FilterList list;
    list.Append("31/01/2003 00:00:00 to 28/02/2003 00:00:00", FilterKind::IncludeInterval, dmy);
    EXPECT_EQ(list[0].from, (LogTime{2003, 1, 31, 0, 0, 0}));
    EXPECT_EQ(list[0].to, (LogTime{2003, 2, 28, 0, 0, 0}));
}

TEST(CFilterMatcher, RequiredSubstringIsTheFirstNonEmptyInclude) {
    FilterList list;
    list.Append("x", FilterKind::ExcludeString);
    list.Append("", FilterKind::IncludeString);
    EXPECT_EQ(CFilterMatcher(list, false).RequiredSubstring(), "");
    list.Append("full", FilterKind::ExcludeString);
    list.Append("disk", FilterKind::IncludeString);
    list.Append("full", FilterKind::IncludeString);
    EXPECT_EQ(CFilterMatcher(list, false).RequiredSubstring(), "disk");
}

// The matcher pointed into the list and the formats it was prepared from, so either
// changed or freed under it left it reading freed memory.
TEST(CFilterMatcher, AMatcherPointedIntoItsListAndNowOutlivesIt) {
    auto list = std::make_unique<FilterList>();
    auto formats = std::make_unique<LocaleFormats>(Mdy());
    list->Append("disk", FilterKind::IncludeString);
    list->Append("01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeInterval,
                 *formats);
    const CFilterMatcher matcher(*list, false, *formats);
    list->Clear();
    list->Append("other", FilterKind::IncludeString);
    list.reset();
    formats.reset();
    EXPECT_EQ(matcher.RequiredSubstring(), "disk");
    EXPECT_TRUE(matcher.Passes("06/01/2003 00:00:00 - disk full"));
    EXPECT_FALSE(matcher.Passes("06/01/2004 00:00:00 - disk full"));
}

}  // namespace
