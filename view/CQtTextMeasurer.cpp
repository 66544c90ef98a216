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
        for (int b = 0x80; b <= 0xFF; ++b) {
            const QChar ch(Windows1252ToUnicode(static_cast<unsigned char>(b)));
            widest = std::max<std::int64_t>(widest, f.metrics.horizontalAdvance(ch));
        }
    }
    m_nMaxByteAdvance = widest;
}

void CQtTextMeasurer::BuildTables(FontTables& tables, const QFont& font) {
    tables.font = font;
    tables.metrics = QFontMetrics(font);
    tables.raw = QRawFont::fromFont(font);
    QString all(128, Qt::Uninitialized);
    for (int c = 0; c < 128; ++c) {
        all[c] = QChar(static_cast<char16_t>(c));
        tables.advance[c] = std::max(0, tables.metrics.horizontalAdvance(QChar(static_cast<char16_t>(c))));
    }
    const QList<quint32> glyphs = tables.raw.glyphIndexesForString(all);
    for (int c = 0; c < 128 && c < glyphs.size(); ++c) tables.glyph[c] = glyphs[c];
}

std::int64_t CQtTextMeasurer::TextWidth(std::string_view text, bool bold) const {
    if (text.empty()) return 0;
    const FontTables& f = m_fonts[bold ? 1 : 0];
    std::int64_t width = 0;
    if (IsAscii(text)) {
        for (const char c : text) width += f.advance[static_cast<unsigned char>(c)];
    } else {
        ForEachCharacter(text, IsValidUtf8(text), [&](char32_t ch, std::size_t) { width += Advance(f, ch); });
        width = std::min(width, static_cast<std::int64_t>(text.size()) * m_nMaxByteAdvance);
    }
    return std::max<std::int64_t>(width, 1);
}

std::int32_t CQtTextMeasurer::Advance(const FontTables& f, char32_t ch) {
    if (ch < 128) return f.advance[ch];
    const auto known = f.wideAdvance.find(ch);
    if (known != f.wideAdvance.end()) return known->second;
    const std::int32_t advance = std::max(0, f.metrics.horizontalAdvance(QString::fromUcs4(&ch, 1)));
    f.wideAdvance.emplace(ch, advance);
    return advance;
}

int CQtTextMeasurer::CharAdvance(char32_t ch) const { return Advance(m_fonts[0], ch); }

void CQtTextMeasurer::DrawText(QPainter& dc, std::int64_t x, int baseline, std::string_view text,
                               bool bold, int clipLeft, int clipRight) const {
    if (text.empty() || x >= clipRight) return;
    const FontTables& f = m_fonts[bold ? 1 : 0];
    if (!IsAscii(text)) {
        // Only the characters that reach into [clipLeft, clipRight) are drawn, from where
        // the first of them starts.
        const bool utf8 = IsValidUtf8(text);
        std::int64_t pos = x;
        std::int64_t drawFrom = 0;
        std::size_t first = text.size();
        std::size_t last = text.size();
        ForEachCharacter(text, utf8, [&](char32_t ch, std::size_t offset) {
            if (last != text.size()) return;
            if (pos >= clipRight) {
                last = offset;
                return;
            }
            const std::int32_t advance = Advance(f, ch);
            if (first == text.size() && pos + advance > clipLeft) {
                first = offset;
                drawFrom = pos;
            }
            pos += advance;
        });
        if (first >= last || drawFrom < kFarLeft) return;
        dc.setFont(f.font);
        dc.drawText(QPointF(static_cast<qreal>(drawFrom), baseline), DecodeLogText(text.substr(first, last - first), utf8));
        return;
    }
    std::size_t k = 0;
    std::int64_t pos = x;
    while (k < text.size() && pos + f.advance[static_cast<unsigned char>(text[k])] <= clipLeft) {
        pos += f.advance[static_cast<unsigned char>(text[k])];
        ++k;
    }
    QList<quint32> glyphs;
    QList<QPointF> positions;
    for (; k < text.size() && pos < clipRight; ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        glyphs.append(f.glyph[c]);
        positions.append(QPointF(static_cast<qreal>(pos), 0));
        pos += f.advance[c];
    }
    if (glyphs.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(f.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    dc.drawGlyphRun(QPointF(0, baseline), run);
}

std::int64_t CQtTextMeasurer::DrawCells(QPainter& dc, std::int64_t x, int baseline,
                                        std::string_view text, const std::int32_t* cells,
                                        std::size_t cellCount) const {
    const FontTables& f = m_fonts[0];
    std::int64_t pos = x;
    if (IsAscii(text)) {
        const std::size_t n = std::min(text.size(), cellCount);
        if (n == 0 || x < kFarLeft) return pos;
        QList<quint32> glyphs(static_cast<qsizetype>(n));
        QList<QPointF> positions(static_cast<qsizetype>(n));
        for (std::size_t k = 0; k < n; ++k) {
            glyphs[static_cast<qsizetype>(k)] = f.glyph[static_cast<unsigned char>(text[k])];
            positions[static_cast<qsizetype>(k)] = QPointF(static_cast<qreal>(pos), 0);
            pos += cells[k];
        }
        QGlyphRun run;
        run.setRawFont(f.raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        dc.drawGlyphRun(QPointF(0, baseline), run);
        return pos;
    }
    const QList<uint> chars = DecodeLogText(text).toUcs4();
    dc.setFont(f.font);
    for (qsizetype k = 0; k < chars.size() && static_cast<std::size_t>(k) < cellCount; ++k) {
        const auto ch = static_cast<char32_t>(chars[k]);
        if (pos >= kFarLeft) dc.drawText(QPointF(static_cast<qreal>(pos), baseline), QString::fromUcs4(&ch, 1));
        pos += cells[k];
    }
    return pos;
}
