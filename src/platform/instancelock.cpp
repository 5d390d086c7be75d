#include "platform/instancelock.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

InstanceLock::InstanceLock(const QString &title) : m_title(title) {}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::serverName(const QString &title)
{
    // A full path keeps the socket per user and lets a test isolate it with TMPDIR.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("%1-%2.lock").arg(title).arg(getuid()));
}

bool InstanceLock::isHeld(const QString &title)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(title));
    const bool held = socket.waitForConnected(500);
    socket.abort();
    return held;
}

bool InstanceLock::acquire()
{
    if (m_server)
        return true;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(m_title);
    if (!server->listen(name)) {
        // A socket file left by a copy that crashed: nobody answers on it.
        if (isHeld(m_title))
            return false;
        QLocalServer::removeServer(name);
        if (!server->listen(name))
            return false;
    }
    m_server = std::move(server);
    return true;
}
