#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CLineSelector.h"
#include "DisplayLine.h"
#include "FakeTextMeasurer.h"
#include "LogLine.h"

namespace {

using namespace std::string_literals;

const LocaleFormats& Mdy() {
    static const LocaleFormats formats = MakeLocaleFormats({}, {});
    return formats;
}

DisplayLine Lay(std::string_view raw, bool excludeInvalid = false, const LocaleFormats& f = Mdy()) {
    DisplayLine line;
    line.LayOut(raw, 0, excludeInvalid, f);
    return line;
}

std::string Text(const DisplayLine& line) {
    return line.column + line.messageHead + std::string(line.message);
}

TEST(DisplayLineTest, PiecesOfReformattedAndRawLines) {
    const DisplayLine red = Lay("R 2003/12/31 23:59:59 - Disk full");
    EXPECT_EQ(red.color, LineColor::Red);
    EXPECT_TRUE(red.bold);
    EXPECT_EQ(red.column, "12/31/2003 23:59:59 - ");
    EXPECT_EQ(red.messageHead, "");
    EXPECT_EQ(red.message, "Disk full");

    // Shown raw, all of it message: a colour letter's prefix goes, any other letter's stays.
    const DisplayLine n = Lay("N no timestamp on this line");
    EXPECT_EQ(n.color, LineColor::Normal);
    EXPECT_FALSE(n.bold);
    EXPECT_EQ(n.column, "");
    EXPECT_EQ(n.message, "no timestamp on this line");
    EXPECT_EQ(Lay("A no timestamp").message, "A no timestamp");
    const DisplayLine shortRed = Lay("R short");
    EXPECT_EQ(shortRed.message, "short");
    EXPECT_TRUE(shortRed.column.empty());
    EXPECT_TRUE(shortRed.bold);

    // A timestamp further into the line counts, but the line shows as it is.
    EXPECT_EQ(Lay("job 7 ran at 12/31/2003 23:59:59").message, "job 7 ran at 12/31/2003 23:59:59");
    EXPECT_EQ(Lay("no stamp at all here", true).Length(), 0u);
}

TEST(DisplayLineTest, WhatTheLoadWorkedOutGivesTheSamePiecesAsReadingTheLineAfresh) {
    const std::vector<std::string> lines = {"R 2003/12/31 23:59:59 - Disk full",
                                            "12/31/2003 23:59:59 - x",
                                            "12/31/2003 23:59:591 - x",
                                            "R 2003/12/31 23:59:5 - x",
                                            "X 2003/12/31 23:59:59 - x",
                                            "job 7 ran at 12/31/2003 23:59:59",
                                            "N no timestamp",
                                            "R",
                                            "B 2003/12/31 23:59:59",
                                            "12/31/2003 23:59:59 -\xC3\xA9 rest",
                                            std::string(5000, 'x') + " 12/31/2003 23:59:59",
                                            "\xE9t\xE9 12/31/2003 23:59:59 - \x96"};
    for (const std::string& raw : lines) {
        for (const bool excludeInvalid : {false, true}) {
            DisplayLine known;
            known.LayOut(raw, CLineSelector::LayoutCode(raw, Mdy()), excludeInvalid, Mdy());
            const DisplayLine fresh = Lay(raw, excludeInvalid);
            EXPECT_EQ(Text(known), Text(fresh)) << raw;
            EXPECT_EQ(known.column, fresh.column) << raw;
            EXPECT_EQ(known.reading, fresh.reading) << raw;
            // The pieces are the display text less a colour prefix it starts with.
            std::string display = GetDisplayText(raw, excludeInvalid, Mdy());
            if (HasColourPrefix(display)) display.erase(0, 2);
            EXPECT_EQ(Text(known), display) << raw;
        }
    }
}

TEST(DisplayLineTest, ColumnKeepsAUtf8CharacterWholeAndTheWholeLineDecidesTheReading) {
    // "é" takes bytes 21 and 22 of the display text; the column is 22 bytes wide.
    const DisplayLine utf8 = Lay("12/31/2003 23:59:59 -\xC3\xA9 rest");
    EXPECT_EQ(utf8.reading, TextReading::Utf8);
    EXPECT_EQ(utf8.column, "12/31/2003 23:59:59 -");
    EXPECT_EQ(utf8.message, "\xC3\xA9 rest");

    // The start alone would read as UTF-8; the byte E9 later makes the line Windows-1252.
    const DisplayLine cp1252 = Lay("\xC3\xA9 some text without a timestamp \xE9");
    EXPECT_EQ(cp1252.reading, TextReading::Windows1252);
    EXPECT_EQ(cp1252.ColumnChars(), 0u);
    EXPECT_EQ(Lay("12/31/2003 23:59:59 - \xE9t\xE9").reading, TextReading::Windows1252);
}

TEST(DisplayLineTest, WidthIsTheColumnCellsThenTheMessage) {
    const FakeTextMeasurer measurer(3, false, 'i');
    const ColumnCells cells = MeasureColumnCells(measurer, Mdy());
    EXPECT_EQ(cells.sampleChars, 22u);
    EXPECT_EQ(cells.Width(), 66);
    // Narrow characters in the column take whole cells; text that is no timestamp is
    // measured as text.
    EXPECT_EQ(Lay("12/31/2003 23:59:59 - mm").Width(measurer, cells), 66 + 6);
    EXPECT_EQ(Lay(std::string(22, 'i') + "mm").Width(measurer, cells), 22 + 6);
    EXPECT_EQ(Lay("iii").Width(measurer, cells), 3);
    // Bold doubles the message's bytes but the narrow "i".
    EXPECT_EQ(Lay("R 2003/12/31 23:59:59 - Disk full").Width(measurer, cells), 66 + 8 * 6 + 1);

    // A separator of two bytes is one character and one cell.
    const LocaleFormats dotted = MakeLocaleFormats({DateOrder::MDY, "\xC2\xB7", ":", 1, 1, 1}, {});
    const ColumnCells dottedCells = MeasureColumnCells(measurer, dotted);
    EXPECT_EQ(dotted.timestampSample.size(), 24u);
    EXPECT_EQ(dottedCells.sampleChars, 22u);
    EXPECT_EQ(dottedCells.cell, 6);
}

}  // namespace
