#pragma once

#include <QDialog>
#include <string>

class QLabel;

// The about box: the program's icon, its name with the version, the maker's notice, OK.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(const std::string& fileVersion, QWidget* parent = nullptr);

    QString GetVersionText() const;

private:
    QLabel* m_wndVersion;
};
