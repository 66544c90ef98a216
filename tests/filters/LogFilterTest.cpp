#include <gtest/gtest.h>

#include "CFilterMatcher.h"
#include "LogFilter.h"
#include "StringTable.h"

namespace {

LocaleFormats Mdy() {
    return MakeLocaleFormats({}, {});
}

std::vector<std::string> Passing(const LogFilter* list, const std::vector<std::string>& lines,
                                 bool excludeInvalid = false) {
    const LocaleFormats f = Mdy();
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        bool all = true;
        for (const LogFilter* n = list; n != nullptr && all; n = n->next.get())
            all = Matches(*n, line, excludeInvalid, f);
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
    AppendFilter(list, "Error", FilterKind::IncludeString);
    AppendFilter(list, "Disk", FilterKind::IncludeString);
    EXPECT_EQ(Passing(list.get(), kLines),
              (std::vector<std::string>{kLines[0], "no timestamp Error Disk"}));
    FilterList lower;
    AppendFilter(lower, "error", FilterKind::IncludeString);
    EXPECT_EQ(Passing(lower.get(), kLines), std::vector<std::string>{kLines[3]});
}

TEST(Matching, ExcludeStringSeesTheRawLineWithPrefix) {
    FilterList list;
    AppendFilter(list, "R ", FilterKind::ExcludeString);
    EXPECT_EQ(Passing(list.get(), {"R 2003/12/31 23:59:59 - x", "plain FOR 2 lines", "plain"}),
              std::vector<std::string>{"plain"});
}

TEST(Matching, EmptyTextsPassOrRemoveEverything) {
    FilterList include, exclude;
    AppendFilter(include, "", FilterKind::IncludeString);
    AppendFilter(exclude, "", FilterKind::ExcludeString);
    EXPECT_EQ(Passing(include.get(), kLines), kLines);
    EXPECT_TRUE(Passing(exclude.get(), kLines).empty());
    EXPECT_EQ(Passing(nullptr, kLines), kLines);
    LogFilter unset;
    EXPECT_TRUE(Matches(unset, "anything", false));
}

TEST(Matching, IntervalsIncludeBothEnds) {
    FilterList list;
    AppendFilter(list, "01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeInterval,
                 Mdy());
    const std::vector<std::string> lines = {
        "01/01/2003 00:00:00 - start", "12/31/2003 23:59:59 - end", "12/31/2002 23:59:59 - before",
        "01/01/2004 00:00:00 - after", "G 2003/07/04 10:00:00 - prefixed"};
    EXPECT_EQ(Passing(list.get(), lines), (std::vector<std::string>{lines[0], lines[1], lines[4]}));
    FilterList outside;
    AppendFilter(outside, "01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::ExcludeInterval,
                 Mdy());
    EXPECT_EQ(Passing(outside.get(), lines), (std::vector<std::string>{lines[2], lines[3]}));
}

TEST(Matching, UnreadableLinesFollowThePreference) {
    FilterList include, exclude;
    AppendFilter(include, "01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeInterval,
                 Mdy());
    AppendFilter(exclude, "01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::ExcludeInterval,
                 Mdy());
    const std::string line = "no timestamp";
    EXPECT_TRUE(Matches(*include, line, false));
    EXPECT_TRUE(Matches(*exclude, line, false));
    EXPECT_FALSE(Matches(*include, line, true));
    EXPECT_FALSE(Matches(*exclude, line, true));
}

TEST(IntervalEnds, ReversedEndsAreExchangedAndTheTextKept) {
    FilterList list;
    const std::string typed = "12/31/2003 23:59:59 to 01/01/2003 00:00:00";
    AppendFilter(list, typed, FilterKind::IncludeInterval, Mdy());
    EXPECT_EQ(list->text, typed);
    EXPECT_EQ(*list->from, (LogTime{2003, 1, 1, 0, 0, 0}));
    EXPECT_EQ(*list->to, (LogTime{2003, 12, 31, 23, 59, 59}));
}

TEST(IntervalEnds, UnreadableEndsFallBackToTheDefaultsWithoutExchange) {
    FilterList list;
    AppendFilter(list, "no interval here", FilterKind::ExcludeInterval, Mdy());
    AppendFilter(list, "garbage to 12/31/2003 23:59:59", FilterKind::IncludeInterval, Mdy());
    AppendFilter(list, "06/01/2040 00:00:00 to nothing readable", FilterKind::IncludeInterval,
                 Mdy());
    const LogFilter* a = list.get();
    EXPECT_EQ(*a->from, (LogTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(*a->to, (LogTime{2037, 12, 31, 23, 59, 59}));
    // The to-end is the last as many characters as the from-end had: "3:59:59" here.
    const LogFilter* b = a->next.get();
    EXPECT_EQ(*b->from, (LogTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(*b->to, (LogTime{2037, 12, 31, 23, 59, 59}));
    // A readable from-end later than the default to-end gives an empty interval.
    const LogFilter* c = b->next.get();
    EXPECT_EQ(*c->from, (LogTime{2040, 6, 1, 0, 0, 0}));
    EXPECT_EQ(*c->to, (LogTime{2037, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(Matches(*c, "06/02/2040 00:00:00 - x", false, Mdy()));
    EXPECT_EQ(a->next->next->next, nullptr);
    // String filters carry no ends.
    FilterList s;
    AppendFilter(s, "01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeString);
    EXPECT_EQ(s->from, nullptr);
    // The warnings about such intervals name the ends they get.
    char ends[64];
    const LogTime& f = kDefaultIntervalFrom;
    const LogTime& t = kDefaultIntervalTo;
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
    AppendFilter(list, "31/01/2003 00:00:00 to 28/02/2003 00:00:00", FilterKind::IncludeInterval,
                 dmy);
    EXPECT_EQ(*list->from, (LogTime{2003, 1, 31, 0, 0, 0}));
    EXPECT_EQ(*list->to, (LogTime{2003, 2, 28, 0, 0, 0}));
}

TEST(FilterList, UnlinkRemovesOnlyTheFirstEqualNode) {
    FilterList list;
    AppendFilter(list, "a", FilterKind::IncludeString);
    AppendFilter(list, "b", FilterKind::IncludeString);
    AppendFilter(list, "a", FilterKind::ExcludeString);
    AppendFilter(list, "b", FilterKind::IncludeString);
    UnlinkFilter(list, "b", FilterKind::IncludeString);
    UnlinkFilter(list, "B", FilterKind::IncludeString);    // case matters
    UnlinkFilter(list, "a", FilterKind::IncludeInterval);  // kind matters
    std::vector<std::pair<std::string, FilterKind>> left;
    for (const LogFilter* n = list.get(); n != nullptr; n = n->next.get())
        left.emplace_back(n->text, n->kind);
    EXPECT_EQ(left,
              (std::vector<std::pair<std::string, FilterKind>>{{"a", FilterKind::IncludeString},
                                                               {"a", FilterKind::ExcludeString},
                                                               {"b", FilterKind::IncludeString}}));
    EXPECT_EQ(UnlinkFilter(list, "a", FilterKind::IncludeString)->text, "a");
    EXPECT_EQ(list->kind, FilterKind::ExcludeString);
    FilterList empty;
    EXPECT_EQ(UnlinkFilter(empty, "a", FilterKind::IncludeString), nullptr);
}

TEST(FilterList, CopiesAreDeepAndIndependent) {
    FilterList list;
    AppendFilter(list, "x", FilterKind::IncludeString);
    AppendFilter(list, "01/01/2003 00:00:00 to 12/31/2003 23:59:59", FilterKind::IncludeInterval,
                 Mdy());
    FilterList copy = CopyFilterList(list.get());
    ASSERT_NE(copy->next, nullptr);
    EXPECT_NE(copy->next->from.get(), list->next->from.get());
    EXPECT_EQ(*copy->next->from, *list->next->from);
    FreeFilterList(list);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(copy->next->to->year, 2003);
    EXPECT_EQ(CopyFilterList(nullptr), nullptr);
}

TEST(FilterList, LongListsAreFreedWithoutDeepRecursion) {
    FilterList list;
    std::unique_ptr<LogFilter>* tail = &list;
    for (int i = 0; i < 1000000; ++i) {
        *tail = MakeFilter("t", FilterKind::ExcludeString);
        tail = &(*tail)->next;
    }
    FilterList copy = CopyFilterList(list.get());
    FreeFilterList(list);
    std::size_t count = 0;
    for (const LogFilter* n = copy.get(); n != nullptr; n = n->next.get()) ++count;
    EXPECT_EQ(count, 1000000u);
    copy.reset();  // a recursive destructor would overflow the stack here
}

TEST(CFilterMatcher, RequiredSubstringIsTheFirstNonEmptyInclude) {
    FilterList list;
    AppendFilter(list, "x", FilterKind::ExcludeString);
    AppendFilter(list, "", FilterKind::IncludeString);
    EXPECT_EQ(CFilterMatcher(list.get(), false).RequiredSubstring(), "");
    AppendFilter(list, "disk", FilterKind::IncludeString);
    AppendFilter(list, "full", FilterKind::IncludeString);
    EXPECT_EQ(CFilterMatcher(list.get(), false).RequiredSubstring(), "disk");
}

}  // namespace
