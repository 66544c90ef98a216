#include "CTimeIntervalEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <limits>

#include "IntervalText.h"

namespace {

QString FromBytes(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

CTimeIntervalEdit::CTimeIntervalEdit(const LocaleFormats& formats, QWidget* parent)
    : QLineEdit(parent), m_formats(formats) {
    // A filter text may be far longer than a line edit keeps by default.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textChanged, this, &CTimeIntervalEdit::OnTextChanged);
}

void CTimeIntervalEdit::StartLayout(const QString& text) {
    m_bReverting = true;
    setText(text);
    m_bReverting = false;
    m_strLayout = text;
    m_nLayoutLength = static_cast<int>(text.size());
    m_strLastAccepted = text;

    const QString dateSep = FromBytes(m_formats.systemDateSeparator);
    const QString timeSep = FromBytes(m_formats.systemTimeSeparator);
    const int join = static_cast<int>(FromBytes(IntervalText::kJoin).size());
    // A timestamp is a date of 8 digits and two separators, a blank, and a time of 6
    // digits and two separators.
    const int dateLength = 8 + 2 * static_cast<int>(dateSep.size());
    const int stampLength = dateLength + 7 + 2 * static_cast<int>(timeSep.size());
    m_fixed.assign(static_cast<std::size_t>(m_nLayoutLength), false);
    for (int p = 0; p < m_nLayoutLength; ++p) {
        if (p == dateLength || (p >= stampLength && p < stampLength + join) ||
            p == stampLength + join + dateLength) {
            m_fixed[static_cast<std::size_t>(p)] = true;
        }
    }
    for (const QString& sep : {dateSep, timeSep}) {
        if (sep.isEmpty()) continue;
        for (qsizetype at = text.indexOf(sep); at >= 0; at = text.indexOf(sep, at + sep.size())) {
            for (qsizetype i = at; i < at + sep.size(); ++i)
                m_fixed[static_cast<std::size_t>(i)] = true;
        }
    }
}

bool CTimeIntervalEdit::IsFixedPosition(int p) const {
    return p >= 0 && p < m_nLayoutLength && m_fixed[static_cast<std::size_t>(p)];
}

int CTimeIntervalEdit::NextDigitPosition(int p) const {
    while (p < m_nLayoutLength && IsFixedPosition(p)) ++p;
    return p < m_nLayoutLength ? p : m_nLayoutLength;
}

void CTimeIntervalEdit::keyPressEvent(QKeyEvent* event) {
    if (m_bFreeText) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    switch (key) {
        case Qt::Key_Backspace:
            OnCharacter(QChar(8), false);
            return;
        // Moving the caret, Delete, Shift+Insert and the keys the dialog acts on go to the
        // line edit; what they do to the text is kept to the layout's length.
        case Qt::Key_Delete:
        case Qt::Key_Insert:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            QLineEdit::keyPressEvent(event);
            return;
        default:
            break;
    }
    // Ctrl with a letter (copy, paste, cut, undo, select all) types a control character,
    // which the mask refuses like any other character that is not a digit.
    if ((modifiers & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        OnCharacter(QChar(key - Qt::Key_A + 1), false);
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (const QChar c : text) OnCharacter(c, c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

void CTimeIntervalEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (m_bFreeText) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Composed text counts as typed characters; what is still being composed is not shown.
    for (const QChar c : event->commitString())
        OnCharacter(c, c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    event->accept();
}

void CTimeIntervalEdit::OnCharacter(QChar character, bool digit) {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int p = start < m_nLayoutLength ? NextDigitPosition(start) : m_nLayoutLength;
    if (p >= m_nLayoutLength) {
        Refuse();
        return;
    }
    setSelection(p, 1);
    if (!digit) {
        Refuse();
        return;
    }
    insert(QString(character));
    if (p + 1 < m_nLayoutLength) {
        const int q = NextDigitPosition(p + 1);
        if (q < m_nLayoutLength) setSelection(q, 1);
    }
}

void CTimeIntervalEdit::Refuse() {
    QApplication::beep();
    emit Refused();
}

void CTimeIntervalEdit::OnTextChanged(const QString& text) {
    if (m_bFreeText || m_bReverting) return;
    if (text.size() == m_nLayoutLength) {
        // A change that keeps the length (a paste over as many characters) is kept, and a
        // later change of length must not take it back.
        m_strLastAccepted = text;
        return;
    }
    const int caret = cursorPosition();
    m_bReverting = true;
    setText(m_strLastAccepted);
    m_bReverting = false;
    setCursorPosition(std::min(caret, m_nLayoutLength));
}
