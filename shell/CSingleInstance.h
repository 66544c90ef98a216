#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user takes the files of later starts: the first start listens
// on a local socket of the user's, and a later start with a file name sends that name
// there and ends. The socket lives in $XDG_RUNTIME_DIR (private to the user), else in
// the temporary folder under a name with the user's id.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit CSingleInstance(QObject* parent = nullptr);

    static QString ServerName();
    // Sends the absolute path to the running program, to be loaded as a log (asLog, a
    // file named on the command line) or to go through its open path (--open). False when none is running (or
    // it could not take the path): this start must then do the work itself, and holds
    // the start lock until it calls Listen, so that a start at the same moment waits and
    // then hands its file to this one.
    static bool HandOver(const QString& absolutePath, bool asLog);
    // Starts taking paths from later starts; false when another running program answers
    // on the socket (which is left to it) or the socket cannot be made (the program then
    // runs without it).
    bool Listen();

signals:
    // asLog: load the file as a log whatever its name; else the open path.
    void OpenRequested(const QString& path, bool asLog);

private:
    static bool SendPath(const QString& absolutePath, bool asLog);
    void OnNewConnection();

    QLocalServer* m_pServer;
};
