#include <QAction>
#include <QTest>

#include "CLinesPane.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CommandIds.h"
#include "FilterRecords.h"
#include "SelectionSteps.h"
#include "ShellFixture.h"

namespace {

// Lines 0..9 of the log; the include filter "keep" shows the even ones.
class ShowAllLinesTest : public ShellTest {
protected:
    void SetUp() override {
        std::vector<std::string> lines;
        for (int k = 0; k < 10; ++k)
            lines.push_back("N line " + std::to_string(k) + (k % 2 == 0 ? " keep" : " drop"));
        frame.OpenLogFile(dir.Write("events.log", Lines(lines)));
        frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "keep"}}));
    }
    QAction& ShowAll() const { return *frame.GetAction(ID_VIEW_SHOW_ALL_LINES); }
    CTrawlviewView& View() const { return frame.GetView(); }
    // The log lines (0-based) that are selected, read from the text of the displayed lines.
    std::vector<int> SelectedLogLines() const {
        std::vector<int> out;
        const CTrawlviewDoc& doc = frame.GetDocument();
        for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
            if (View().GetSelection().IsSelected(i)) out.push_back(LogLineOf(i));
        }
        return out;
    }
    int LogLineOf(LineIndex displayed) const {
        return std::stoi(std::string(frame.GetDocument().GetLine(displayed).substr(7)));
    }
    void Select(std::initializer_list<LineIndex> lines, LineIndex caret) {
        for (const LineIndex line : lines) SelectLine(View(), line, true);
        SetAnchorLine(View(), *lines.begin());
        SetCaretLine(View(), caret);
    }

    RecordingMessageBoxes boxes;
    CMainFrame frame{&boxes};
};

TEST_F(ShowAllLinesTest, HoldKeepsFiltersSelectionAndCaretThroughBothDirections) {
    ASSERT_EQ(frame.GetDocument().GetLineCount(), 5);
    // Displayed lines 1 and 3 are log lines 2 and 6; the caret on log line 6.
    Select({1, 3}, 3);
    ASSERT_TRUE(ShowAll().isEnabled());
    ShowAll().trigger();
    EXPECT_TRUE(ShowAll().isChecked());
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 10);
    EXPECT_EQ(frame.GetLinesPane().text().toStdString(), "all 10 lines, filters held");
    EXPECT_EQ(SelectedLogLines(), (std::vector<int>{2, 6}));
    EXPECT_EQ(LogLineOf(View().GetSelection().GetCaret()), 6);
    EXPECT_TRUE(frame.GetAction(ID_EDIT_CLEAR_FILTERS)->isEnabled())
        << "the filters are held, not gone";
    EXPECT_TRUE(View().CanCopy());

    // A hidden line joins the selection and takes the caret: back under the filters it
    // leaves the selection, and the caret goes to the nearest shown line before it.
    SelectLine(View(), 7, true);
    SetCaretLine(View(), 7);
    ShowAll().trigger();
    EXPECT_FALSE(ShowAll().isChecked());
    EXPECT_EQ(frame.GetDocument().GetLineCount(), 5);
    EXPECT_EQ(SelectedLogLines(), (std::vector<int>{2, 6}));
    EXPECT_EQ(LogLineOf(View().GetSelection().GetCaret()), 6);
    EXPECT_EQ(frame.GetLinesPane().text().toStdString(), "5 of 10 lines");
}

TEST_F(ShowAllLinesTest, AFilterChangeOrAReloadEndsTheHoldAndNoFiltersMeansGrey) {
    const std::function<void()> enders[] = {
        [&] {
            frame.ApplyFilters(MakeFilterList({{FilterKind::IncludeString, "line"}}));
        },
        [&] { frame.GetAction(ID_FILE_RELOAD)->trigger(); },
    };
    for (const auto& end : enders) {
        ShowAll().trigger();
        ASSERT_TRUE(ShowAll().isChecked());
        end();
        frame.UpdateCommandUI();
        EXPECT_FALSE(ShowAll().isChecked());
        EXPECT_EQ(frame.GetLinesPane().text().toStdString().rfind("all ", 0), std::string::npos);
    }
    frame.GetAction(ID_EDIT_CLEAR_FILTERS)->trigger();
    EXPECT_FALSE(ShowAll().isEnabled());
    ShowAll().trigger();
    EXPECT_FALSE(ShowAll().isChecked());
}

TEST_F(ShowAllLinesTest, DoubleClickShowsThatLineAmongAllLines) {
    frame.resize(600, 400);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    // Displayed line 2 is log line 4.
    const QPoint point(20, 2 * View().GetLineHeight() + View().GetLineHeight() / 2);
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, point);
    EXPECT_TRUE(ShowAll().isChecked());
    EXPECT_EQ(SelectedLogLines(), (std::vector<int>{4}));
    EXPECT_EQ(LogLineOf(View().GetSelection().GetCaret()), 4);
    // Among all lines a double click selects as a click does and changes nothing else.
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, point);
    EXPECT_TRUE(ShowAll().isChecked());
}

}  // namespace
