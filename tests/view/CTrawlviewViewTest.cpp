#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "DisplayLine.h"
#include "FakeDocumentHost.h"
#include "LocaleFormats.h"
#include "TempDir.h"
#include "ViewTestSupport.h"

namespace {

class ViewTest : public ViewFixture {
protected:
    QImage Grab() { return view.viewport()->grab().toImage(); }
    int H() const { return view.GetLineHeight(); }
    QColor Base() const { return view.palette().color(QPalette::Base); }

    // The rows of one line, as an image.
    QImage Row(const QImage& image, int line) const {
        return image.copy(0, line * H(), image.width(), H());
    }

    static bool IsRed(QRgb p) { return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80; }
    static int Count(const QImage& image, QRect area, const std::function<bool(QRgb)>& test) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) n += test(image.pixel(x, y)) ? 1 : 0;
        }
        return n;
    }
    // One past the rightmost pixel of the line that is not the background.
    static int InkRight(const QImage& row, QRgb background) {
        for (int x = row.width() - 1; x >= 0; --x) {
            for (int y = 0; y < row.height(); ++y) {
                if (row.pixel(x, y) != background) return x + 1;
            }
        }
        return 0;
    }
};

TEST_F(ViewTest, MessagesStartInTheSameCellWhateverTheColumnHolds) {
    // A re-formatted timestamp: the blue message begins after the column; a raw line of
    // narrow letters and one of wide letters are all message.
    Load({"B 2003/12/31 10:00:00 - WWW", "B iiiiiiiiiiiiiiiiiiiiiiWWW",
          "B MMMMMMMMMMMMMMMMMMMMMMWWW"});
    SetCaretLine(view, 10);
    const QImage image = Grab();
    auto isBlue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80; };
    auto firstBlue = [&](int line) {
        const QImage row = Row(image, line);
        for (int x = 0; x < row.width(); ++x) {
            for (int y = 0; y < row.height(); ++y) {
                if (isBlue(row.pixel(x, y))) return x;
            }
        }
        return -1;
    };
    ASSERT_GT(firstBlue(0), 0);
    EXPECT_GE(firstBlue(0), view.GetPrefixWidth() - H());
    // Lines without a timestamp are text from the line's start, in the message's colour.
    EXPECT_LT(firstBlue(1), H());
    EXPECT_LT(firstBlue(2), H());
}

TEST_F(ViewTest, LineWithNarrowCharactersInTheColumnWasDrawnPastTheContentWidth) {
    // The widest line as measured is the widest as drawn (text without a timestamp is
    // drawn as text): its end and its highlight are reachable by scrolling.
    Load({std::string(100, 'm'), std::string(22, 'i') + std::string(90, 'm')});
    EXPECT_EQ(doc.GetWidestLine(), 0);
    SelectLine(view, 0, true);
    SetCaretLine(view, 10);
    ASSERT_TRUE(view.HasScrollBar(CScrollView32::SB_HORZ));
    view.OnScroll(CScrollView32::SB_HORZ, CScrollView32::SB_RIGHT);
    const QImage row = Row(Grab(), 0);
    const QRgb highlight = view.palette().color(QPalette::Highlight).rgb();
    const int ink = InkRight(row, highlight);
    // The text ends inside the window, with highlight after it.
    EXPECT_LT(ink, row.width());
    EXPECT_EQ(row.pixel(ink, H() / 2), highlight);
    EXPECT_EQ(view.GetTotalWidth(), doc.GetWidestLineWidth() + 3);
}

TEST_F(ViewTest, ContentSizeComesFromTheWidestLineAndTheWindow) {
    Load({"12/31/2003 10:00:00 - short", "12/31/2003 10:00:01 - a considerably longer message",
          "12/31/2003 10:00:02 - mid length"});
    const std::int64_t message = measurer.TextWidth("a considerably longer message", false);
    EXPECT_EQ(view.GetTotalWidth(), view.GetPrefixWidth() + message + 3);

    ScrollSize total, page, line;
    view.GetDeviceScrollSizes(total, page, line);
    EXPECT_EQ(total.cy, 3 * 16);
    EXPECT_EQ(line.cy, 16);
    // A 400-pixel-high window pages by 24 lines: one window less one line.
    ASSERT_EQ(view.viewport()->height(), 400);
    EXPECT_EQ(page.cy, 384);
    view.resize(600, 200);
    view.GetDeviceScrollSizes(total, page, line);
    EXPECT_EQ(page.cy, 176);
}

TEST_F(ViewTest, RedLinesDrawTheirMessageInRedAndBold) {
    const std::string text = " - Disk full WWWWWWWW";
    Load({"R 2003/12/31 23:59:59" + text, "B 2003/12/31 23:59:59" + text});
    SetCaretLine(view, 10);
    const QImage image = Grab();
    const QImage red = Row(image, 0);
    const QImage blue = Row(image, 1);
    const int prefix = view.GetPrefixWidth();
    EXPECT_GT(Count(red, QRect(prefix, 0, red.width() - prefix, H()), IsRed), 10);
    EXPECT_EQ(Count(red, QRect(0, 0, prefix, H()), IsRed), 0);
    EXPECT_GT(measurer.TextWidth(text, true), measurer.TextWidth(text, false));
    EXPECT_GT(InkRight(red, Base().rgb()), InkRight(blue, Base().rgb()));
}

TEST_F(ViewTest, ColourPrefixOfARawLineIsDroppedOnlyForColourLetters) {
    Load({"N no timestamp on this line", "no timestamp on this line", "A no timestamp on this line",
          "N 2003/12/31 23:59:59 - valid"});
    SetCaretLine(view, 10);
    const QImage image = Grab();
    EXPECT_EQ(Row(image, 0), Row(image, 1));
    EXPECT_NE(Row(image, 2), Row(image, 1));
    EXPECT_GT(InkRight(Row(image, 2), Base().rgb()), InkRight(Row(image, 1), Base().rgb()));
}

TEST_F(ViewTest, TextWithoutATimestampWasSpreadOverTheColumnCells) {
    // No readable timestamp: the "R " goes and the rest is text, red and bold from the
    // line's start, as wide as its letters, not one letter to each timestamp cell.
    const std::string text = "this line has no timestamp at all, only text";
    Load({"R " + text});
    SetCaretLine(view, 10);
    const QImage row = Row(Grab(), 0);
    const int prefix = view.GetPrefixWidth();
    EXPECT_GT(Count(row, QRect(0, 0, prefix, H()), IsRed), 10);
    EXPECT_NEAR(InkRight(row, Base().rgb()), static_cast<double>(measurer.TextWidth(text, true)),
                3);
}

TEST_F(ViewTest, SelectedLineUsesHighlightColoursInBothParts) {
    const std::string line = "R 2003/12/31 23:59:59 - Disk full on volume E";
    Load({line, line});
    SelectLine(view, 0, true);
    SetCaretLine(view, 10);
    const QImage image = Grab();
    const QImage selected = Row(image, 0);
    const QRgb highlight = view.palette().color(QPalette::Highlight).rgb();
    const int prefix = view.GetPrefixWidth();
    const int total = static_cast<int>(view.GetTotalWidth());
    const QRect column(0, 0, prefix, H());
    const QRect message(prefix, 0, total - prefix, H());
    auto isHighlight = [highlight](QRgb p) { return p == highlight; };
    EXPECT_GT(Count(selected, column, isHighlight), column.width() * H() / 2);
    EXPECT_GT(Count(selected, message, isHighlight), message.width() * H() / 2);
    EXPECT_EQ(Count(selected, message, IsRed), 0);
    // Still bold: the selected message is exactly as long as the unselected one.
    const QRect content(0, 0, total, H());
    EXPECT_EQ(InkRight(selected.copy(content), highlight),
              InkRight(Row(image, 1).copy(content), Base().rgb()));
    // Nothing of the highlight beyond the content.
    EXPECT_EQ(Count(selected, QRect(total, 0, selected.width() - total, H()), isHighlight), 0);
}

TEST_F(ViewTest, FocusRectangleOnlyOnAnExistingCaretLine) {
    Load({"2003/12/31 10:00:00 - one", "2003/12/31 10:00:01 - two", "2003/12/31 10:00:02 - three"});
    SetCaretLine(view, 10);
    const QImage without = Grab();
    SetCaretLine(view, 1);
    const QImage with = Grab();
    EXPECT_EQ(Row(with, 0), Row(without, 0));
    EXPECT_NE(Row(with, 1), Row(without, 1));
    EXPECT_EQ(Row(with, 2), Row(without, 2));

    // A reload that leaves fewer lines than the caret: no rectangle anywhere, and the
    // window below the last line is the window colour.
    SetCaretLine(view, 2);
    Load({"2003/12/31 10:00:00 - one"});
    EXPECT_EQ(view.GetSelection().GetCaret(), 2);
    const QImage after = Grab();
    EXPECT_EQ(Row(after, 0), Row(without, 0));
    const QRect below(0, H(), after.width(), after.height() - H());
    EXPECT_EQ(Count(after, below, [this](QRgb p) { return p != Base().rgb(); }), 0);
}

TEST_F(ViewTest, UpdateClearsTheSelectionAndTheAnchorButKeepsTheCaret) {
    Load({"2003/12/31 10:00:00 - one", "2003/12/31 10:00:01 - two"});
    SelectLine(view, 1, true);
    SetAnchorLine(view, 1);
    SetCaretLine(view, 1);
    ASSERT_TRUE(view.GetSelection().IsSelected(1));
    ASSERT_EQ(view.GetSelection().GetAnchor(), 1);
    doc.RebuildDisplay();
    EXPECT_FALSE(view.GetSelection().IsSelected(1));
    EXPECT_EQ(view.GetSelection().GetAnchor(), std::nullopt);
    EXPECT_EQ(view.GetSelection().GetCaret(), 1);
}

TEST_F(ViewTest, FarIntoALongLineTheWindowShowsWhatIsThere) {
    // Digits repeating every ten characters: two positions a whole number of repeats apart
    // show the same pixels, one near the start of the line and one far into it, where
    // drawing starts from a checkpoint instead of the line's start.
    std::string digits;
    for (int i = 0; i < 10000; ++i) digits += "0123456789";
    Load({digits});
    SetCaretLine(view, 10);
    const std::int64_t repeat = measurer.TextWidth("0123456789", false);
    const std::int64_t start = view.GetPrefixWidth() + 3 * repeat;
    view.ScrollToPosition({start, 0});
    ASSERT_EQ(view.GetScrollPos32(CScrollView32::SB_HORZ), start);
    const QImage near = Row(Grab(), 0);
    view.ScrollToPosition({start + 5000 * repeat, 0});
    ASSERT_EQ(view.GetScrollPos32(CScrollView32::SB_HORZ), start + 5000 * repeat);
    EXPECT_EQ(Row(Grab(), 0), near);
    EXPECT_GT(Count(near, near.rect(), [this](QRgb p) { return p != Base().rgb(); }), 100);
}

// Marks of the find text: the runs of columns of a line's top pixel row (where no glyph
// reaches) that are not the line's background, and where they belong.
class MarkTest : public ViewTest {
protected:
    using Runs = std::vector<std::pair<int, int>>;
    // Only columns within the content's width (where the line's background is) count.
    Runs Marked(const QImage& image, int line, QRgb background) const {
        Runs runs;
        const int y = line * H();
        const int right =
            static_cast<int>(std::min<std::int64_t>(image.width(), view.GetTotalWidth()));
        for (int x = 0; x < right; ++x) {
            if (image.pixel(x, y) == background) continue;
            if (!runs.empty() && runs.back().second == x) {
                runs.back().second = x + 1;
            } else {
                runs.push_back({x, x + 1});
            }
        }
        return runs;
    }
    Runs Marked(const QImage& image, int line) const { return Marked(image, line, Base().rgb()); }
    // Where each occurrence of an ASCII text in the line's column and message shows, in
    // the window scrolled to scrollX: column characters sit in their cells, the message
    // follows the column's text.
    Runs Expected(LineIndex line, const std::string& text, std::int64_t scrollX = 0) {
        DisplayLine pieces;
        doc.GetDisplayLine(line, pieces);
        const ColumnCells cells = MeasureColumnCells(measurer, GetLocaleFormats());
        Runs runs;
        auto add = [&](std::int64_t left, std::int64_t right) {
            runs.push_back({static_cast<int>(std::max<std::int64_t>(left - scrollX, 0)),
                            static_cast<int>(right - scrollX)});
        };
        const std::string column = pieces.column;
        for (std::size_t pos = column.find(text); pos != std::string::npos;
             pos = column.find(text, pos + 1)) {
            add(cells.End(pos), cells.End(pos + text.size()));
        }
        const std::int64_t x =
            cells.End(column.size()) + measurer.TextWidth(pieces.messageHead, pieces.bold);
        const std::string message(pieces.message);
        for (std::size_t pos = message.find(text); pos != std::string::npos;
             pos = message.find(text, pos + 1)) {
            const std::int64_t left = x + measurer.TextWidth(message.substr(0, pos), pieces.bold);
            add(left, left + measurer.TextWidth(text, pieces.bold));
        }
        return runs;
    }
    void SetFindText(const std::string& text, unsigned flags = CTrawlviewView::FR_DOWN) {
        view.OnFindReplace(text, flags);
    }
};

TEST_F(MarkTest, EveryOccurrenceIsMarkedInTheColumnAndTheMessageUntilTheTextChanges) {
    // Letters without ascenders, so the top pixel row of a line holds only backgrounds.
    Load({"ar sum cr xxxxxxxxxxxxxxxxxxxxxxxx sum wx sum zz", "nothing here", "sum"});
    SetCaretLine(view, 10);
    const QImage plain = Grab();
    for (int line = 0; line < 3; ++line) ASSERT_TRUE(Marked(plain, line).empty()) << line;

    SetFindText("sum");
    QImage image = Grab();
    const Runs first = Expected(0, "sum");
    ASSERT_EQ(first.size(), 3u);
    EXPECT_LT(first[0].second, view.GetPrefixWidth());  // in the column
    EXPECT_GT(first[1].first, view.GetPrefixWidth());   // in the message
    EXPECT_EQ(Marked(image, 0), first);
    EXPECT_TRUE(Marked(image, 1).empty());
    EXPECT_EQ(Marked(image, 2), Expected(2, "sum"));

    // Case is ignored unless asked for; a whole word needs white space or an edge around it.
    SetFindText("SUM", CTrawlviewView::FR_MATCHCASE);
    EXPECT_TRUE(Marked(Grab(), 0).empty());
    SetFindText("SUM");
    EXPECT_EQ(Marked(Grab(), 0), first);
    SetFindText("su", CTrawlviewView::FR_WHOLEWORD);
    EXPECT_TRUE(Marked(Grab(), 0).empty());

    // Another text moves the marks; switched off, none show; on again, they are back.
    SetFindText("wx");
    image = Grab();
    EXPECT_EQ(Marked(image, 0), Expected(0, "wx"));
    EXPECT_TRUE(Marked(image, 2).empty());
    view.SetHighlightMatches(false);
    EXPECT_EQ(Grab(), plain);
    view.SetHighlightMatches(true);
    EXPECT_EQ(Marked(Grab(), 0), Expected(0, "wx"));

    // On a selected line the mark stands out from the selection's colour.
    SetFindText("sum");
    SelectLine(view, 2, true);
    EXPECT_EQ(Marked(Grab(), 2, view.palette().color(QPalette::Highlight).rgb()),
              Expected(2, "sum"));
}

TEST_F(MarkTest, FarIntoALongLineTheMatchIsMarkedWhereItShowsAndCutAtTheWindowsEdge) {
    std::string digits;
    for (int i = 0; i < 10000; ++i) digits += "0123456789";
    digits.replace(70000, 3, "sum");
    Load({digits});
    SetCaretLine(view, 10);
    SetFindText("sum");
    const Runs whole = Expected(0, "sum");
    ASSERT_EQ(whole.size(), 1u);
    for (const std::int64_t before : {300, -2}) {
        const std::int64_t x = whole[0].first - before;
        view.ScrollToPosition({x, 0});
        ASSERT_EQ(view.GetScrollPos32(CScrollView32::SB_HORZ), x);
        EXPECT_EQ(Marked(Grab(), 0), Expected(0, "sum", x)) << before;
    }
}

TEST_F(ViewTest, NoLinesMeansNoBarsAndAnEmptyWindow) {
    Load({});
    EXPECT_EQ(view.GetTotalWidth(), 0);
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_VERT));
    EXPECT_FALSE(view.HasScrollBar(CScrollView32::SB_HORZ));
    const QImage image = Grab();
    EXPECT_EQ(Count(image, image.rect(), [this](QRgb p) { return p != Base().rgb(); }), 0);
}

TEST_F(ViewTest, ScrolledFarDownShowsTheLinesAtThatPosition) {
    std::vector<std::string> lines;
    for (int i = 0; i < 200000; ++i)
        lines.push_back((i % 2 == 0 ? "R " : "N ") + std::string("2003/12/31 10:00:00 - line"));
    Load(lines);
    ASSERT_TRUE(view.HasScrollBar(CScrollView32::SB_VERT));
    // Line 187,500 (even: red) at the top, the window's last row its own line's bottom.
    view.ScrollToPosition({0, 187500 * 16});
    const QImage image = Grab();
    const int prefix = view.GetPrefixWidth();
    EXPECT_GT(Count(image, QRect(prefix, 0, image.width() - prefix, 16), IsRed), 0);
    EXPECT_EQ(Count(image, QRect(prefix, 16, image.width() - prefix, 16), IsRed), 0);
    EXPECT_GT(Count(image, QRect(prefix, 32, image.width() - prefix, 16), IsRed), 0);
}

}  // namespace
