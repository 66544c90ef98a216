#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ITextMeasurer.h"

class QPainter;

// Measures and draws log text in the view's two fonts: the application font and the same
// font at weight 800 (red lines' messages). Both have kerning off and whole-pixel
// advances, so the width of a text is the sum of its characters' widths and pieces
// measured apart add up to the whole.
//
// Text read byte by byte (ASCII, the common case, and Windows-1252) is measured from a
// 256-entry advance table per font and drawn glyph by glyph at exactly those advances.
// UTF-8 text is read character by character with each character's advance remembered.
// Only the characters that fall inside the painted area are drawn, and drawing reuses its
// buffers, so painting a line allocates nothing of its own.
class CQtTextMeasurer : public ITextMeasurer {
public:
    // The application font; a QApplication must exist.
    CQtTextMeasurer();
    explicit CQtTextMeasurer(const QFont& normal);

    using ITextMeasurer::TextWidth;
    // Never more than MaxByteAdvance per byte, and at least 1 for a non-empty text.
    std::int64_t TextWidth(std::string_view text, bool bold, TextReading reading) const override;
    std::int64_t MaxByteAdvance() const override { return m_nMaxByteAdvance; }

    const QFont& Font(bool bold) const { return m_fonts[bold ? 1 : 0].font; }
    // Height and ascent of a text line in the normal font.
    int LineHeight() const { return m_fonts[0].metrics.height(); }
    int Ascent() const { return m_fonts[0].metrics.ascent(); }
    // Advance of one character in the normal font.
    int CharAdvance(char32_t ch) const;

    // Draws text, read as reading says, with its left edge at x and its baseline at
    // baseline, in the painter's pen colour. Characters that lie wholly outside
    // [clipLeft, clipRight) may be left out. The walk starts at the text's first byte:
    // a caller drawing far into a long text passes the part from a known point on.
    void DrawText(QPainter& dc, std::int64_t x, int baseline, std::string_view text, bool bold,
                  TextReading reading, int clipLeft, int clipRight) const;
    // Draws the characters of text in the normal font in cells: character k starts at x
    // plus the sum of cells[0..k-1]. Characters beyond cellCount are not drawn. Returns
    // where the last drawn character's cell ends.
    std::int64_t DrawCells(QPainter& dc, std::int64_t x, int baseline, std::string_view text,
                           TextReading reading, const std::int32_t* cells,
                           std::size_t cellCount) const;

private:
    struct FontTables {
        QFont font;
        QFontMetrics metrics{QFont()};
        QRawFont raw;
        // Advance and glyph of each byte read as Windows-1252 (the first 128 are ASCII).
        std::int32_t advance[256] = {};
        quint32 glyph[256] = {};
        // Advances and glyphs of the other characters, filled as they are met: flat
        // tables for the Basic Multilingual Plane (advance -1, glyph kUnknownGlyph = not
        // yet known; glyph 0 = not in this font), a map beyond it.
        mutable std::vector<std::int32_t> bmp;
        mutable std::vector<quint32> bmpGlyph;
        mutable std::unordered_map<char32_t, std::int32_t> wideAdvance;
    };
    static constexpr quint32 kUnknownGlyph = 0xFFFFFFFFu;

    void BuildTables(FontTables& tables, const QFont& font);
    static std::int32_t Advance(const FontTables& f, char32_t ch) {
        if (ch < 0x10000) {
            const std::int32_t known = f.bmp[ch];
            if (known >= 0) return known;
        }
        return NewAdvance(f, ch);
    }
    static std::int32_t NewAdvance(const FontTables& f, char32_t ch);
    // Queues a glyph of the primary font at window x, or false when the font lacks it.
    bool QueueGlyph(const FontTables& f, char32_t ch, std::int64_t x) const;
    // Draws and empties the queued glyphs.
    void FlushGlyphs(QPainter& dc, const FontTables& f, int baseline) const;

    FontTables m_fonts[2];
    std::int64_t m_nMaxByteAdvance = 1;
    // Reused by every drawing call.
    mutable QList<quint32> m_glyphs;
    mutable QList<QPointF> m_positions;
    mutable QString m_text;
};
