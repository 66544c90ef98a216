#include "COpenLogDlg.h"

#include <QFileInfo>
#include <QMessageBox>

#include "StringTable.h"

COpenLogDlg::COpenLogDlg(QWidget* parent, const QString& shownLog, const QString& defaultName)
    : QFileDialog(parent) {
    setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed: accept() decides what it stands for. The dialog's own
    // default suffix would turn "syslog" into "syslog.log", and its existing-file mode
    // would refuse "events" where events.log exists.
    setFileMode(QFileDialog::AnyFile);
    if (shownLog.isEmpty()) {
        selectFile(defaultName);
    } else {
        const QFileInfo shown(shownLog);
        setDirectory(shown.absolutePath());
        selectFile(shown.fileName());
    }
}

QString COpenLogDlg::ResolveName(const QString& chosen) {
    const QFileInfo info(chosen);
    if (info.exists() || !info.suffix().isEmpty()) return chosen;
    const QString withSuffix = chosen + QStringLiteral(".log");
    return QFileInfo::exists(withSuffix) ? withSuffix : chosen;
}

void COpenLogDlg::accept() {
    const QStringList files = selectedFiles();
    // A folder is entered by the dialog itself.
    if (files.size() != 1 || QFileInfo(files.constFirst()).isDir()) {
        QFileDialog::accept();
        return;
    }
    const QString resolved = ResolveName(files.constFirst());
    if (!QFileInfo::exists(resolved)) {
        // Told without a loop of its own; the dialog stays open for another name.
        const std::string text =
            FormatString(IDS_OPEN_NOT_FOUND, QFileInfo(resolved).fileName().toStdString());
        auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    QString::fromStdString(text), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    m_strChosen = resolved;
    QFileDialog::accept();
}
