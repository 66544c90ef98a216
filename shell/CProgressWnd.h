#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <cstdint>

// A shaded progress bar drawn in the highlight colour: a thin sunken edge, then the
// filled part from the left as a raised band of eight shades of that colour, the rest in
// the button face colour.
//
// A rebuild sets the position once per displayed line, so SetPos does no more than
// compare the new filled width in pixels with the old one and repaints only when it
// changed: at most one repaint per pixel of the bar per rebuild.
class CProgressWnd : public QWidget {
    Q_OBJECT

public:
    // Lightness offsets of the shades on the 0..30000 lightness scale, index 0 at the top.
    static constexpr std::array<int, 8> kShadeOffsets = {4500, 9500,  3000,  2000,
                                                         0,    -2000, -3000, -4500};
    static constexpr int HLSMAX = 30000;

    explicit CProgressWnd(QWidget* parent = nullptr);

    // The range is the position of a full bar. The position is kept as it is, so until
    // the next SetPos an old position above a smaller range shows the bar over-full.
    void SetRange(std::uint32_t range);
    // Positions above the range count as the range.
    void SetPos(std::uint32_t pos) {
        if (pos > m_nRange) pos = m_nRange;
        // The filled width only grows with the position: between the last position and
        // the next one that widens the bar, nothing changes. This keeps the per-line
        // cost of a rebuild of millions of lines to a comparison.
        if (pos >= m_nPos && pos < m_nNextChange) {
            m_nPos = pos;
            return;
        }
        m_nPos = pos;
        const std::uint32_t filled = FilledWidth(m_nPos, m_nRange, m_nBarWidth);
        m_nNextChange = NextChange(m_nPos, filled);
        if (filled != m_nFilled) {
            m_nFilled = filled;
            RepaintNow();
        }
    }

    std::uint32_t GetRange() const { return m_nRange; }
    std::uint32_t GetPos() const { return m_nPos; }
    std::uint32_t GetFilled() const { return m_nFilled; }
    std::uint32_t GetBarWidth() const { return m_nBarWidth; }
    // The shades made from the last highlight colour painted with.
    const std::array<QColor, 8>& GetShades() const { return m_shades; }

    // floor(pos / range * barWidth) in double precision; 0 for an empty range.
    static std::uint32_t FilledWidth(std::uint32_t pos, std::uint32_t range,
                                     std::uint32_t barWidth);
    // Integer colour model conversions on a 0..30000 scale for hue, lightness and
    // saturation; a grey has hue 20000.
    static void RGBtoHLS(int red, int green, int blue, int& hue, int& lightness, int& saturation);
    static QRgb HLStoRGB(int hue, int lightness, int saturation);
    // Remakes the shades from base unless they were made from it already.
    void UpdateShades(QColor base);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RepaintNow();
    // The smallest position above pos whose filled width is more than filled (the
    // filled width at pos); past the range when there is none.
    std::uint64_t NextChange(std::uint32_t pos, std::uint32_t filled) const;

    // The colour the shades were made from; none until the first painting of a filled bar.
    QRgb m_crBase = 0xFFFFFFFFu;
    bool m_bHaveShades = false;
    std::uint32_t m_nBarWidth = 0;
    std::uint32_t m_nFilled = 0;
    std::uint32_t m_nPos = 0;
    std::uint32_t m_nRange = 100;
    // SetPos's shortcut: positions from m_nPos up to this one (exclusive) fill the bar as
    // m_nPos does. 0 makes the next SetPos compute it.
    std::uint64_t m_nNextChange = 0;
    std::array<QColor, 8> m_shades;
};
