#pragma once

#include <QObject>
#include <ctime>

#include "LockKeyState.h"

class CProgressStatusBar;
class QTimer;

// The status bar's clock and lock-key panes: the Date and Time panes show the local date
// and time in the user's locale (strftime "%x" and "%X"), each exactly as wide as its
// text; the CAP, NUM and SCRL panes show their name while the lock is on and are blank
// otherwise. Brought up to date once a second.
class CStatusClock : public QObject {
    Q_OBJECT

public:
    // Panes 1 to 3 of bar are the lock keys; datePane and timePane the clock.
    CStatusClock(CProgressStatusBar& bar, int datePane, int timePane);

    // The panes for this moment and the keyboard's locks as they are now.
    void Update();
    void Show(std::time_t now, const LockKeyState& locks);

    // The local date or time of now in the C library's locale; "" when it cannot be made.
    static QString Format(std::time_t now, const char* format);

private:
    CProgressStatusBar& m_bar;
    int m_nDatePane;
    int m_nTimePane;
    QTimer* m_pTimer;
};
