#pragma once

#include <QLineEdit>
#include <QString>
#include <vector>

#include "LocaleFormats.h"

// The text field of the filter entry dialog. With free text on it is a plain line edit;
// with free text off it is a masked input for a time interval: the text keeps the
// length of its layout, each typed digit overwrites the next digit position, fixed
// positions (separators, the blank between date and time, the joining text) are jumped,
// and anything else is refused with a beep. Editing that does not arrive as a typed
// character (Delete, paste, cut) reaches the line edit and is undone when it changes
// the length.
class CTimeIntervalEdit : public QLineEdit {
    Q_OBJECT

public:
    // formats gives the system separators that make fixed positions; it must outlive
    // the field.
    explicit CTimeIntervalEdit(const LocaleFormats& formats, QWidget* parent = nullptr);

    bool IsFreeText() const { return m_bFreeText; }
    void SetFreeText(bool freeText) { m_bFreeText = freeText; }
    // Places text in the field and makes it the layout, the length to keep and the text
    // a length change reverts to.
    void StartLayout(const QString& text);

    // Whether position p of the layout is a fixed position. The blank between date and
    // time and the joining text sit where a timestamp of these separators puts them
    // (10, 19 to 22 and 33 with one-character separators and " to "), and every
    // character of a separator as it occurs in the layout is fixed too.
    bool IsFixedPosition(int p) const;
    // The first digit position at or after p; the layout's length when there is none.
    int NextDigitPosition(int p) const;

signals:
    // A typed character was refused (the field beeped).
    void Refused();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // One typed character in masked mode; digit says whether it may go in.
    void OnCharacter(QChar character, bool digit);
    void Refuse();
    void OnTextChanged(const QString& text);

    const LocaleFormats& m_formats;
    bool m_bFreeText = true;
    QString m_strLayout;
    int m_nLayoutLength = 0;
    QString m_strLastAccepted;
    std::vector<bool> m_fixed;  // per position of m_strLayout
    bool m_bReverting = false;
};
