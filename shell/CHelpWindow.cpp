#include "CHelpWindow.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "StringTable.h"

CHelpWindow::CHelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_pBrowser(new QTextBrowser(this)) {
    Q_INIT_RESOURCE(trawlview);
    setWindowTitle(QString::fromUtf8(LoadString(IDS_HELP_TITLE).data()));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pBrowser);
    m_pBrowser->setOpenExternalLinks(true);
    resize(640, 560);
}

void CHelpWindow::ShowPage(const QString& helpFilePath) {
    const bool installed = !helpFilePath.isEmpty() && QFileInfo(helpFilePath).isFile();
    m_pBrowser->setSource(installed ? QUrl::fromLocalFile(helpFilePath)
                                    : QUrl(QString::fromLatin1(kBundledPage)));
    show();
    raise();
    activateWindow();
}
