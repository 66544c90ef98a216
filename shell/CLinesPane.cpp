#include "CLinesPane.h"

#include <QMouseEvent>

#include "ShellText.h"

CLinesPane::CLinesPane(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    setObjectName(QStringLiteral("linesPane"));
    SetCounts(0, 0, 0);
}

QString CLinesPane::Text(std::int64_t shown, std::int64_t total, int filters, const QLocale& locale,
                         bool held) {
    const auto number = [&locale](std::int64_t n) {
        return locale.toString(static_cast<qlonglong>(n));
    };
    if (held) return LoadQString(IDS_LINES_HELD_PANE).arg(number(shown));
    if (filters > 0 || shown != total)
        return LoadQString(IDS_LINES_OF_PANE).arg(number(shown), number(total));
    if (shown == 1) return LoadQString(IDS_ONE_LINE_PANE);
    return LoadQString(IDS_LINES_PANE).arg(number(shown));
}

QString CLinesPane::ToolTip(int filters) {
    if (filters == 0) return LoadQString(IDS_NO_ACTIVE_FILTERS);
    if (filters == 1) return LoadQString(IDS_ONE_ACTIVE_FILTER);
    return LoadQString(IDS_ACTIVE_FILTERS).arg(filters);
}

void CLinesPane::SetCounts(std::int64_t shown, std::int64_t total, int filters, bool held) {
    setText(Text(shown, total, filters, QLocale::system(), held));
    setToolTip(ToolTip(filters));
}

void CLinesPane::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit DoubleClicked();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}
