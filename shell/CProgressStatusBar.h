#pragma once

#include <QStatusBar>
#include <cstdint>
#include <string>
#include <vector>

#include "CProgressWnd.h"

class QLabel;

// The main window's status bar: pane 0 is the message pane (the idle text, covered by
// status tips while they show), the others are indicator panes on the right. While the
// document rebuilds, a progress bar covers the left end of the message pane.
class CProgressStatusBar : public QStatusBar {
    Q_OBJECT

public:
    // The progress bar is never wider than this, however wide the message pane.
    static constexpr int kMaxProgressWidth = 250;

    explicit CProgressStatusBar(QWidget* parent = nullptr);

    // Pane 0 shows idleText; each further text makes an indicator pane as wide as that
    // text, in order from left to right.
    void SetIndicators(const std::string& idleText, const std::vector<std::string>& indicatorTexts);
    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    QLabel* GetPane(int index) const { return m_panes[static_cast<std::size_t>(index)]; }
    void SetPaneText(int index, const QString& text);
    // Makes the pane exactly wide enough for text in the status bar's font.
    void SetPaneWidthForText(int index, const QString& text);
    // The message pane in status bar coordinates.
    QRect GetMessagePaneRect();

    void ShowProgress(std::uint32_t range);
    void SetProgressPos(std::uint32_t pos) { m_pProgress->SetPos(pos); }
    void HideProgress();

    // The document's progress relay, in bytes of the file: a 64-bit range reaches the
    // bar shifted right until it fits 32 bits, and every position with it. EndProgress
    // hides the bar and empties the message pane.
    void RelayProgressRange(std::uint64_t range);
    void RelayProgressPos(std::uint64_t pos);
    void EndProgress();
    CProgressWnd& GetProgressWnd() const { return *m_pProgress; }

    // Puts the progress bar over the left end of the message pane.
    void PlaceProgress();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CProgressWnd* m_pProgress;
    int m_nProgressShift = 0;
    std::vector<QLabel*> m_panes;
};
