#include <gtest/gtest.h>

#include "FilterList.h"
#include "FilterRecords.h"

namespace {

using K = FilterKind;

TEST(FilterList, AppendKeepsOrderAndRemoveTakesTheFirstExactMatch) {
    const Records start = {{K::IncludeString, "a"},
                           {K::IncludeString, "b"},
                           {K::ExcludeString, "a"},
                           {K::IncludeString, "b"}};
    struct Case {
        const char* what;
        std::string text;
        K kind;
        bool removed;
        Records left;
    };
    const Case cases[] = {
        {"the first of two",
         "b",
         K::IncludeString,
         true,
         {{K::IncludeString, "a"}, {K::ExcludeString, "a"}, {K::IncludeString, "b"}}},
        {"the head",
         "a",
         K::IncludeString,
         true,
         {{K::IncludeString, "b"}, {K::ExcludeString, "a"}, {K::IncludeString, "b"}}},
        {"by kind",
         "a",
         K::ExcludeString,
         true,
         {{K::IncludeString, "a"}, {K::IncludeString, "b"}, {K::IncludeString, "b"}}},
        {"case matters", "B", K::IncludeString, false, start},
        {"kind matters", "a", K::IncludeInterval, false, start},
        {"no prefix match", "", K::IncludeString, false, start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FilterList list = MakeFilterList(start);
        EXPECT_EQ(RecordsOf(list), start);
        EXPECT_EQ(list.Remove(c.text, c.kind), c.removed);
        EXPECT_EQ(RecordsOf(list), c.left);
        EXPECT_EQ(list.size(), c.left.size());
    }
    FilterList empty;
    EXPECT_FALSE(empty.Remove("a", K::IncludeString));
    EXPECT_TRUE(empty.empty());
}

TEST(FilterList, CopiesAreIndependent) {
    FilterList list = MakeFilterList({{K::IncludeString, "x"}, {K::ExcludeString, "y"}});
    const FilterList copy = list;
    list.Remove("x", K::IncludeString);
    list.Append("z", K::ExcludeString);
    EXPECT_EQ(RecordsOf(copy), (Records{{K::IncludeString, "x"}, {K::ExcludeString, "y"}}));
}

}  // namespace
