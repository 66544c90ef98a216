#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRawFont>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "ITextMeasurer.h"

class QPainter;

// Measures and draws log text in the view's two fonts: the application font and the same
// font at weight 800 (red lines' messages). Both have kerning off and whole-pixel
// advances, so the width of a text is the sum of its characters' widths and pieces
// measured apart add up to the whole.
//
// Plain ASCII, the common case, is measured from a 128-entry advance table per font and
// drawn glyph by glyph at exactly those advances, without shaping or allocation when
// measuring. Other text is read character by character (valid UTF-8 as UTF-8, else
// Windows-1252) with each character's advance remembered, and only the characters that
// fall inside the painted area are handed to Qt to draw: a line of many megabytes costs
// one pass over its bytes, never a layout of the whole line.
class CQtTextMeasurer : public ITextMeasurer {
public:
    // The application font; a QApplication must exist.
    CQtTextMeasurer();
    explicit CQtTextMeasurer(const QFont& normal);

    // Never more than MaxByteAdvance per byte, and at least 1 for a non-empty text.
    std::int64_t TextWidth(std::string_view text, bool bold) const override;
    std::int64_t MaxByteAdvance() const override { return m_nMaxByteAdvance; }

    const QFont& Font(bool bold) const { return m_fonts[bold ? 1 : 0].font; }
    // Height and ascent of a text line in the normal font.
    int LineHeight() const { return m_fonts[0].metrics.height(); }
    int Ascent() const { return m_fonts[0].metrics.ascent(); }
    // Advance of one character in the normal font.
    int CharAdvance(char32_t ch) const;

    // Draws text with its left edge at x and its baseline at baseline, in the painter's
    // pen colour. Characters that lie wholly outside [clipLeft, clipRight) may be left
    // out.
    void DrawText(QPainter& dc, std::int64_t x, int baseline, std::string_view text, bool bold,
                  int clipLeft, int clipRight) const;
    // Draws the characters of text in the normal font in cells: character k starts at x
    // plus the sum of cells[0..k-1]. Characters beyond cellCount are not drawn. Returns
    // where the last drawn character's cell ends.
    std::int64_t DrawCells(QPainter& dc, std::int64_t x, int baseline, std::string_view text,
                           const std::int32_t* cells, std::size_t cellCount) const;

private:
    struct FontTables {
        QFont font;
        QFontMetrics metrics{QFont()};
        QRawFont raw;
        std::int32_t advance[128] = {};
        quint32 glyph[128] = {};
        mutable std::unordered_map<char32_t, std::int32_t> wideAdvance;  // filled as met
    };

    void BuildTables(FontTables& tables, const QFont& font);
    static std::int32_t Advance(const FontTables& f, char32_t ch);

    FontTables m_fonts[2];
    std::int64_t m_nMaxByteAdvance = 1;
};
