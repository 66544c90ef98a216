#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// The help pages in a window of their own beside the main window.
class CHelpWindow : public QWidget {
    Q_OBJECT

public:
    // The bundled contents page.
    static constexpr const char* kBundledPage = "qrc:/help/Trawlview.html";

    explicit CHelpWindow(QWidget* parent = nullptr);

    // Shows helpFilePath, or the bundled help when it is empty or names no file, and
    // brings the window to the front.
    void ShowPage(const QString& helpFilePath);
    QTextBrowser& GetBrowser() const { return *m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
};
