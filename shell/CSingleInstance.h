#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user and display takes the files of later starts: the first
// start listens on a local socket of the user's, and a later start with a file name
// sends that name there and ends. A start on another display (another X server or
// Wayland session) has a socket of its own: its file must open where the user sees it.
// The socket lives in a folder only the user can reach: $XDG_RUNTIME_DIR, else
// "trawlview-UID" in the temporary folder, made with mode 0700. A folder that is not a
// real folder (a link), is another user's, or that others may enter is not used, and
// the program then runs without a socket. Both ends check that the other runs as the
// same user before a path is sent or taken.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit CSingleInstance(QObject* parent = nullptr);

    // The socket's path for this user and display; empty when no private folder can be had.
    static QString ServerName();
    // The folder that holds the socket and the start lock: folder made (mode 0700) when
    // missing, and returned only when it is a folder (not a link), this user's, that
    // nobody else may enter; empty otherwise.
    static QString PrivateFolder(const QString& folder);
    // The part of the socket's name that tells displays apart: the platform, and for X11
    // the display without its screen (":0.0" is ":0"), for Wayland the compositor's socket
    // name; made fit for a file name.
    static QString DisplayKey(const QString& platform, const QString& x11Display,
                              const QString& waylandDisplay);
    // Sends the absolute path to the running program, to be loaded as a log (asLog, a
    // file named on the command line) or to go through its open path (--open), with
    // Follow turned on when follow. False when none is running (or it could not take
    // the path): this start must then do the work itself, and holds the start lock until
    // it calls Listen, so that a start at the same moment waits and then hands its file
    // to this one.
    static bool HandOver(const QString& absolutePath, bool asLog, bool follow = false);
    // Starts taking paths from later starts; false when another running program answers
    // on the socket (which is left to it) or the socket cannot be made (the program then
    // runs without it).
    bool Listen();

signals:
    // asLog: load the file as a log whatever its name; else the open path. follow: turn
    // Follow on for the file.
    void OpenRequested(const QString& path, bool asLog, bool follow);

private:
    static bool SendPath(const QString& absolutePath, bool asLog, bool follow);
    void OnNewConnection();

    QLocalServer* m_pServer;
};
