#include "CSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Long enough for a busy machine, short enough that a hung first start does not keep
// the second one waiting visibly.
constexpr int kConnectMs = 2000;

// The start lock: held from a start's first look at the socket until it either handed
// its file over or listens itself, so that starts at the same moment decide one after
// the other and the second finds the first listening. The kernel drops it with the
// process, so a start that dies cannot leave it taken.
int g_nStartLock = -1;

void TakeStartLock() {
    if (g_nStartLock >= 0) return;
    const QByteArray path = QFile::encodeName(CSingleInstance::ServerName() + QStringLiteral(".lock"));
    g_nStartLock = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (g_nStartLock < 0) return;  // without the lock, starts are only less well ordered
    while (flock(g_nStartLock, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void ReleaseStartLock() {
    if (g_nStartLock >= 0) close(g_nStartLock);
    g_nStartLock = -1;
}

// True when a running program answers on the socket.
bool Answers() {
    QLocalSocket socket;
    socket.connectToServer(CSingleInstance::ServerName());
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.disconnectFromServer();
    return true;
}

}  // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent), m_pServer(new QLocalServer(this)) {
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
}

QString CSingleInstance::ServerName() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime + QStringLiteral("/trawlview.socket");
    return QDir::tempPath() + QStringLiteral("/trawlview-%1.socket").arg(getuid());
}

bool CSingleInstance::HandOver(const QString& absolutePath, bool asLog) {
    TakeStartLock();
    if (!SendPath(absolutePath, asLog)) return false;  // the lock stays until this start listens
    ReleaseStartLock();
    return true;
}

bool CSingleInstance::SendPath(const QString& absolutePath, bool asLog) {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kConnectMs)) return false;
    // Paths are bytes and may hold any byte but NUL, which therefore ends each one.
    // A byte for what to do with the file: L load as a log, O the open path.
    QByteArray message(1, asLog ? 'L' : 'O');
    message.append(QFile::encodeName(absolutePath));
    message.append('\0');
    if (socket.write(message) != message.size() || !socket.waitForBytesWritten(kConnectMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
    return true;
}

bool CSingleInstance::Listen() {
    TakeStartLock();
    // A start without a file finds the first program still answering: its socket stays
    // (and this window does without one). A socket left behind by a program that ended
    // without closing it answers nobody, so it can go.
    bool listening = false;
    if (!Answers()) {
        QLocalServer::removeServer(ServerName());
        m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
        listening = m_pServer->listen(ServerName());
    }
    ReleaseStartLock();
    return listening;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        // The whole message is taken when the sender hangs up. The buffer lives as long as
        // the connections that hold it, which end with the socket.
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, received] { received->append(socket->readAll()); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, received] {
            received->append(socket->readAll());
            for (const QByteArray& path : received->split('\0')) {
                if (path.size() > 1 && (path[0] == 'L' || path[0] == 'O')) {
                    emit OpenRequested(QFile::decodeName(path.mid(1)), path[0] == 'L');
                }
            }
            received->clear();
            socket->deleteLater();
        });
    }
}
