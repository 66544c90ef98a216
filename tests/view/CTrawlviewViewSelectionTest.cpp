#include <gtest/gtest.h>

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "TempDir.h"
#include "ViewTestSupport.h"

namespace {

class SelectionTest : public ViewFixture {
protected:
    void Load(int count) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back("2003/12/31 10:00:00 - line " + std::to_string(i));
        Load(lines);
    }
    void Load(const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines) bytes += line + "\r\n";
        ASSERT_TRUE(doc.LoadLogFile(dir.Write("test.log", bytes)));
        ASSERT_EQ(view.GetLineHeight(), 16);
        ASSERT_EQ(view.viewport()->height(), 400);
    }

    void Mouse(QEvent::Type type, int y, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons) {
        const QPointF at(50, y);
        QMouseEvent event(type, at, view.viewport()->mapToGlobal(at), Qt::LeftButton, buttons,
                          keys);
        QCoreApplication::sendEvent(view.viewport(), &event);
    }
    // Pixel rows of the window: line i of an unscrolled view is at i * 16 + 8.
    void Press(int y, Qt::KeyboardModifiers keys = {}) {
        Mouse(QEvent::MouseButtonPress, y, keys, Qt::LeftButton);
    }
    void Drag(int y, Qt::KeyboardModifiers keys = {}) {
        Mouse(QEvent::MouseMove, y, keys, Qt::LeftButton);
    }
    void Release(int y) { Mouse(QEvent::MouseButtonRelease, y, {}, Qt::NoButton); }
    void Click(int line, Qt::KeyboardModifiers keys = {}) {
        Press(line * 16 + 8, keys);
        Release(line * 16 + 8);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers keys = {}) { QTest::keyClick(&view, key, keys); }

    std::vector<LineIndex> Selected() const {
        std::vector<LineIndex> lines;
        for (LineIndex i = 0; i < doc.GetLineCount(); ++i) {
            if (view.GetSelection().IsSelected(i)) lines.push_back(i);
        }
        return lines;
    }
    static std::vector<LineIndex> Range(LineIndex a, LineIndex b) {
        std::vector<LineIndex> lines;
        for (LineIndex i = a; i <= b; ++i) lines.push_back(i);
        return lines;
    }
    std::int64_t Pos() const { return view.GetScrollPos32(CScrollView32::SB_VERT); }
    void Find(const std::string& text, unsigned flags = CTrawlviewView::FR_DOWN) {
        view.OnFindReplace(text, flags | CTrawlviewView::FR_FINDNEXT);
    }
};

TEST_F(SelectionTest, ClicksWithShiftAndCtrl) {
    Load(20);
    Click(3);
    Click(7, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Range(3, 7));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 3);
    Click(1, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Range(1, 3));
    EXPECT_EQ(view.GetSelection().GetCaret(), 1);

    // Ctrl+click on the selected anchor: unselected, the anchor gone, Copy disabled.
    Click(3, Qt::ControlModifier);
    EXPECT_EQ(Selected(), Range(1, 2));
    EXPECT_EQ(view.GetSelection().GetAnchor(), std::nullopt);
    EXPECT_FALSE(view.CanCopy());
    Click(10, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::vector<LineIndex>{1, 2, 10}));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 10);
    EXPECT_TRUE(view.CanCopy());
}

// Which lines a drag selects is the selection's own rule; here, that the moves reach it
// with their keys, and only between a press in the view and the release.
TEST_F(SelectionTest, DragsAddAndCtrlDragsRemove) {
    Load(20);
    Press(5 * 16 + 8);
    Drag(10 * 16 + 8);
    Drag(7 * 16 + 8);
    Release(7 * 16 + 8);
    EXPECT_EQ(Selected(), Range(5, 10));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 7);
    EXPECT_FALSE(view.HasCapture());

    Press(6 * 16 + 8, Qt::ControlModifier);
    Drag(8 * 16 + 8, Qt::ControlModifier);
    Release(8 * 16 + 8);
    EXPECT_EQ(Selected(), (std::vector<LineIndex>{5, 9, 10}));
    EXPECT_EQ(view.GetSelection().GetAnchor(), std::nullopt);

    // Moves without a press in the view do nothing; nor does a drag below the last line
    // reach a flag that does not exist.
    Drag(2 * 16 + 8);
    EXPECT_EQ(Selected(), (std::vector<LineIndex>{5, 9, 10}));
    Press(18 * 16 + 8);
    Drag(390);
    Release(390);
    EXPECT_EQ(Selected(), Range(18, 19));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 19);
}

TEST_F(SelectionTest, DragBelowTheWindowScrollsByTheDistanceEveryTick) {
    Load(100);
    Press(2 * 16 + 8);
    Drag(420);  // 20 pixels below the window
    EXPECT_EQ(Pos(), 20);
    const QTimer& timer = view.GetAutoScrollTimer();
    EXPECT_TRUE(timer.isActive());
    view.OnTimer();
    EXPECT_EQ(Pos(), 40);
    // The lines the scrolling uncovered are selected up to the one under the pointer.
    EXPECT_EQ(Selected(), Range(2, (40 + 420) / 16));
    // Back inside: the timer stops.
    Drag(200);
    EXPECT_FALSE(timer.isActive());
    Release(200);

    // Above the window at the top: nothing to scroll, but the timer is armed.
    view.ScrollToPosition({0, 0});
    Press(8);
    Drag(-30);
    EXPECT_EQ(Pos(), 0);
    EXPECT_TRUE(timer.isActive());
    Release(-30);
    EXPECT_FALSE(timer.isActive());
}

TEST_F(SelectionTest, LosingTheGrabStopsTheDragAndKeepsTheSelection) {
    Load(100);
    view.activateWindow();
    view.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return view.hasFocus(); }));
    Press(2 * 16 + 8);
    Drag(420);
    const std::vector<LineIndex> selected = Selected();
    // Another window comes to the front during the drag.
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !view.GetAutoScrollTimer().isActive(); }));
    view.OnTimer();
    Drag(440);
    EXPECT_EQ(Pos(), 20);
    EXPECT_EQ(Selected(), selected);
}

TEST_F(SelectionTest, VerticalKeysMoveTheCaretAndTheSelection) {
    Load(100);
    // Page Down: 24 lines and 384 pixels.
    Click(12);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(view.GetSelection().GetCaret(), 36);
    EXPECT_EQ(Pos(), 384);
    EXPECT_EQ(Selected(), Range(36, 36));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 36);
    // From the top line the caret lands on the top line again, which counts as out of
    // view: the window re-centres on it.
    view.ScrollToPosition({0, 0});
    Click(0);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(view.GetSelection().GetCaret(), 24);
    EXPECT_EQ(Pos(), 24 * 16 - 384 / 2);

    // Shift+Down three times from caret and anchor 10, then Shift+Up.
    view.ScrollToPosition({0, 0});
    Click(10);
    for (int k = 0; k < 3; ++k) Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Range(10, 13));
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Range(10, 12));

    // Alt+key is left to the default processing: nothing moves.
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_PageDown, Qt::AltModifier);
    EXPECT_EQ(Pos(), 0);
    EXPECT_EQ(Selected(), Range(10, 12));

    // Ctrl+Down scrolls one line and leaves caret, selection and anchor alone.
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Pos(), 16);
    EXPECT_EQ(view.GetSelection().GetCaret(), 12);
    EXPECT_EQ(Selected(), Range(10, 12));

    // Up from the second visible line: the top line counts as out of view, the window
    // re-centres on it (top - half a page).
    view.ScrollToPosition({0, 50 * 16});
    Click(1);
    EXPECT_EQ(view.GetSelection().GetCaret(), 51);
    Key(Qt::Key_Up);
    EXPECT_EQ(view.GetSelection().GetCaret(), 50);
    EXPECT_EQ(Pos(), 50 * 16 - 384 / 2);

    // Down on the last line keeps the caret and selects it alone.
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    EXPECT_EQ(view.GetSelection().GetCaret(), 99);
    EXPECT_EQ(Selected(), Range(99, 99));
}

TEST_F(SelectionTest, ShiftCtrlEndAndHomeWithoutAnAnchor) {
    Load(100);
    Click(5);
    Click(5, Qt::ControlModifier);  // the anchor is gone
    ASSERT_EQ(view.GetSelection().GetAnchor(), std::nullopt);
    Key(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Selected(), Range(0, 99));
    EXPECT_EQ(view.GetSelection().GetCaret(), 99);
    EXPECT_EQ(Pos(), 100 * 16 - 400);

    view.ScrollToPosition({0, 0});
    Click(5);
    Click(5, Qt::ControlModifier);
    Key(Qt::Key_Home, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(Pos(), 0);

    // Shift+Down with no anchor selects from line 0.
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Range(0, 1));
}

TEST_F(SelectionTest, VerticalKeysDidNothingInALogThatFitsTheWindow) {
    Load(10);
    Click(3);
    // They move the caret and the selection as in a longer log; nothing scrolls.
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers keys;
        LineIndex caret;
        std::vector<LineIndex> selected;
    };
    const Step steps[] = {{Qt::Key_Down, {}, 4, Range(4, 4)},
                          {Qt::Key_Down, Qt::ShiftModifier, 5, Range(4, 5)},
                          {Qt::Key_Up, {}, 4, Range(4, 4)},
                          {Qt::Key_PageDown, {}, 9, Range(9, 9)},
                          {Qt::Key_PageUp, Qt::ShiftModifier, 0, Range(0, 9)},
                          {Qt::Key_End, Qt::ControlModifier, 9, Range(9, 9)},
                          {Qt::Key_Home, Qt::ControlModifier, 0, Range(0, 0)},
                          {Qt::Key_Down, Qt::ControlModifier, 0, Range(0, 0)},
                          {Qt::Key_End, {}, 0, Range(0, 0)}};
    for (const Step& step : steps) {
        Key(step.key, step.keys);
        EXPECT_EQ(view.GetSelection().GetCaret(), step.caret) << step.key;
        EXPECT_EQ(Selected(), step.selected) << step.key;
        EXPECT_EQ(Pos(), 0);
    }

    // A reload left the caret past the last line: the first vertical key brings it back.
    Load(40);
    Click(30);
    Load(30);
    Key(Qt::Key_Up);
    EXPECT_EQ(view.GetSelection().GetCaret(), 29);
    EXPECT_EQ(Selected(), Range(29, 29));
    Key(Qt::Key_Up);
    EXPECT_EQ(view.GetSelection().GetCaret(), 28);
}

TEST_F(SelectionTest, CopyPutsTheSelectedRawLinesInDisplayOrder) {
    Load({"R 2003/12/31 10:00:00 - zero", "one", "G 2003/12/31 10:00:02 - two caf\xC3\xA9", "three",
          "four", "five \x96 \xE9t\xE9"});
    Click(5);
    Click(2, Qt::ControlModifier);
    view.OnEditCopy();
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_EQ(
        text,
        QString::fromUtf8(
            "G 2003/12/31 10:00:02 - two caf\xC3\xA9\r\nfive \xE2\x80\x93 \xC3\xA9t\xC3\xA9\r\n"));

    // Select All: every line, anchor 0, the caret stays; Ctrl+A does the same.
    view.OnEditSelectAll();
    EXPECT_EQ(Selected(), Range(0, 5));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 0);
    EXPECT_EQ(view.GetSelection().GetCaret(), 2);
    Click(1);
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected(), Range(0, 5));
    // A click after Select All leaves only its line.
    Click(4);
    EXPECT_EQ(Selected(), Range(4, 4));
}

TEST_F(SelectionTest, FindSelectsTheHitAndScrollsOnlyWhenItMust) {
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i)
        lines.push_back("2003/12/31 10:00:00 - line " + std::to_string(i));
    lines[5] = "2003/12/31 10:00:00 - Disk ERROR";
    lines[25] = "2003/12/31 10:00:00 - disk error";
    lines[150] = "2003/12/31 10:00:00 - an error again";
    lines[160] = "2003/12/31 10:00:00 - caf\xE9 \x96 in Windows-1252";
    Load(lines);
    // No anchor: from line 0; line 5 is wholly visible below the top line: no scrolling.
    Find("error");
    EXPECT_EQ(Selected(), Range(5, 5));
    EXPECT_EQ(view.GetSelection().GetAnchor(), 5);
    EXPECT_EQ(Pos(), 0);
    // Line 25 is the first line not wholly visible: re-centred.
    Find("error");
    EXPECT_EQ(view.GetSelection().GetAnchor(), 25);
    EXPECT_EQ(Pos(), 25 * 16 - 200);
    Find("ERROR", CTrawlviewView::FR_DOWN | CTrawlviewView::FR_MATCHCASE);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 5);
    // A hit on the topmost visible line re-centres as well (here to the top).
    view.ScrollToPosition({0, 5 * 16});
    Find("error", 0);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 150);
    view.ScrollToPosition({0, 25 * 16});
    Find("error", 0);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 25);
    EXPECT_EQ(Pos(), 25 * 16 - 200);

    // A text above ASCII is found in a Windows-1252 line the way the line is shown.
    Find("caf\xC3\xA9 \xE2\x80\x93");
    EXPECT_EQ(view.GetSelection().GetAnchor(), 160);
    Find("error", 0);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 150);
    Find("error", 0);
    EXPECT_EQ(view.GetSelection().GetAnchor(), 25);

    // Nothing found, an empty text, the dialog closing: nothing changes, but the text
    // and options are kept.
    Find("\x01\x02");
    Find("");
    view.OnFindReplace("kept", CTrawlviewView::FR_MATCHCASE | CTrawlviewView::FR_DIALOGTERM);
    EXPECT_EQ(Selected(), Range(25, 25));
    EXPECT_EQ(Pos(), 25 * 16 - 200);
    EXPECT_EQ(view.GetFindWhat(), "kept");
    EXPECT_EQ(view.GetFindFlags(), static_cast<unsigned>(CTrawlviewView::FR_MATCHCASE));
}

}  // namespace
