#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "CLineSelection.h"

namespace {

// Calls on a selection, written as words: a line number presses on that line; ">N" drags
// to line N; "kN" moves the caret by N lines; "end" and "home" go to the last and the first
// line; "oN" selects line N alone; "all" and "clear"; "rN" resets to N lines, "zN" resizes
// to N lines. A leading C holds Ctrl and a leading S holds Shift (which extends a move).
void Apply(CLineSelection& selection, std::string word) {
    bool ctrl = false;
    bool shift = false;
    for (; !word.empty() && (word[0] == 'C' || word[0] == 'S'); word.erase(0, 1))
        (word[0] == 'C' ? ctrl : shift) = true;
    if (word == "end" || word == "home") return selection.MoveCaretToEnd(word == "end", shift);
    if (word == "all") return selection.SelectAll();
    if (word == "clear") return selection.Clear();
    const bool press = word[0] == '-' || (word[0] >= '0' && word[0] <= '9');
    const LineIndex n = std::stoll(press ? word : word.substr(1));
    switch (press ? 'p' : word[0]) {
        case 'p':
            return selection.Press(n, ctrl, shift);
        case '>':
            return selection.DragTo(n, ctrl, shift);
        case 'k':
            return selection.MoveCaretBy(n, shift);
        case 'o':
            return selection.SelectOnly(n);
        case 'r':
            return selection.Reset(n);
        case 'z':
            selection.Resize(n);
            return;
        default:
            ADD_FAILURE() << "no such step: " << word;
    }
}

// "1-3 10" is lines 1, 2, 3 and 10.
std::vector<LineIndex> Lines(const std::string& text) {
    std::vector<LineIndex> lines;
    std::istringstream in(text);
    for (std::string range; in >> range;) {
        const auto dash = range.find('-');
        const LineIndex last = std::stoll(range.substr(dash == std::string::npos ? 0 : dash + 1));
        for (LineIndex i = std::stoll(range); i <= last; ++i) lines.push_back(i);
    }
    return lines;
}

struct Case {
    const char* name;
    LineIndex count;
    const char* steps;
    const char* selected;
    std::optional<LineIndex> anchor;
    LineIndex caret;
};

const Case kCases[] = {
    {"ShiftClickExtendsFromTheAnchor", 20, "3 S7", "3-7", 3, 7},
    {"ShiftClickBackwards", 20, "3 S7 S1", "1-3", 3, 1},
    {"CtrlClickOnTheAnchorDropsIt", 20, "3 S7 S1 C3", "1-2", std::nullopt, 3},
    {"CtrlClickAddsAndTakesTheAnchor", 20, "3 S1 C10", "1-3 10", 10, 10},
    {"ClickBelowTheLastLineSelectsItAndKeepsTheAnchor", 5, "2 20", "4", 2, 20},
    {"CtrlClickBelowTheLastLineChangesNothing", 5, "2 20 C22", "4", 2, 22},
    {"ShiftClickBelowTheLastLineSelectsUpToIt", 5, "2 S22", "2-4", 2, 22},
    {"DragPastTheEndKeepsTheAnchorOnALine", 5, "0 >18", "0-4", 4, 18},
    {"DragAboveTheFirstLineKeepsTheAnchorOnALine", 5, "3 >-2", "0-3", 0, -2},
    {"PlainDragOnlyAddsAndTheAnchorFollows", 20, "5 >10 >7", "5-10", 7, 7},
    {"CtrlDragFromASelectedLineRemovesAndDropsTheAnchor", 20, "5 >10 >7 C6 C>8", "5 9-10",
     std::nullopt, 8},
    {"CtrlDragFromAnUnselectedLineAdds", 20, "5 C14 C>16", "5 14-16", 16, 16},
    {"ShiftDragSelectsFromTheAnchorOnly", 20, "5 S8 S>2", "2-5", 5, 2},
    {"DownSelectsTheNextLineAlone", 10, "3 k1", "4", 4, 4},
    {"ShiftDownAndUpExtendFromTheAnchor", 100, "10 Sk1 Sk1 Sk1 Sk-1", "10-12", 10, 12},
    {"PageDownStopsOnTheLastLine", 10, "3 k24", "9", 9, 9},
    {"ShiftPageUpStopsOnTheFirstLine", 10, "9 Sk-24", "0-9", 9, 0},
    {"ACaretPastTheEndComesBackBeforeItMoves", 40, "30 r30 k-1", "29", 29, 29},
    {"ShiftCtrlEndWithoutAnAnchorSelectsEveryLine", 100, "5 C5 Send", "0-99", std::nullopt, 99},
    {"ShiftCtrlHomeWithoutAnAnchorSelectsNothing", 100, "5 C5 Shome", "", std::nullopt, 0},
    {"ShiftDownWithoutAnAnchorSelectsFromLineZero", 100, "5 C5 Sk1", "0-6", std::nullopt, 6},
    {"CtrlEndSelectsTheLastLineAlone", 100, "3 end", "99", 99, 99},
    {"SelectAllKeepsTheCaret", 6, "2 all", "0-5", 0, 2},
    {"AClickAfterSelectAllLeavesOnlyItsLine", 6, "all 4", "4", 4, 4},
    {"SelectOnlyMovesTheAnchorAndTheCaret", 10, "1 S4 o7", "7", 7, 7},
    {"ResetClearsTheFlagsAndTheAnchorButKeepsTheCaret", 10, "1 r10", "", std::nullopt, 1},
    {"ShrinkingDropsTheFlagsAndTheAnchorPastTheEnd", 10, "8 S2 z5 z10", "2-4", std::nullopt, 2},
    {"ClearAfterAShrinkLeavesNothing", 10, "2 S8 z5 clear z10", "", 2, 8},
    {"KeysWithoutLinesLeftAnAnchorThatEnabledCopy", 10, "5 r0 k-1 end all", "", std::nullopt, 5},
};

class LineSelectionTest : public ::testing::TestWithParam<Case> {};

TEST_P(LineSelectionTest, StepsLeaveTheseLinesAnchorAndCaret) {
    const Case& c = GetParam();
    CLineSelection selection;
    selection.Reset(c.count);
    std::istringstream steps(c.steps);
    for (std::string word; steps >> word;) Apply(selection, word);
    // The flags and the walk over the selected lines, which reads only within the
    // bounds, agree.
    std::vector<LineIndex> flagged;
    for (LineIndex i = -2; i < selection.GetLineCount() + 2; ++i) {
        if (selection.IsSelected(i)) flagged.push_back(i);
    }
    std::vector<LineIndex> walked;
    selection.ForEachSelected([&](LineIndex line) { walked.push_back(line); });
    EXPECT_EQ(flagged, Lines(c.selected));
    EXPECT_EQ(walked, flagged);
    EXPECT_EQ(selection.HasSelectedLines(), !flagged.empty());
    EXPECT_EQ(selection.GetAnchor(), c.anchor);
    EXPECT_EQ(selection.GetCaret(), c.caret);
}

INSTANTIATE_TEST_SUITE_P(Operations, LineSelectionTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
