#include "CMessageBoxes.h"

#include <QMessageBox>

#include "ShellText.h"

bool CMessageBoxes::AskRetry(const std::string& message) {
    return QMessageBox::warning(
               m_pParent, LoadQString(AFX_IDS_APP_TITLE), QString::fromLocal8Bit(message),
               QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) == QMessageBox::Retry;
}

void CMessageBoxes::ReportFailure(const std::string& message) {
    QMessageBox::warning(m_pParent, LoadQString(AFX_IDS_APP_TITLE),
                         QString::fromLocal8Bit(message));
}
