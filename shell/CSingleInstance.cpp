#include "CSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>
#include <unistd.h>

namespace {

// Long enough for a busy machine, short enough that a hung first start does not keep
// the second one waiting visibly.
constexpr int kConnectMs = 2000;

}  // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent), m_pServer(new QLocalServer(this)) {
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
}

QString CSingleInstance::ServerName() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime + QStringLiteral("/trawlview.socket");
    return QDir::tempPath() + QStringLiteral("/trawlview-%1.socket").arg(getuid());
}

bool CSingleInstance::HandOver(const QString& absolutePath) {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kConnectMs)) return false;
    // Paths are bytes and may hold any byte but NUL, which therefore ends each one.
    QByteArray message = QFile::encodeName(absolutePath);
    message.append('\0');
    if (socket.write(message) != message.size() || !socket.waitForBytesWritten(kConnectMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
    return true;
}

bool CSingleInstance::Listen() {
    // A socket left behind by a program that ended without closing it answers nobody;
    // HandOver has just found that nobody answers, so it can go.
    QLocalServer::removeServer(ServerName());
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    return m_pServer->listen(ServerName());
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
                if (!path.isEmpty()) emit OpenRequested(QFile::decodeName(path));
            }
            received->clear();
            socket->deleteLater();
        });
    }
}
