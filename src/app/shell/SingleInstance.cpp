#include "app/shell/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace stirwell {

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath()
{
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        directory = QDir::tempPath() + QStringLiteral("/stirwell-%1").arg(getuid());
    QDir().mkpath(directory);
    return directory + QStringLiteral("/com.stirwell.app.socket");
}

bool SingleInstance::claim(const QByteArray &request)
{
    const QString path = socketPath();
    {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(500)) {
            socket.write(request + '\n');
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return false;
        }
    }
    // Nobody answers: a socket file left by a process that ended is removed.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path))
        return true; // cannot listen: run anyway rather than not at all
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                while (peer->canReadLine()) {
                    const QByteArray line = peer->readLine().trimmed();
                    if (line == "quit")
                        emit quitRequested();
                    else
                        emit activationRequested();
                }
            });
        }
    });
    return true;
}

} // namespace stirwell
