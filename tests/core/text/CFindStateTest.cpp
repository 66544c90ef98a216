#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "CFindState.h"
#include "CaseNames.h"
#include "LineBlock.h"

namespace {

const LineBlock& Log() {
    static const LineBlock lines({"Disk ERROR", "plain", "disk error", "more errors", "plain",
                                  "caf\xE9 \x96 in Windows-1252", "id 12345"});
    return lines;
}

struct Case {
    std::string text;
    FindOptions options;
    std::optional<std::int64_t> anchor;
    // None when nothing is found.
    std::optional<std::int64_t> line;
    bool wrapped = false;
};

constexpr FindOptions kDown{};
constexpr FindOptions kUp{.down = false};
constexpr FindOptions kCase{.matchCase = true};
constexpr FindOptions kWord{.wholeWord = true};
constexpr FindOptions kRegex{.regex = true};

class FindStateTest : public ::testing::TestWithParam<Case> {};

TEST_P(FindStateTest, FindNextFromTheAnchor) {
    const Case& c = GetParam();
    CFindState state;
    state.Set(c.text, c.options);
    const auto hit = state.FindNext(Log().Source(), Log().Count(), c.anchor, c.options.down);
    ASSERT_EQ(hit.has_value(), c.line.has_value());
    if (!hit) return;
    EXPECT_EQ(hit->line, *c.line);
    EXPECT_EQ(hit->wrapped, c.wrapped);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, FindStateTest,
    ::testing::Values(
        // Without an anchor the search starts at line 0, also upwards, where anything
        // below line 0 lies past the start.
        Case{"error", kDown, std::nullopt, 0}, Case{"plain", kUp, std::nullopt, 4, true},
        Case{"error", kUp, std::nullopt, 0},
        // From the anchor's neighbour on, wrapping at the ends; the anchor is not tested.
        Case{"error", kDown, 0, 2}, Case{"error", kDown, 3, 0, true}, Case{"error", kUp, 2, 0},
        Case{"error", kUp, 0, 3, true}, Case{"ERROR", kCase, 2, 0, true},
        Case{"error", kWord, 2, 0, true}, Case{"[0-9]{5}", kRegex, std::nullopt, 6},
        Case{"[0-9]{5}", kDown, std::nullopt, std::nullopt},
        // A text above ASCII also finds a Windows-1252 line the way it is shown.
        Case{"caf\xC3\xA9 \xE2\x80\x93", kDown, std::nullopt, 5},
        Case{"", kDown, std::nullopt, std::nullopt},
        Case{"\x01\x02", kDown, std::nullopt, std::nullopt}),
    [](const ::testing::TestParamInfo<Case>& info) {
        const Case& c = info.param;
        return CaseName(info.index, c.text + (c.options.down ? " down" : " up"));
    });

TEST(FindStateTest, TheFinderFollowsEveryChangeOfWhatMatchesAndOnlyThat) {
    CFindState state;
    EXPECT_TRUE(state.Set("ERROR", kCase));
    const auto find = [&state](std::optional<std::int64_t> anchor) {
        return state.FindNext(Log().Source(), Log().Count(), anchor, true)->line;
    };
    EXPECT_EQ(find(1), 0);
    // Any case now: the finder of the last search must not be reused.
    EXPECT_TRUE(state.Set("ERROR", kDown));
    EXPECT_EQ(find(1), 2);
    EXPECT_TRUE(state.Set("e.r", kDown));
    EXPECT_FALSE(state.FindNext(Log().Source(), Log().Count(), std::nullopt, true).has_value());
    EXPECT_TRUE(state.Set("e.r", kRegex));
    EXPECT_EQ(find(std::nullopt), 0);
    // The direction alone changes nothing that is matched.
    EXPECT_FALSE(state.Set("e.r", FindOptions{.regex = true, .down = false}));
    EXPECT_EQ(state.GetOptions(), (FindOptions{.regex = true, .down = false}));
    EXPECT_EQ(state.GetText(), "e.r");
    // No lines: nothing is searched.
    EXPECT_FALSE(state.FindNext(Log().Source(), 0, std::nullopt, true).has_value());
}

}  // namespace
