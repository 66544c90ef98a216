#include "DialogUnits.h"

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_nCharWidth = metrics.averageCharWidth();
    m_nCharHeight = metrics.height();
}

int DialogUnits::X(int units) const {
    return (units * m_nCharWidth + 2) / 4;
}

int DialogUnits::Y(int units) const {
    return (units * m_nCharHeight + 4) / 8;
}
