#include "platform/instancelock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>

#include "convert/nativename.h"

namespace {

// A start whose holder is itself starting up waits for its window.
constexpr int kAnswerWaitMs = 30000;

// Held while a start looks for a running copy and takes the socket, so that
// two starts never both find it free, nor both replace a crashed copy's.
class Guard
{
public:
    explicit Guard(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~Guard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;

private:
    int m_fd;
};

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

int InstanceLock::handOver(const QString &title, const QStringList &paths)
{
    const QString path = socketPath(title);
    if (path.isEmpty() || !isOwnSocket(path))
        return -1;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(2000))
        return -1;
    QByteArray message;
    for (const QString &file : paths)
        message += toNativeName(file) + '\0';
    socket.write(message + '\0');
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kAnswerWaitMs))
            return -1;
    // The holder answers once it has every path: only then may this start end.
    QByteArray answer;
    while (!answer.endsWith('\n') && answer.size() < 16) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kAnswerWaitMs))
            return -1;
        answer += socket.read(1);
    }
    bool ok = false;
    const int taken = answer.trimmed().toInt(&ok);
    return ok ? taken : -1;
}

struct InstanceLock::Request
{
    QByteArray entry; // of the path not yet ended
    QStringList paths;
    qint64 size = 0;
    bool done = false;
};

void InstanceLock::startReceiving()
{
    if (!m_server)
        return;
    connect(m_server.get(), &QLocalServer::newConnection, this, &InstanceLock::receive,
            Qt::UniqueConnection);
    receive();
}

void InstanceLock::receive()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A probe (isHeld) connects and goes without writing anything.
        auto request = std::make_shared<Request>();
        const auto read = [this, client, request] { readRequest(*client, *request); };
        connect(client, &QLocalSocket::readyRead, this, read);
        read(); // what came before anyone listened
    }
}

// Each read is looked at once, however long the request grows.
void InstanceLock::readRequest(QLocalSocket &client, Request &request)
{
    while (!request.done && client.bytesAvailable() > 0) {
        const QByteArray chunk = client.read(64 * 1024);
        request.size += chunk.size();
        if (request.size > kMaxRequest) {
            qWarning("Tarnwick: a hand-over of more than %lld bytes was refused", kMaxRequest);
            request.done = true;
            client.abort();
            return;
        }
        qsizetype from = 0;
        for (qsizetype end = chunk.indexOf('\0'); end >= 0; end = chunk.indexOf('\0', from)) {
            request.entry += QByteArrayView(chunk).sliced(from, end - from);
            from = end + 1;
            if (request.entry.isEmpty()) {
                request.done = true;
                break;
            }
            // A relative path would be read against this copy's folder.
            if (request.entry.startsWith('/'))
                request.paths << fromNativeName(request.entry);
            request.entry.clear();
        }
        if (!request.done)
            request.entry += QByteArrayView(chunk).sliced(from);
    }
    if (!request.done)
        return;
    client.write(QByteArray::number(request.paths.size()) + '\n');
    client.flush();
    client.disconnectFromServer();
    if (!request.paths.isEmpty())
        emit filesReceived(request.paths);
}

InstanceLock::Outcome InstanceLock::acquire()
{
    if (m_server)
        return Outcome::Acquired;
    QString problems;
    const QString path = socketPath(m_title, &problems);
    if (path.isEmpty()) {
        qWarning("Tarnwick: no single-copy lock, only the window list keeps a second copy out (%s)",
                 qUtf8Printable(problems));
        return Outcome::Unavailable;
    }
    const Guard guard(path + QStringLiteral(".guard"));
    if (isOwnSocket(path) && answers(path)) {
        qWarning("Tarnwick: another copy holds %s", qUtf8Printable(path));
        return Outcome::HeldElsewhere;
    }
    // Whatever is left under the name in the user's own folder is a socket of
    // a copy that crashed: nobody answers on it.
    QLocalServer::removeServer(path);
    auto server = std::make_unique<QLocalServer>();
    if (!server->listen(path)) {
        qWarning("Tarnwick: no single-copy lock at %s: %s", qUtf8Printable(path),
                 qUtf8Printable(server->errorString()));
        return Outcome::Unavailable;
    }
    m_server = std::move(server);
    return Outcome::Acquired;
}
