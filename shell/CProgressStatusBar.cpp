#include "CProgressStatusBar.h"

#include <QLabel>
#include <QLayout>
#include <limits>

#include "CProgressWnd.h"

CProgressStatusBar::CProgressStatusBar(QWidget* parent)
    : QStatusBar(parent), m_pProgress(new CProgressWnd(this)) {
    m_pProgress->hide();
    m_pProgress->SetRange(10);
    m_pProgress->SetPos(0);
}

void CProgressStatusBar::SetIndicators(const std::string& idleText,
                                       const std::vector<std::string>& indicatorTexts) {
    for (QLabel* pane : m_panes) {
        removeWidget(pane);
        delete pane;
    }
    m_panes.clear();
    // A normal (not permanent) widget: QStatusBar hides it while a status tip shows and
    // brings it back afterwards, which is the idle text's behaviour.
    auto* message = new QLabel(QString::fromStdString(idleText), this);
    addWidget(message, 1);
    m_panes.push_back(message);
    for (const std::string& text : indicatorTexts) {
        auto* pane = new QLabel(QString::fromStdString(text), this);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        addPermanentWidget(pane);
        m_panes.push_back(pane);
        SetPaneWidthForText(GetPaneCount() - 1, pane->text());
    }
    m_pProgress->raise();
}

void CProgressStatusBar::SetPaneText(int index, const QString& text) {
    GetPane(index)->setText(text);
}

void CProgressStatusBar::SetPaneWidthForText(int index, const QString& text) {
    QLabel* pane = GetPane(index);
    const int frame = 2 * pane->frameWidth() + pane->margin() * 2 + 6;
    pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(text) + frame);
}

QRect CProgressStatusBar::GetMessagePaneRect() {
    if (layout() != nullptr) layout()->activate();
    const QRect contents = contentsRect();
    if (m_panes.empty()) return contents;
    // The message pane stretches from the left edge to the first indicator pane.
    int right = contents.right() + 1;
    for (std::size_t i = 1; i < m_panes.size(); ++i) {
        if (m_panes[i]->isVisibleTo(this)) right = std::min(right, m_panes[i]->geometry().left());
    }
    const QRect message = m_panes[0]->geometry();
    return QRect(QPoint(message.left(), message.top()), QPoint(right - 1, message.bottom()));
}

void CProgressStatusBar::PlaceProgress() {
    const QRect pane = GetMessagePaneRect();
    m_pProgress->setGeometry(pane.left(), pane.top(), std::min(pane.width(), kMaxProgressWidth),
                             pane.height());
}

void CProgressStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    PlaceProgress();
}

void CProgressStatusBar::ShowProgress(std::uint32_t range) {
    m_pProgress->SetRange(range);
    PlaceProgress();
    m_pProgress->raise();
    m_pProgress->show();
    m_pProgress->repaint();
}

void CProgressStatusBar::HideProgress() {
    m_pProgress->hide();
}

void CProgressStatusBar::RelayProgressRange(std::uint64_t range) {
    m_nProgressShift = 0;
    while ((range >> m_nProgressShift) > std::numeric_limits<std::uint32_t>::max())
        ++m_nProgressShift;
    ShowProgress(static_cast<std::uint32_t>(range >> m_nProgressShift));
}

void CProgressStatusBar::RelayProgressPos(std::uint64_t pos) {
    const std::uint64_t scaled = pos >> m_nProgressShift;
    SetProgressPos(scaled > std::numeric_limits<std::uint32_t>::max()
                       ? std::numeric_limits<std::uint32_t>::max()
                       : static_cast<std::uint32_t>(scaled));
}

void CProgressStatusBar::EndProgress() {
    HideProgress();
    clearMessage();
}
