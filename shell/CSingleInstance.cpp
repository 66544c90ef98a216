#include "CSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>
#include <cerrno>
#include <memory>

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
    if (g_nStartLock >= 0 || CSingleInstance::ServerName().isEmpty()) return;
    const QByteArray path =
        QFile::encodeName(CSingleInstance::ServerName() + QStringLiteral(".lock"));
    g_nStartLock =
        open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (g_nStartLock < 0) return;  // without the lock, starts are only less well ordered
    while (flock(g_nStartLock, LOCK_EX) != 0 && errno == EINTR) {
    }
}

void ReleaseStartLock() {
    if (g_nStartLock >= 0) close(g_nStartLock);
    g_nStartLock = -1;
}

// Whether the process at the other end of a connected local socket runs as this user:
// a path is a secret of the user's (it tells what they work on) and an order to open a
// file, so it goes to and comes from nobody else.
bool PeerIsThisUser(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == getuid();
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

CSingleInstance::CSingleInstance(QObject* parent)
    : QObject(parent), m_pServer(new QLocalServer(this)) {
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
}

QString CSingleInstance::PrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return {};
    // lstat: a link in the folder's place is not followed, whoever made it.
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return {};
    }
    return folder;
}

QString CSingleInstance::DisplayKey(const QString& platform, const QString& x11Display,
                                    const QString& waylandDisplay) {
    QString key = platform;
    if (platform == QLatin1String("xcb")) {
        // host:display.screen; the screens of one display are one place for the user.
        QString display = x11Display;
        const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
        const qsizetype dot = colon < 0 ? -1 : display.indexOf(QLatin1Char('.'), colon);
        if (dot >= 0) display.truncate(dot);
        if (display.startsWith(QLatin1String("unix:"))) display.remove(0, 4);
        key += display;
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        key += QLatin1Char(':') +
               (waylandDisplay.isEmpty() ? QStringLiteral("wayland-0") : waylandDisplay);
    }
    return QString::fromLatin1(QUrl::toPercentEncoding(key));
}

QString CSingleInstance::ServerName() {
    QString folder;
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); !runtime.isEmpty()) {
        folder = PrivateFolder(runtime);
    }
    if (folder.isEmpty())
        folder = PrivateFolder(QDir::tempPath() + QStringLiteral("/trawlview-%1").arg(getuid()));
    if (folder.isEmpty()) return {};
    const QString key = DisplayKey(QGuiApplication::platformName(), qEnvironmentVariable("DISPLAY"),
                                   qEnvironmentVariable("WAYLAND_DISPLAY"));
    return folder + QStringLiteral("/trawlview-") + key + QStringLiteral(".socket");
}

bool CSingleInstance::HandOver(const QString& absolutePath, bool asLog, bool follow) {
    TakeStartLock();
    if (!SendPath(absolutePath, asLog, follow))
        return false;  // the lock stays until this start listens
    ReleaseStartLock();
    return true;
}

bool CSingleInstance::SendPath(const QString& absolutePath, bool asLog, bool follow) {
    const QString name = ServerName();
    if (name.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs)) return false;
    if (!PeerIsThisUser(socket.socketDescriptor())) {
        socket.abort();
        return false;
    }
    // Paths are bytes and may hold any byte but NUL, which therefore ends each one.
    // A byte for what to do with the file (L load as a log, O the open path), then one
    // for Follow (F on, - as it is).
    QByteArray message(1, asLog ? 'L' : 'O');
    message.append(follow ? 'F' : '-');
    message.append(QFile::encodeName(absolutePath));
    message.append('\0');
    if (socket.write(message) != message.size() || !socket.waitForBytesWritten(kConnectMs))
        return false;
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
    if (!ServerName().isEmpty() && !Answers()) {
        QLocalServer::removeServer(ServerName());
        m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
        listening = m_pServer->listen(ServerName());
    }
    ReleaseStartLock();
    return listening;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // The whole message is taken when the sender hangs up. The buffer lives as long as
        // the connections that hold it, which end with the socket.
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket,
                [socket, received] { received->append(socket->readAll()); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, received] {
            received->append(socket->readAll());
            for (const QByteArray& request : received->split('\0')) {
                if (request.size() > 2 && (request[0] == 'L' || request[0] == 'O') &&
                    (request[1] == 'F' || request[1] == '-')) {
                    emit OpenRequested(QFile::decodeName(request.mid(2)), request[0] == 'L',
                                       request[1] == 'F');
                }
            }
            received->clear();
            socket->deleteLater();
        });
    }
}
