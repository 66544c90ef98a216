#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "CLineSelection.h"

namespace {

// One call on the selection. Press and DragTo take a line with Ctrl and Shift; MoveBy
// takes a delta and extends with Shift; ToEnd goes to the last line when line is 1, to the
// first when 0; Reset and Resize take a line count.
enum class Op { Press, Drag, MoveBy, ToEnd, SelectAll, Only, Clear, Reset, Resize };
struct Step {
    Op op;
    LineIndex line = 0;
    bool ctrl = false;
    bool shift = false;
};
constexpr bool kCtrl = true;
constexpr bool kShift = true;

std::vector<LineIndex> Range(LineIndex a, LineIndex b) {
    std::vector<LineIndex> lines;
    for (LineIndex i = a; i <= b; ++i) lines.push_back(i);
    return lines;
}

struct Case {
    std::string name;
    LineIndex count;
    std::vector<Step> steps;
    std::vector<LineIndex> selected;
    std::optional<LineIndex> anchor;
    LineIndex caret;
};

void Apply(CLineSelection& selection, const Step& step) {
    switch (step.op) {
        case Op::Press:
            return selection.Press(step.line, step.ctrl, step.shift);
        case Op::Drag:
            return selection.DragTo(step.line, step.ctrl, step.shift);
        case Op::MoveBy:
            return selection.MoveCaretBy(step.line, step.shift);
        case Op::ToEnd:
            return selection.MoveCaretToEnd(step.line != 0, step.shift);
        case Op::SelectAll:
            return selection.SelectAll();
        case Op::Only:
            return selection.SelectOnly(step.line);
        case Op::Clear:
            return selection.Clear();
        case Op::Reset:
            return selection.Reset(step.line);
        case Op::Resize:
            selection.Resize(step.line);
            return;
    }
}

class LineSelectionTest : public ::testing::TestWithParam<Case> {};

TEST_P(LineSelectionTest, StepsLeaveTheseLinesAnchorAndCaret) {
    const Case& c = GetParam();
    CLineSelection selection;
    selection.Reset(c.count);
    for (const Step& step : c.steps) Apply(selection, step);
    // The flags and the walk over the selected lines, which reads only within the
    // bounds, agree.
    std::vector<LineIndex> flagged;
    for (LineIndex i = -2; i < selection.GetLineCount() + 2; ++i) {
        if (selection.IsSelected(i)) flagged.push_back(i);
    }
    std::vector<LineIndex> walked;
    selection.ForEachSelected([&](LineIndex line) { walked.push_back(line); });
    EXPECT_EQ(flagged, c.selected);
    EXPECT_EQ(walked, c.selected);
    EXPECT_EQ(selection.HasSelectedLines(), !c.selected.empty());
    EXPECT_EQ(selection.GetAnchor(), c.anchor);
    EXPECT_EQ(selection.GetCaret(), c.caret);
}

const Step kClick3{Op::Press, 3};
const Step kShift7{Op::Press, 7, false, kShift};
const Step kShift1{Op::Press, 1, false, kShift};
const Step kDrag5To10To7[] = {{Op::Press, 5}, {Op::Drag, 10}, {Op::Drag, 7}};

INSTANTIATE_TEST_SUITE_P(
    Operations, LineSelectionTest,
    ::testing::Values(
        Case{"ShiftClickExtendsFromTheAnchor", 20, {kClick3, kShift7}, Range(3, 7), 3, 7},
        Case{"ShiftClickBackwards", 20, {kClick3, kShift7, kShift1}, Range(1, 3), 3, 1},
        Case{"CtrlClickOnTheAnchorDropsIt",
             20,
             {kClick3, kShift7, kShift1, {Op::Press, 3, kCtrl}},
             Range(1, 2),
             std::nullopt,
             3},
        Case{"CtrlClickAddsAndTakesTheAnchor",
             20,
             {kClick3, kShift1, {Op::Press, 10, kCtrl}},
             {1, 2, 3, 10},
             10,
             10},
        Case{"ClickBelowTheLastLineSelectsItAndKeepsTheAnchor",
             5,
             {{Op::Press, 2}, {Op::Press, 20}},
             Range(4, 4),
             2,
             20},
        Case{"CtrlClickBelowTheLastLineChangesNothing",
             5,
             {{Op::Press, 2}, {Op::Press, 20}, {Op::Press, 22, kCtrl}},
             Range(4, 4),
             2,
             22},
        Case{"ShiftClickBelowTheLastLineSelectsUpToIt",
             5,
             {{Op::Press, 2}, {Op::Press, 22, false, kShift}},
             Range(2, 4),
             2,
             22},
        Case{"DragPastTheEndKeepsTheAnchorOnALine",
             5,
             {{Op::Press, 0}, {Op::Drag, 18}},
             Range(0, 4),
             4,
             18},
        Case{"DragAboveTheFirstLineKeepsTheAnchorOnALine",
             5,
             {{Op::Press, 3}, {Op::Drag, -2}},
             Range(0, 3),
             0,
             -2},
        Case{"PlainDragOnlyAddsAndTheAnchorFollows",
             20,
             {kDrag5To10To7[0], kDrag5To10To7[1], kDrag5To10To7[2]},
             Range(5, 10),
             7,
             7},
        Case{"CtrlDragFromASelectedLineRemovesAndDropsTheAnchor",
             20,
             {kDrag5To10To7[0],
              kDrag5To10To7[1],
              kDrag5To10To7[2],
              {Op::Press, 6, kCtrl},
              {Op::Drag, 8, kCtrl}},
             {5, 9, 10},
             std::nullopt,
             8},
        Case{"CtrlDragFromAnUnselectedLineAdds",
             20,
             {{Op::Press, 5}, {Op::Press, 14, kCtrl}, {Op::Drag, 16, kCtrl}},
             {5, 14, 15, 16},
             16,
             16},
        Case{"ShiftDragSelectsFromTheAnchorOnly",
             20,
             {{Op::Press, 5}, {Op::Press, 8, false, kShift}, {Op::Drag, 2, false, kShift}},
             Range(2, 5),
             5,
             2},
        Case{"DownSelectsTheNextLineAlone", 10, {kClick3, {Op::MoveBy, 1}}, Range(4, 4), 4, 4},
        Case{"ShiftDownAndUpExtendFromTheAnchor",
             100,
             {{Op::Press, 10},
              {Op::MoveBy, 1, false, kShift},
              {Op::MoveBy, 1, false, kShift},
              {Op::MoveBy, 1, false, kShift},
              {Op::MoveBy, -1, false, kShift}},
             Range(10, 12),
             10,
             12},
        Case{"PageDownStopsOnTheLastLine", 10, {kClick3, {Op::MoveBy, 24}}, Range(9, 9), 9, 9},
        Case{"ShiftPageUpStopsOnTheFirstLine",
             10,
             {{Op::Press, 9}, {Op::MoveBy, -24, false, kShift}},
             Range(0, 9),
             9,
             0},
        Case{"ACaretPastTheEndComesBackBeforeItMoves",
             40,
             {{Op::Press, 30}, {Op::Reset, 30}, {Op::MoveBy, -1}},
             Range(29, 29),
             29,
             29},
        Case{"ShiftCtrlEndWithoutAnAnchorSelectsEveryLine",
             100,
             {{Op::Press, 5}, {Op::Press, 5, kCtrl}, {Op::ToEnd, 1, false, kShift}},
             Range(0, 99),
             std::nullopt,
             99},
        Case{"ShiftCtrlHomeWithoutAnAnchorSelectsNothing",
             100,
             {{Op::Press, 5}, {Op::Press, 5, kCtrl}, {Op::ToEnd, 0, false, kShift}},
             {},
             std::nullopt,
             0},
        Case{"ShiftDownWithoutAnAnchorSelectsFromLineZero",
             100,
             {{Op::Press, 5}, {Op::Press, 5, kCtrl}, {Op::MoveBy, 1, false, kShift}},
             Range(0, 6),
             std::nullopt,
             6},
        Case{"CtrlEndSelectsTheLastLineAlone",
             100,
             {kClick3, {Op::ToEnd, 1}},
             Range(99, 99),
             99,
             99},
        Case{"SelectAllKeepsTheCaret", 6, {{Op::Press, 2}, {Op::SelectAll}}, Range(0, 5), 0, 2},
        Case{"AClickAfterSelectAllLeavesOnlyItsLine",
             6,
             {{Op::SelectAll}, {Op::Press, 4}},
             Range(4, 4),
             4,
             4},
        Case{"SelectOnlyMovesTheAnchorAndTheCaret",
             10,
             {{Op::Press, 1}, {Op::Press, 4, false, kShift}, {Op::Only, 7}},
             Range(7, 7),
             7,
             7},
        Case{"ResetClearsTheFlagsAndTheAnchorButKeepsTheCaret",
             10,
             {{Op::Press, 1}, {Op::Reset, 10}},
             {},
             std::nullopt,
             1},
        Case{"ShrinkingDropsTheFlagsAndTheAnchorPastTheEnd",
             10,
             {{Op::Press, 8}, {Op::Press, 2, false, kShift}, {Op::Resize, 5}, {Op::Resize, 10}},
             Range(2, 4),
             std::nullopt,
             2},
        Case{"ClearAfterAShrinkLeavesNothing",
             10,
             {{Op::Press, 2},
              {Op::Press, 8, false, kShift},
              {Op::Resize, 5},
              {Op::Clear},
              {Op::Resize, 10}},
             {},
             2,
             8},
        Case{"KeysWithoutLinesLeftAnAnchorThatEnabledCopy",
             10,
             {{Op::Press, 5}, {Op::Reset, 0}, {Op::MoveBy, -1}, {Op::ToEnd, 1}, {Op::SelectAll}},
             {},
             std::nullopt,
             5}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
