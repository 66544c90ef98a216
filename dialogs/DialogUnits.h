#pragma once

#include <QFont>

// Sizes of the dialogs are given in dialog units: a quarter of the font's average
// character width across, an eighth of its height down, so that a dialog keeps its
// proportions at any font size.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;

private:
    int m_nCharWidth;
    int m_nCharHeight;
};
