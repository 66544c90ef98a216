#include "CStatusClock.h"

#include <QTimer>

#include "CProgressStatusBar.h"
#include "LocaleFormats.h"
#include "ShellText.h"

CStatusClock::CStatusClock(CProgressStatusBar& bar, int datePane, int timePane)
    : QObject(&bar),
      m_bar(bar),
      m_nDatePane(datePane),
      m_nTimePane(timePane),
      m_pTimer(new QTimer(this)) {
    m_pTimer->setInterval(1000);
    connect(m_pTimer, &QTimer::timeout, this, &CStatusClock::Update);
    m_pTimer->start();
    Update();
}

void CStatusClock::Update() {
    Show(std::time(nullptr), LockKeyState::Read());
}

void CStatusClock::Show(std::time_t now, const LockKeyState& locks) {
    const QString date = Format(now, "%x");
    const QString time = Format(now, "%X");
    m_bar.SetPaneText(m_nDatePane, date);
    m_bar.SetPaneWidthForText(m_nDatePane, date);
    m_bar.SetPaneText(m_nTimePane, time);
    m_bar.SetPaneWidthForText(m_nTimePane, time);
    m_bar.SetPaneText(1, locks.caps ? LoadQString(IDS_INDICATOR_CAPS) : QString());
    m_bar.SetPaneText(2, locks.num ? LoadQString(IDS_INDICATOR_NUM) : QString());
    m_bar.SetPaneText(3, locks.scroll ? LoadQString(IDS_INDICATOR_SCRL) : QString());
}

QString CStatusClock::Format(std::time_t now, const char* format) {
    return QString::fromLocal8Bit(FormatLocalTime(now, format));
}
