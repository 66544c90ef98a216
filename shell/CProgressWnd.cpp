#include "CProgressWnd.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <limits>

namespace {

constexpr int RGBMAX = 255;

int HueToRGB(int p, int q, int h) {
    if (h < 0) h += CProgressWnd::HLSMAX;
    if (h > CProgressWnd::HLSMAX) h -= CProgressWnd::HLSMAX;
    if (h < 5000) return p + ((q - p) * h + 2500) / 5000;
    if (h < 15000) return q;
    if (h < 20000) return p + ((q - p) * (20000 - h) + 2500) / 5000;
    return p;
}

}  // namespace

CProgressWnd::CProgressWnd(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted by paintEvent; Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::uint32_t CProgressWnd::FilledWidth(std::uint32_t pos, std::uint32_t range,
                                        std::uint32_t barWidth) {
    if (range == 0) return 0;
    const double filled =
        static_cast<double>(pos) / static_cast<double>(range) * static_cast<double>(barWidth);
    // Only an old position far above a new, small range can get here; the bar then
    // shows full, cut off at its edge.
    if (filled >= static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(filled);
}

std::uint64_t CProgressWnd::NextChange(std::uint32_t pos, std::uint32_t filled) const {
    if (pos >= m_nRange || FilledWidth(m_nRange, m_nRange, m_nBarWidth) <= filled) {
        return std::uint64_t{m_nRange} + 1;
    }
    // FilledWidth never falls as the position grows, so the first position that widens
    // the bar is found by halving (pos, m_nRange]; about 32 steps, once per pixel.
    std::uint32_t low = pos;
    std::uint32_t high = m_nRange;
    while (high - low > 1) {
        const std::uint32_t mid = low + (high - low) / 2;
        if (FilledWidth(mid, m_nRange, m_nBarWidth) > filled) {
            high = mid;
        } else {
            low = mid;
        }
    }
    return high;
}

void CProgressWnd::SetRange(std::uint32_t range) {
    m_nRange = range;
    m_nNextChange = 0;
    const std::uint32_t filled = FilledWidth(m_nPos, m_nRange, m_nBarWidth);
    if (filled != m_nFilled) {
        m_nFilled = filled;
        RepaintNow();
    }
}

void CProgressWnd::RepaintNow() {
    // The rebuild does not return to the event loop, so the bar must paint right here.
    if (isVisible()) repaint();
}

void CProgressWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_nBarWidth = width() > 2 ? static_cast<std::uint32_t>(width() - 2) : 0;
    m_nFilled = FilledWidth(m_nPos, m_nRange, m_nBarWidth);
    m_nNextChange = 0;
}

void CProgressWnd::RGBtoHLS(int red, int green, int blue, int& hue, int& lightness,
                            int& saturation) {
    const int maxc = std::max({red, green, blue});
    const int minc = std::min({red, green, blue});
    lightness = ((maxc + minc) * HLSMAX + RGBMAX) / (2 * RGBMAX);
    if (maxc == minc) {
        saturation = 0;
        hue = 20000;
        return;
    }
    const int sum = maxc + minc;
    if (lightness <= HLSMAX / 2) {
        saturation = ((maxc - minc) * HLSMAX + sum / 2) / sum;
    } else {
        saturation = ((maxc - minc) * HLSMAX + (2 * RGBMAX - sum) / 2) / (2 * RGBMAX - sum);
    }
    const int d = maxc - minc;
    const int dR = ((maxc - red) * 5000 + d / 2) / d;
    const int dG = ((maxc - green) * 5000 + d / 2) / d;
    const int dB = ((maxc - blue) * 5000 + d / 2) / d;
    if (red == maxc) {
        hue = dB - dG;
    } else if (green == maxc) {
        hue = 10000 + dR - dB;
    } else {
        hue = 20000 + dG - dR;
    }
    if (hue < 0) hue += HLSMAX;
    if (hue > HLSMAX) hue -= HLSMAX;
}

QRgb CProgressWnd::HLStoRGB(int hue, int lightness, int saturation) {
    if (saturation == 0) {
        const int grey = lightness * RGBMAX / HLSMAX;
        return qRgb(grey, grey, grey);
    }
    const int m2 = lightness <= HLSMAX / 2
                       ? (lightness * (HLSMAX + saturation) + HLSMAX / 2) / HLSMAX
                       : lightness + saturation - (lightness * saturation + HLSMAX / 2) / HLSMAX;
    const int m1 = 2 * lightness - m2;
    const auto channel = [&](int h) {
        return (HueToRGB(m1, m2, h) * RGBMAX + HLSMAX / 2) / HLSMAX;
    };
    return qRgb(channel(hue + 10000), channel(hue), channel(hue - 10000));
}

void CProgressWnd::UpdateShades(QColor base) {
    const QRgb rgb = base.rgb();
    if (m_bHaveShades && rgb == m_crBase) return;
    m_crBase = rgb;
    m_bHaveShades = true;
    int hue = 0;
    int lightness = 0;
    int saturation = 0;
    RGBtoHLS(qRed(rgb), qGreen(rgb), qBlue(rgb), hue, lightness, saturation);
    for (std::size_t i = 0; i < kShadeOffsets.size(); ++i) {
        const int l = std::clamp(lightness + kShadeOffsets[i], 0, HLSMAX);
        m_shades[i] = QColor(HLStoRGB(hue, l, saturation));
    }
}

void CProgressWnd::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    const QPalette& pal = palette();
    QRect c = rect();
    // Thin sunken edge: shadow on the top and left, light on the bottom and right.
    dc.fillRect(c.left(), c.top(), c.width(), 1, pal.color(QPalette::Dark));
    dc.fillRect(c.left(), c.top(), 1, c.height(), pal.color(QPalette::Dark));
    dc.fillRect(c.left(), c.bottom(), c.width(), 1, pal.color(QPalette::Light));
    dc.fillRect(c.right(), c.top(), 1, c.height(), pal.color(QPalette::Light));
    c.adjust(1, 1, -1, -1);

    // The filled part may be wider than the bar (an old position above a new range);
    // it is cut off at the edge.
    const int filled = static_cast<int>(
        std::min<std::uint32_t>(m_nFilled, static_cast<std::uint32_t>(std::max(0, c.width()) + 2)));
    if (m_nFilled > 0) {
        const QRect f(c.left(), c.top(), filled, c.height());
        dc.setPen(pal.color(QPalette::Shadow));
        dc.setBrush(Qt::NoBrush);
        dc.drawRect(f.adjusted(0, 0, -1, -1));
    }
    if (m_nFilled > 2) {
        UpdateShades(pal.color(QPalette::Highlight));
        // Inner rectangle: left L, top T, right R and bottom B exclusive.
        const int l = c.left() + 1;
        const int t = c.top() + 1;
        const int r = c.left() + filled - 1;
        const int b = c.bottom();
        const int w = r - l;
        const int h = b - t;
        // Later fills paint over earlier ones where they meet.
        dc.fillRect(l, t, 1, h, m_shades[0]);
        if (w > 1) dc.fillRect(r - 1, t, 1, h, m_shades[7]);
        if (w > 2) {
            const int x = l + 1;
            const int span = w - 2;
            dc.fillRect(x, t, span, 1, m_shades[0]);
            dc.fillRect(x, t + 1, span, 1, m_shades[1]);
            dc.fillRect(x, t + 2, span, 1, m_shades[2]);
            dc.fillRect(x, t + 3, span, 1, m_shades[3]);
            if (h > 6) dc.fillRect(x, t + 3, span, h - 6, m_shades[4]);
            dc.fillRect(x, b - 3, span, 1, m_shades[5]);
            dc.fillRect(x, b - 2, span, 1, m_shades[6]);
            dc.fillRect(x, b - 1, span, 1, m_shades[7]);
        }
    }
    if (m_nFilled < m_nBarWidth) {
        dc.fillRect(QRect(c.left() + filled, c.top(), c.width() - filled, c.height()),
                    pal.color(QPalette::Button));
    }
}
