#include "platform/instancelock.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>

namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Empty when the folder is a real folder (lstat: a link to one does not
// count), owned by this user, and closed to everybody else.
QString privateFolderProblem(const QString &folder)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return systemError(errno);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("not a folder");
    if (st.st_uid != ::getuid())
        return QStringLiteral("owned by another user");
    if (st.st_mode & 077)
        return QStringLiteral("open to other users");
    return {};
}

// Only a socket of this user's own counts as a running copy.
bool isOwnSocket(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode) &&
           st.st_uid == ::getuid();
}

bool answers(const QString &path)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    const bool answered = socket.waitForConnected(500);
    socket.abort();
    return answered;
}

} // namespace

InstanceLock::InstanceLock(const QString &title, QObject *parent)
    : QObject(parent), m_title(title)
{
}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::socketPath(const QString &title, QString *problems)
{
    const QString name = QStringLiteral("%1-%2.lock").arg(title).arg(::getuid());
    const QString own = QStringLiteral("tarnwick-%1").arg(::getuid());
    // The runtime folder is the session's; the others are made on first use.
    struct Candidate
    {
        QString folder;
        bool make;
    };
    QList<Candidate> candidates;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        candidates.append({QDir::cleanPath(runtime), false});
    const QString tmp = qEnvironmentVariable("TMPDIR");
    if (QDir::isAbsolutePath(tmp) && QDir::cleanPath(tmp) != QLatin1String("/tmp"))
        candidates.append({QDir::cleanPath(tmp) + QLatin1Char('/') + own, true});
    candidates.append({QStringLiteral("/tmp/") + own, true});

    QStringList reasons;
    for (const auto &[folder, make] : std::as_const(candidates)) {
        const QByteArray path = QFile::encodeName(folder);
        // mkdir's mode goes through the umask; the folder must be exactly 0700.
        if (make && ::mkdir(path.constData(), 0700) == 0)
            ::chmod(path.constData(), 0700);
        QString problem = privateFolderProblem(folder);
        const QString socket = folder + QLatin1Char('/') + name;
        if (problem.isEmpty() &&
            size_t(QFile::encodeName(socket).size()) >= sizeof(sockaddr_un::sun_path))
            problem = QStringLiteral("too long a path for a socket");
        if (problem.isEmpty())
            return socket;
        reasons << folder + QStringLiteral(": ") + problem;
    }
    if (problems)
        *problems = reasons.join(QStringLiteral("; "));
    return {};
}

bool InstanceLock::isHeld(const QString &title)
{
    const QString path = socketPath(title);
    return !path.isEmpty() && isOwnSocket(path) && answers(path);
}

bool InstanceLock::handOver(const QString &title, const QStringList &paths)
{
    const QString path = socketPath(title);
    if (path.isEmpty() || !isOwnSocket(path))
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(2000))
        return false;
    QByteArray message;
    for (const QString &file : paths)
        message += file.toUtf8() + '\n';
    socket.write(message + '\n');
    // The holder answers once it has every line: only then may this start end.
    while (socket.bytesAvailable() == 0)
        if (!socket.waitForReadyRead(5000))
            return false;
    return socket.read(1) == "\n";
}

void InstanceLock::receive()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A probe (isHeld) connects and goes without writing anything.
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            QByteArray received = client->property("received").toByteArray() + client->readAll();
            client->setProperty("received", received);
            // An empty line ends the message.
            if (!received.startsWith('\n') && !received.endsWith("\n\n"))
                return;
            QStringList paths;
            for (const QByteArray &line : received.split('\n'))
                if (!line.isEmpty())
                    paths << QString::fromUtf8(line);
            client->write("\n");
            client->flush();
            client->disconnectFromServer();
            if (!paths.isEmpty())
                emit filesReceived(paths);
        });
    }
}

bool InstanceLock::acquire()
{
    if (m_server)
        return true;
    QString problems;
    const QString path = socketPath(m_title, &problems);
    if (path.isEmpty()) {
        qWarning("Tarnwick: no single-copy lock, only the window list keeps a second copy out (%s)",
                 qUtf8Printable(problems));
        return false;
    }
    if (answers(path) && isOwnSocket(path)) {
        qWarning("Tarnwick: another copy holds %s", qUtf8Printable(path));
        return false;
    }
    // Whatever is left under the name in the user's own folder is a socket of
    // a copy that crashed: nobody answers on it.
    QLocalServer::removeServer(path);
    auto server = std::make_unique<QLocalServer>();
    if (!server->listen(path)) {
        qWarning("Tarnwick: no single-copy lock at %s: %s", qUtf8Printable(path),
                 qUtf8Printable(server->errorString()));
        return false;
    }
    m_server = std::move(server);
    connect(m_server.get(), &QLocalServer::newConnection, this, &InstanceLock::receive);
    return true;
}
