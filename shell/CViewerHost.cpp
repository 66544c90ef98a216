#include "CViewerHost.h"

#include <QMessageBox>
#include <QString>

#include "CTrawlviewView.h"

CViewerHost::CViewerHost(QWidget* window) : m_pWindow(window) {}

bool CViewerHost::AskRetry(const std::string& message) {
    const QMessageBox::StandardButton answer =
        QMessageBox::warning(m_pWindow, QStringLiteral("Trawlview"), QString::fromLocal8Bit(message),
                             QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry);
    return answer == QMessageBox::Retry;
}

void CViewerHost::LinesChanged() {
    if (m_pView != nullptr) m_pView->OnUpdate();
}
