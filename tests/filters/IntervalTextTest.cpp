#include <gtest/gtest.h>

#include "IntervalText.h"
#include "LogFilter.h"

namespace {

LocaleFormats Formats(DateOrder order, const std::string& ds = "/", const std::string& ts = ":",
                      int leadingZeros = 1) {
    LocaleValues user{order, ds, ts, 1, leadingZeros, leadingZeros};
    LocaleValues system{DateOrder::MDY, ds, ts};
    return MakeLocaleFormats(user, system);
}

TEST(IntervalText, FormatWritesTheUserOrderAndReadGivesTheTimesBack) {
    struct Case {
        DateOrder order;
        std::string ds, ts;
        int leadingZeros;
        std::string text;  // of 2003-02-01 04:05:06 to 2050-12-31 23:59:59
    };
    const Case cases[] = {
        {DateOrder::MDY, "/", ":", 1, "02/01/2003 04:05:06 to 12/31/2050 23:59:59"},
        {DateOrder::DMY, "/", ":", 1, "01/02/2003 04:05:06 to 31/12/2050 23:59:59"},
        {DateOrder::YMD, "/", ":", 1, "2003/02/01 04:05:06 to 2050/12/31 23:59:59"},
        {DateOrder::MDY, "/", ":", 0, " 2/ 1/2003 04:05:06 to 12/31/2050 23:59:59"},
        {DateOrder::DMY, ".", ".", 0, " 1. 2.2003 04.05.06 to 31.12.2050 23.59.59"},
        {DateOrder::YMD, "-", ":", 0, "2003- 2- 1 04:05:06 to 2050-12-31 23:59:59"},
        {DateOrder::YMD, "--", "::", 1, "2003--02--01 04::05::06 to 2050--12--31 23::59::59"},
    };
    const LogTime from{2003, 2, 1, 4, 5, 6};
    const LogTime to{2050, 12, 31, 23, 59, 59};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const LocaleFormats f = Formats(c.order, c.ds, c.ts, c.leadingZeros);
        EXPECT_EQ(IntervalText::Format(from, to, f), c.text);
        EXPECT_EQ(IntervalText::Read(c.text, f), (IntervalText::Ends{from, to}));
        EXPECT_TRUE(IntervalText::IsAcceptable(c.text, f));
        // Written the other way round, the filter covers the same time.
        const std::string reversed = IntervalText::Format(to, from, f);
        EXPECT_EQ(IntervalText::Covered(reversed, f), (IntervalText::Ends{from, to}));
        EXPECT_FALSE(IntervalText::HasDefaultEnds(reversed, f));
    }
}

TEST(IntervalText, UnreadableSidesGetTheDefaultEnds) {
    const LogTime a{2003, 1, 1, 0, 0, 0};
    const LogTime b{2003, 12, 31, 23, 59, 59};
    const LogTime later{2040, 6, 1, 0, 0, 0};
    const LogTime& from = IntervalText::kDefaultFrom;
    const LogTime& to = IntervalText::kDefaultTo;
    struct Case {
        std::string text;
        IntervalText::Ends read, covered;
    };
    const Case cases[] = {
        {"01/01/2003 00:00:00 to 12/31/2003 23:59:59", {a, b}, {a, b}},
        {"01/01/2003 00:00:00 - 12/31/2003 23:59:59", {}, {from, to}},
        {"", {}, {from, to}},
        {"garbage to 12/31/2003 23:59:59", {}, {from, to}},
        {"01/01/2003 00:00:00 to nothing readable", {a, {}}, {a, to}},
        {"13/01/2003 00:00:00 to 12/31/2003 23:59:59", {{}, b}, {from, b}},
        // Read in the wrong date order: the ends fall back rather than mean other days.
        {"31/12/2003 00:00:00 to 31/12/2003 23:59:59", {}, {from, to}},
        // A CR from a file written with CR LF makes the to-end unreadable.
        {"01/01/2003 00:00:00 to 12/31/2003 23:59:59\r", {a, {}}, {a, to}},
        // No exchange with a default: a from-end after the default to-end covers no time.
        {"06/01/2040 00:00:00 to ?", {later, {}}, {later, to}},
    };
    const LocaleFormats mdy = Formats(DateOrder::MDY);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IntervalText::Read(c.text, mdy), c.read);
        EXPECT_EQ(IntervalText::Covered(c.text, mdy), c.covered);
        const bool defaulted = !c.read.from || !c.read.to;
        EXPECT_EQ(IntervalText::HasDefaultEnds(c.text, mdy), defaulted);
        EXPECT_EQ(HasDefaultEnds(c.text, FilterKind::ExcludeInterval, mdy), defaulted);
        // Only interval filters have ends to fall back.
        EXPECT_FALSE(HasDefaultEnds(c.text, FilterKind::IncludeString, mdy));
        const LogFilter filter = MakeFilter(c.text, FilterKind::IncludeInterval, mdy);
        EXPECT_EQ((IntervalText::Ends{filter.from, filter.to}), c.covered);
    }
}

TEST(IntervalText, TheEntryDialogAcceptsOnlyTwoReadableEnds) {
    const LocaleFormats mdy = Formats(DateOrder::MDY);
    const std::pair<std::string, bool> cases[] = {
        {"01/01/2003 00:00:00 to 12/31/2003 23:59:59", true},
        {"12/31/2003 23:59:59 to 01/01/2003 00:00:00", true},
        {"13/01/2003 00:00:00 to 12/31/2003 23:59:59", false},
        {"01/01/2003 00:00:00 to 12/32/2003 23:59:59", false},
        {"01/01/2003 00:00:00", false},
        {"01/01/2003 00:00:00 to ", false},
        {"", false},
    };
    for (const auto& [text, accepted] : cases)
        EXPECT_EQ(IntervalText::IsAcceptable(text, mdy), accepted) << text;
}

}  // namespace
