#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <string>

#include "CQtTextMeasurer.h"
#include "LogTextCodec.h"

namespace {

TEST(CQtTextMeasurerTest, WidthsAddUpAndBoldIsWider) {
    const CQtTextMeasurer m;
    for (const bool bold : {false, true}) {
        const std::string text = "12/31/2003 23:59:59 - Disk full on volume E:";
        std::int64_t sum = 0;
        for (const char c : text) sum += m.TextWidth(std::string(1, c), bold);
        EXPECT_EQ(m.TextWidth(text, bold), sum);
        EXPECT_EQ(m.TextWidth(text.substr(0, 22), bold) + m.TextWidth(text.substr(22), bold), sum);
    }
    EXPECT_GT(m.TextWidth("Disk full on volume E:", true),
              m.TextWidth("Disk full on volume E:", false));
    EXPECT_EQ(m.TextWidth("", false), 0);
}

TEST(CQtTextMeasurerTest, OtherTextIsMeasuredCharacterByCharacterInItsLinesReading) {
    const CQtTextMeasurer m;
    // UTF-8 "été" and Windows-1252 "caf\xE9": each character's advance, added up.
    EXPECT_EQ(m.TextWidth("\xC3\xA9t\xC3\xA9", false),
              2 * m.CharAdvance(U'\u00E9') + m.CharAdvance(U't'));
    EXPECT_EQ(m.TextWidth("caf\xE9", false), m.CharAdvance(U'c') + m.CharAdvance(U'a') +
                                                 m.CharAdvance(U'f') + m.CharAdvance(U'\u00E9'));
    EXPECT_EQ(m.TextWidth("a \x96 b", false), m.TextWidth("a \xE2\x80\x93 b", false));
}

TEST(CQtTextMeasurerTest, AHugeLineDrawsOnlyWhatIsInTheWindow) {
    const CQtTextMeasurer m;
    std::string huge;
    while (huge.size() < (8u << 20)) huge += "\xC3\xA9t\xC3\xA9 disk ";
    QImage image(300, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter dc(&image);
        dc.setPen(Qt::black);
        // Scrolled far to the right: the text starts millions of pixels to the left.
        m.DrawText(dc, -m.TextWidth(huge, false) / 2, 20, huge, false, TextReading::Utf8, 0,
                   image.width());
    }
    int inked = 0;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y)
            inked += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
    }
    EXPECT_GT(inked, 100);
}

TEST(CQtTextMeasurerTest, TabWasMeasuredToATabStopInsteadOfAsOneCharacter) {
    // Lines are drawn glyph by glyph; a tab is one character, not a jump to a tab stop
    // (which also made every byte's bound, and so each rebuild's work, much larger).
    const CQtTextMeasurer m;
    EXPECT_LE(m.TextWidth("\t", false), 2 * m.TextWidth("M", false));
    EXPECT_LE(m.MaxByteAdvance(), 4 * m.TextWidth("M", true));
}

TEST(CQtTextMeasurerTest, AnyNonEmptyTextIsAtLeastOnePixelAndAtMostTheByteBound) {
    const CQtTextMeasurer m;
    const std::int64_t bound = m.MaxByteAdvance();
    ASSERT_GT(bound, 0);
    std::string everyByte;
    for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
    const std::string texts[] = {
        "\x01",
        "\x7F",
        "\t",
        " ",
        "W",
        "WWWWMMMM@@@@",
        "\x97\x85\x89\x99",
        everyByte,
        "\xEF\xB7\xBD",                              // one very wide ligature glyph
        "\xF0\x9F\x98\x80\xE4\xB8\xAD\xE6\x96\x87",  // emoji and CJK
        "e\xCC\x81\xCC\x81\xCC\x81",                 // combining marks
    };
    for (const std::string& t : texts) {
        for (const bool bold : {false, true}) {
            const std::int64_t w = m.TextWidth(t, bold);
            EXPECT_GE(w, 1) << t;
            EXPECT_LE(w, static_cast<std::int64_t>(t.size()) * bound) << t;
        }
    }
}

TEST(CQtTextMeasurerTest, TextOfEveryReadingIsDrawnWithinItsMeasuredWidth) {
    const CQtTextMeasurer m;
    QImage image(800, 40, QImage::Format_RGB32);
    struct Case {
        std::string text;
        TextReading reading;
    };
    const Case cases[] = {
        {"Heartbeat from agent qb-app-04 WWW", TextReading::Ascii},
        {"Caf\xE9 \x96 \x80 12 WWW", TextReading::Windows1252},
        {"Caf\xC3\xA9 \xE2\x80\x93 WWW", TextReading::Utf8},
        // Characters the font may lack are drawn in another font, at its widths.
        {"\xE6\x9D\xB1\xE4\xBA\xAC WWW", TextReading::Utf8},
    };
    for (const Case& c : cases) {
        for (const bool bold : {false, true}) {
            image.fill(Qt::white);
            {
                QPainter dc(&image);
                dc.setPen(Qt::black);
                m.DrawText(dc, 10, 30, c.text, bold, c.reading, 0, image.width());
            }
            int right = 0;
            for (int x = 0; x < image.width(); ++x) {
                for (int y = 0; y < image.height(); ++y) {
                    if (image.pixel(x, y) != qRgb(255, 255, 255)) right = x + 1;
                }
            }
            const std::int64_t width = m.TextWidth(c.text, bold, c.reading);
            EXPECT_LE(right, 10 + width + 1) << c.text;
            EXPECT_GT(right, 10 + width - m.TextWidth("W", bold)) << c.text;
        }
    }
}

QImage Drawn(const CQtTextMeasurer& m, const std::string& text) {
    QImage image(400, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter dc(&image);
    dc.setPen(Qt::black);
    m.DrawText(dc, 5, 22, text, false, TextReading::Utf8, 0, image.width());
    return image;
}

TEST(CQtTextMeasurerTest, BidirectionalControlsShowAndNeverReorderTheLine) {
    // "user=<RLO>gnp.exe" showed as "user=exe.png": the control reversed what followed
    // it and was not shown itself.
    const CQtTextMeasurer m;
    const std::string replacement = "\xEF\xBF\xBD";  // U+FFFD
    for (const std::string control :
         {"\xE2\x80\xAE", "\xE2\x80\xAB", "\xE2\x81\xA7", "\xE2\x80\x8F", "\xD8\x9C"}) {
        const std::string shown = "user=" + control + "gnp.exe (" + control + "x)";
        const std::string expected = "user=" + replacement + "gnp.exe (" + replacement + "x)";
        EXPECT_EQ(m.TextWidth(shown, false), m.TextWidth(expected, false));
        EXPECT_EQ(Drawn(m, shown), Drawn(m, expected));
        EXPECT_NE(Drawn(m, shown), Drawn(m, "user=gnp.exe (x)"));
    }
    // Right-to-left letters stay in the order they are stored, left to right.
    const std::string hebrew = "id \xD7\x90\xD7\x91 end";
    QImage image(400, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter dc(&image);
        dc.setPen(Qt::black);
        m.DrawText(dc, 5, 22, "id ", false, TextReading::Utf8, 0, image.width());
        const std::int64_t x = 5 + m.TextWidth("id ", false);
        m.DrawText(dc, x, 22, "\xD7\x90", false, TextReading::Utf8, 0, image.width());
        const std::int64_t y = x + m.TextWidth("\xD7\x90", false);
        m.DrawText(dc, y, 22, "\xD7\x91 end", false, TextReading::Utf8, 0, image.width());
    }
    EXPECT_EQ(Drawn(m, hebrew), image);
}

TEST(CQtTextMeasurerTest, CellsFarLeftOfTheWindowStillEndWhereTheirCellsEnd) {
    // Past 2^24 px of scrolling the column's cells were not added up, and the message
    // was drawn shifted left by the column's width.
    const CQtTextMeasurer m;
    QImage image(100, 30, QImage::Format_RGB32);
    QPainter dc(&image);
    const std::int32_t cells[4] = {7, 8, 9, 10};
    const std::int64_t far = -(std::int64_t{1} << 25);
    for (const std::int64_t x : {std::int64_t{-50}, far}) {
        EXPECT_EQ(m.DrawCells(dc, x, 20, "12/3", TextReading::Ascii, cells, 4), x + 34);
        EXPECT_EQ(m.DrawCells(dc, x, 20, "\xC3\xA9t\xC3\xA9", TextReading::Utf8, cells, 4), x + 24);
        EXPECT_EQ(m.DrawCells(dc, x, 20, "123456", TextReading::Ascii, cells, 4), x + 34);
        EXPECT_EQ(m.DrawCells(dc, x, 20, "", TextReading::Ascii, cells, 4), x);
    }
}

}  // namespace
