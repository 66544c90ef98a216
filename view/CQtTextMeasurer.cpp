#include "CQtTextMeasurer.h"

#include <QApplication>
#include <QGlyphRun>
#include <QPainter>
#include <algorithm>

#include "LogTextCodec.h"

namespace {

// Beyond this a window coordinate cannot be handed to the painter reliably; text that
// starts so far left of the window is not visible anyway.
constexpr std::int64_t kFarLeft = -(std::int64_t{1} << 24);

QFont ScreenFont(QFont font) {
    font.setKerning(false);
    // Full hinting gives whole-pixel advances, so widths add up and drawing at the
    // measured advances looks as the font intends.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// What a character shows as. The bidirectional controls would make the text around
// them read in another order than it is stored (and show nothing themselves), which a
// log viewer must not do: they show as the replacement character, a visible mark of
// width of its own, and every line reads left to right.
char32_t Shown(char32_t ch) {
    const bool bidiControl = ch == 0x061C || ch == 0x200E || ch == 0x200F ||
                             (ch >= 0x202A && ch <= 0x202E) || (ch >= 0x2066 && ch <= 0x2069);
    return bidiControl ? char32_t{0xFFFD} : ch;
}

// Text for Qt's own drawing: the controls made visible as above, and the whole forced
// to run left to right in the order of its characters.
void ForceLeftToRight(QString& text) {
    for (QChar& c : text) {
        if (Shown(c.unicode()) != c.unicode()) c = QChar(0xFFFD);
    }
    text.prepend(QChar(0x202D));  // left-to-right override
}

}  // namespace

CQtTextMeasurer::CQtTextMeasurer() : CQtTextMeasurer(QApplication::font()) {}

CQtTextMeasurer::CQtTextMeasurer(const QFont& normal) {
    const QFont font = ScreenFont(normal);
    QFont bold = font;
    bold.setWeight(QFont::ExtraBold);
    BuildTables(m_fonts[0], font);
    BuildTables(m_fonts[1], bold);

    // The widest thing one byte can become: any ASCII or Windows-1252 character, or the
    // widest glyph of the font. Wider text than that is capped in TextWidth, so the bound
    // holds for every text.
    std::int64_t widest = 1;
    for (const FontTables& f : m_fonts) {
        widest = std::max<std::int64_t>(widest, f.metrics.maxWidth());
        for (const std::int32_t a : f.advance) widest = std::max<std::int64_t>(widest, a);
    }
    m_nMaxByteAdvance = widest;
}

void CQtTextMeasurer::BuildTables(FontTables& tables, const QFont& font) {
    tables.font = font;
    tables.metrics = QFontMetrics(font);
    tables.raw = QRawFont::fromFont(font);
    tables.bmp.assign(0x10000, -1);
    tables.bmpGlyph.assign(0x10000, kUnknownGlyph);
    QString all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b) {
        const char16_t ch = Windows1252ToUnicode(static_cast<unsigned char>(b));
        all[b] = QChar(ch);
        tables.advance[b] = Advance(tables, ch);
    }
    const QList<quint32> glyphs = tables.raw.glyphIndexesForString(all);
    for (int b = 0; b < 256 && b < glyphs.size(); ++b) tables.glyph[b] = glyphs[b];
}

std::int64_t CQtTextMeasurer::TextWidth(std::string_view text, bool bold,
                                        TextReading reading) const {
    if (text.empty()) return 0;
    const FontTables& f = m_fonts[bold ? 1 : 0];
    std::int64_t width = 0;
    if (reading == TextReading::Utf8) {
        ForEachCharacter(text, true, [&](char32_t ch, std::size_t) {
            width += Advance(f, ch);
            return true;
        });
    } else {
        for (const char c : text) width += f.advance[static_cast<unsigned char>(c)];
    }
    width = std::min(width, static_cast<std::int64_t>(text.size()) * m_nMaxByteAdvance);
    return std::max<std::int64_t>(width, 1);
}

std::int32_t CQtTextMeasurer::NewAdvance(const FontTables& f, char32_t ch) {
    if (ch >= 0x10000) {
        const auto known = f.wideAdvance.find(ch);
        if (known != f.wideAdvance.end()) return known->second;
    }
    // An ASCII character on its own: as a string, a tab would be measured to the next
    // tab stop, which the glyph drawing does not do. A character that shows as another
    // is measured as that one (and remembered under its own code).
    const char32_t shown = Shown(ch);
    const std::int32_t advance =
        std::max(0, shown < 128 ? f.metrics.horizontalAdvance(QChar(static_cast<char16_t>(shown)))
                                : f.metrics.horizontalAdvance(QString::fromUcs4(&shown, 1)));
    if (ch < 0x10000) {
        f.bmp[ch] = advance;
    } else {
        f.wideAdvance.emplace(ch, advance);
    }
    return advance;
}

int CQtTextMeasurer::CharAdvance(char32_t ch) const {
    return Advance(m_fonts[0], ch);
}

bool CQtTextMeasurer::QueueGlyph(const FontTables& f, char32_t ch, std::int64_t x) const {
    ch = Shown(ch);
    quint32 glyph = 0;
    if (ch < 0x10000) {
        glyph = f.bmpGlyph[ch];
        if (glyph == kUnknownGlyph) {
            const QChar c(static_cast<char16_t>(ch));
            int count = 1;
            if (!f.raw.glyphIndexesForChars(&c, 1, &glyph, &count) || count != 1) glyph = 0;
            f.bmpGlyph[ch] = glyph;
        }
    } else {
        const QChar pair[2] = {QChar::highSurrogate(ch), QChar::lowSurrogate(ch)};
        int count = 1;
        if (!f.raw.glyphIndexesForChars(pair, 2, &glyph, &count) || count != 1) return false;
    }
    if (glyph == 0) return false;
    m_glyphs.append(glyph);
    m_positions.append(QPointF(static_cast<qreal>(x), 0));
    return true;
}

void CQtTextMeasurer::FlushGlyphs(QPainter& dc, const FontTables& f, int baseline) const {
    if (!m_glyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(f.raw);
        run.setGlyphIndexes(m_glyphs);
        run.setPositions(m_positions);
        dc.drawGlyphRun(QPointF(0, baseline), run);
    }
    // The run has let go of the lists, so they are refilled in place next time.
    m_glyphs.clear();
    m_positions.clear();
}

void CQtTextMeasurer::DrawText(QPainter& dc, std::int64_t x, int baseline, std::string_view text,
                               bool bold, TextReading reading, int clipLeft, int clipRight) const {
    if (text.empty() || x >= clipRight) return;
    const FontTables& f = m_fonts[bold ? 1 : 0];
    // Characters of no width would otherwise keep the walk going to the end of a long
    // line; more than this many cannot be told apart in the window anyway.
    const std::size_t most = static_cast<std::size_t>(std::max(clipRight - clipLeft, 0)) * 4 + 64;
    if (reading != TextReading::Utf8) {
        std::size_t k = 0;
        std::int64_t pos = x;
        while (k < text.size() &&
               pos + f.advance[static_cast<unsigned char>(text[k])] <= clipLeft) {
            pos += f.advance[static_cast<unsigned char>(text[k])];
            ++k;
        }
        const std::size_t end = std::min(text.size(), k + most);
        for (; k < end && pos < clipRight; ++k) {
            const auto c = static_cast<unsigned char>(text[k]);
            m_glyphs.append(f.glyph[c]);
            m_positions.append(QPointF(static_cast<qreal>(pos), 0));
            pos += f.advance[c];
        }
        FlushGlyphs(dc, f, baseline);
        return;
    }
    // UTF-8: the characters that reach into [clipLeft, clipRight), as glyphs of the font
    // at the measured advances; a character the font lacks sends the piece to Qt's own
    // drawing, which finds another font for it.
    std::int64_t pos = x;
    std::int64_t drawFrom = 0;
    std::size_t first = text.size();
    std::size_t last = text.size();
    std::size_t count = 0;
    bool allGlyphs = true;
    ForEachCharacter(text, true, [&](char32_t ch, std::size_t offset) {
        if (pos >= clipRight || count == most) {
            last = offset;
            return false;
        }
        const std::int32_t advance = Advance(f, ch);
        if (first == text.size() && pos + advance > clipLeft) {
            first = offset;
            drawFrom = pos;
        }
        if (first != text.size()) {
            ++count;
            if (allGlyphs) allGlyphs = QueueGlyph(f, ch, pos);
        }
        pos += advance;
        return true;
    });
    if (first >= last || drawFrom < kFarLeft) {
        FlushGlyphs(dc, f, baseline);
        return;
    }
    if (allGlyphs) {
        FlushGlyphs(dc, f, baseline);
        return;
    }
    m_glyphs.clear();
    m_positions.clear();
    DecodeLogText(text.substr(first, last - first), TextReading::Utf8, m_text);
    ForceLeftToRight(m_text);
    dc.setFont(f.font);
    dc.drawText(QPointF(static_cast<qreal>(drawFrom), baseline), m_text);
}

std::int64_t CQtTextMeasurer::DrawCells(QPainter& dc, std::int64_t x, int baseline,
                                        std::string_view text, TextReading reading,
                                        const std::int32_t* cells, std::size_t cellCount) const {
    const FontTables& f = m_fonts[0];
    std::int64_t pos = x;
    if (x < kFarLeft) {
        // Nothing of the column can be in the window, but the message still starts where
        // the cells of the column's characters end.
        std::size_t n = 0;
        if (reading != TextReading::Utf8) {
            n = std::min(text.size(), cellCount);
        } else {
            ForEachCharacter(text, true, [&](char32_t, std::size_t) { return ++n < cellCount; });
            n = std::min(n, cellCount);
        }
        for (std::size_t k = 0; k < n; ++k) pos += cells[k];
        return pos;
    }
    if (reading != TextReading::Utf8) {
        const std::size_t n = std::min(text.size(), cellCount);
        for (std::size_t k = 0; k < n; ++k) {
            m_glyphs.append(f.glyph[static_cast<unsigned char>(text[k])]);
            m_positions.append(QPointF(static_cast<qreal>(pos), 0));
            pos += cells[k];
        }
        FlushGlyphs(dc, f, baseline);
        return pos;
    }
    std::size_t k = 0;
    ForEachCharacter(text, true, [&](char32_t ch, std::size_t) {
        if (k == cellCount) return false;
        if (!QueueGlyph(f, ch, pos)) {
            const char32_t shown = Shown(ch);
            m_text = QString::fromUcs4(&shown, 1);
            dc.setFont(f.font);
            dc.drawText(QPointF(static_cast<qreal>(pos), baseline), m_text);
        }
        pos += cells[k++];
        return true;
    });
    FlushGlyphs(dc, f, baseline);
    return pos;
}
