#include <QAction>
#include <QScrollBar>

#include "CLineNumberGutter.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "FilterRecords.h"
#include "ShellFixture.h"

namespace {

// Lines 1..10 of the log; the include filter "keep" shows the odd-numbered ones.
class GoToLineTest : public ShellTest {
protected:
    void SetUp() override {
        std::vector<std::string> lines;
        for (int k = 1; k <= 10; ++k)
            lines.push_back("N line " + std::to_string(k) + (k % 2 == 1 ? " keep" : " drop"));
        frame.OpenLogFile(dir.Write("events.log", Lines(lines)));
        frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "keep"}}));
    }
    // The number, in the log, of the only selected line; 0 when not exactly one is.
    int SelectedNumber() const {
        const CTrawlviewDoc& doc = frame.GetDocument();
        int found = 0;
        int count = 0;
        for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
            if (!frame.GetView().GetSelection().IsSelected(i)) continue;
            ++count;
            found = static_cast<int>(doc.GetCutLine(i).value()) + 1;
        }
        return count == 1 ? found : 0;
    }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

TEST_F(GoToLineTest, GoesToAShownLineTheNextShownOneOrSaysTheRange) {
    const struct {
        const char* typed;
        int selected;  // 0: refused
    } cases[] = {{"7", 7},  {" 3 ", 3}, {"4", 5},     {"10", 9}, {"0", 0},
                 {"11", 0}, {"-1", 0},  {"seven", 0}, {"", 0}};
    for (const auto& c : cases) {
        boxes.reports.clear();
        const bool went = frame.GoToLine(QString::fromLatin1(c.typed));
        EXPECT_EQ(went, c.selected != 0) << c.typed;
        if (c.selected != 0) {
            EXPECT_EQ(SelectedNumber(), c.selected) << c.typed;
            EXPECT_EQ(
                frame.GetDocument().GetCutLine(frame.GetView().GetSelection().GetCaret()).value() +
                    1,
                c.selected)
                << c.typed;
            EXPECT_TRUE(boxes.reports.empty()) << c.typed;
        } else {
            ASSERT_EQ(boxes.reports.size(), 1u) << c.typed;
            EXPECT_NE(boxes.reports[0].find("numbered 1 to 10"), std::string::npos)
                << boxes.reports[0];
        }
    }
}

TEST_F(GoToLineTest, TheGutterIsAsWideAsTheLargestNumberAndStaysAcrossStarts) {
    ASSERT_FALSE(frame.GetView().GetLineNumbers());
    frame.GetAction(ID_VIEW_LINE_NUMBERS)->trigger();
    ASSERT_TRUE(frame.GetView().GetLineNumbers());
    const CLineNumberGutter* gutter = frame.GetView().findChild<CLineNumberGutter*>();
    ASSERT_NE(gutter, nullptr);
    // One digit more takes one digit's advance more, whatever the count.
    const int one = gutter->WidthFor(9);
    const int digit = gutter->WidthFor(10) - one;
    EXPECT_GT(digit, 0);
    for (const std::int64_t count :
         {std::int64_t{1}, std::int64_t{99}, std::int64_t{100000}, std::int64_t{1} << 40}) {
        int digits = 0;
        for (std::int64_t n = count; n > 0; n /= 10) ++digits;
        EXPECT_EQ(gutter->WidthFor(count), one + (digits - 1) * digit) << count;
    }
    // The margin holds the numbers of the log's ten lines, and the setting outlives the window.
    EXPECT_EQ(gutter->width(), gutter->WidthFor(10));
    CMainFrame again{&boxes};
    EXPECT_TRUE(again.GetView().GetLineNumbers());
    frame.GetAction(ID_VIEW_LINE_NUMBERS)->trigger();
    EXPECT_EQ(frame.GetView().findChild<CLineNumberGutter*>(), nullptr);
}

}  // namespace
