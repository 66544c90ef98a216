#pragma once

#include <QFileDialog>
#include <QString>

// File > Open: chooses a log to load. It takes only a file that exists, so that an open
// that cannot succeed never starts and the log on display stays. A name typed without
// an extension also stands for the same name with ".log" when only that exists.
class COpenLogDlg : public QFileDialog {
    Q_OBJECT

public:
    // shownLog: the log on display, empty for none; the dialog starts in its folder and
    // offers its name. Without one it offers defaultName in the current folder.
    COpenLogDlg(QWidget* parent, const QString& shownLog, const QString& defaultName);

    // The file the chosen name stands for: the name itself when it exists or has an
    // extension, else the name with ".log" when that exists.
    static QString ResolveName(const QString& chosen);
    // After Accepted: the file to load.
    const QString& GetChosenFile() const { return m_strChosen; }

public slots:
    void accept() override;

private:
    QString m_strChosen;
};
