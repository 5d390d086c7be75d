#include "convert/workfolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QRegularExpression>

#include "convert/nativename.h"

namespace {

constexpr char kPrefix[] = ".tarnwick-work-";
constexpr char kLock[] = "lock";
// Longer extensions are left off the part's name, which stays short.
constexpr qsizetype kMaxExtension = 16;
// A sweep by another copy may take a new folder before its lock is held.
constexpr int kAttempts = 5;

// An owned descriptor.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    explicit operator bool() const { return m_fd >= 0; }
    operator int() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::pair<QString, QString> split(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {QStringLiteral("."), path};
    return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

// The engine's muxers tell some formats by the extension.
QString partName(const QString &outputName)
{
    const qsizetype dot = outputName.lastIndexOf(u'.');
    const QString extension = dot > 0 ? outputName.mid(dot) : QString();
    return QStringLiteral("part") + (extension.size() <= kMaxExtension ? extension : QString());
}

bool isPartName(const QString &name)
{
    return name == u"part" || (name.startsWith(QLatin1String("part.")) &&
                               name.size() <= 4 + kMaxExtension);
}

bool isWorkFolderName(const QString &name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.tarnwick-work-[A-Za-z0-9]{6}$"));
    return pattern.match(name).hasMatch();
}

bool sameNode(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// This process's own name for the folder open on fd, which no rename of
// the names on the way changes; byName where /proc is not there.
QByteArray handlePath(int fd, const QByteArray &byName)
{
    const QByteArray handle = "/proc/self/fd/" + QByteArray::number(fd);
    struct stat viaHandle, opened;
    if (::stat(handle.constData(), &viaHandle) == 0 && ::fstat(fd, &opened) == 0 &&
        sameNode(viaHandle, opened))
        return handle;
    return byName;
}

qint64 changeTime(const struct stat &st)
{
    return qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

bool fail(QString *error, const QString &what, const QString &path)
{
    const int saved = errno;
    if (error)
        *error = QStringLiteral("%1 %2: %3")
                     .arg(what, QDir::toNativeSeparators(path), qt_error_string(saved));
    errno = saved;
    return false;
}

QStringList namesIn(int folder)
{
    QStringList found;
    // A copy of the descriptor shares its place in the listing: start over.
    DIR *dir = ::fdopendir(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        return found;
    ::rewinddir(dir);
    while (const dirent *item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name != "." && name != "..")
            found << fromNativeName(name);
    }
    ::closedir(dir);
    return found;
}

} // namespace

ReplacedFile replacedFile(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), changeTime(st)};
}

std::unique_ptr<WorkFolder> WorkFolder::create(const QString &output, QString *error)
{
    const auto [folder, outputName] = split(output);
    std::unique_ptr<WorkFolder> work(new WorkFolder);
    work->m_partName = toNativeName(partName(outputName));
    work->m_parent = ::open(toNativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (work->m_parent < 0) {
        fail(error, QStringLiteral("Cannot open"), folder);
        return nullptr;
    }
    const QByteArray parentPath = handlePath(work->m_parent, toNativeName(folder));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        QByteArray made = parentPath + '/' + kPrefix + "XXXXXX";
        if (!::mkdtemp(made.data())) {
            fail(error, QStringLiteral("Cannot create a work folder in"), folder);
            return nullptr;
        }
        work->m_name = made.mid(made.lastIndexOf('/') + 1);
        if (work->holdNewFolder())
            break;
        if (errno != ENOENT && errno != EWOULDBLOCK) {
            fail(error, QStringLiteral("Cannot use the work folder"),
                 folder + u'/' + fromNativeName(work->m_name));
            return nullptr;
        }
    }
    if (work->m_lock < 0) {
        fail(error, QStringLiteral("Cannot keep a work folder in"), folder);
        return nullptr;
    }
    work->m_path = folder + u'/' + fromNativeName(work->m_name);
    const QByteArray byName = toNativeName(work->m_path);
    work->m_partPath =
        fromNativeName(handlePath(work->m_folder, byName) + '/' + work->m_partName);
    return work;
}

// Opens the folder mkdtemp made and takes its lock, unless another copy's
// sweep took the folder first (ENOENT, EWOULDBLOCK) or someone put another
// in its place.
bool WorkFolder::holdNewFolder()
{
    Fd folder(::openat(m_parent, m_name.constData(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!folder || ::fstat(folder, &st) != 0)
        return false;
    if (st.st_uid != ::geteuid()) {
        errno = EPERM;
        return false;
    }
    Fd lock(::openat(folder, kLock, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock)
        return false;
    // A file system without locks leaves the folder to us all the same: no
    // sweep can lock it either.
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return false;
    struct stat named, held;
    if (::fstatat(folder, kLock, &named, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(lock, &held) != 0 ||
        !sameNode(named, held)) {
        errno = ENOENT; // swept between the two
        return false;
    }
    m_folder = folder.release();
    m_lock = lock.release();
    return true;
}

WorkFolder::~WorkFolder()
{
    remove();
    for (const int fd : {m_lock, m_folder, m_parent})
        if (fd >= 0)
            ::close(fd);
}

WorkFolder::Outcome WorkFolder::commit(const QString &name,
                                       const std::optional<ReplacedFile> &replaced,
                                       QString *error)
{
    const QByteArray target = toNativeName(name);
    const QString shown = m_path.left(m_path.lastIndexOf(u'/') + 1) + name;
    // Flushed first: after a power cut the name never leads to an empty file.
    const Fd part(::openat(m_folder, m_partName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!part || ::fsync(part) != 0) {
        fail(error, QStringLiteral("Cannot write"), shown);
        return Outcome::Failed;
    }
    struct stat there;
    const bool occupied = ::fstatat(m_parent, target.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0;
    if (replaced && occupied) {
        const ReplacedFile found = replacedFile(there);
        if (found.device != replaced->device || found.inode != replaced->inode ||
            found.changedNs != replaced->changedNs)
            return Outcome::NameTaken;
        // Where the file system has no modes the part keeps its own.
        ::fchmod(part, there.st_mode & 0777);
        if (::renameat(m_folder, m_partName.constData(), m_parent, target.constData()) != 0) {
            fail(error, QStringLiteral("Cannot rename to"), shown);
            return Outcome::Failed;
        }
    } else if (!moveWithoutReplacing(target)) {
        if (errno == EEXIST)
            return Outcome::NameTaken;
        fail(error, QStringLiteral("Cannot rename to"), shown);
        return Outcome::Failed;
    }
    // The new name itself survives a power cut; a folder that cannot be
    // flushed (some network file systems) keeps the file all the same.
    ::fsync(m_parent);
    return Outcome::Committed;
}

bool WorkFolder::moveWithoutReplacing(const QByteArray &target)
{
    const char *part = m_partName.constData();
    if (::renameat2(m_folder, part, m_parent, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // The file system cannot refuse to replace on a rename; a second name
    // is refused where one exists.
    if (::linkat(m_folder, part, m_parent, target.constData(), 0) == 0) {
        ::unlinkat(m_folder, part, 0);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    // Neither (some FUSE file systems): the name is looked at just before.
    struct stat st;
    if (::fstatat(m_parent, target.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(m_folder, part, m_parent, target.constData()) == 0;
}

bool WorkFolder::remove()
{
    if (m_removed || m_folder < 0)
        return true;
    bool removed = true;
    for (const QByteArray &entry : {m_partName, QByteArray(kLock)})
        removed &= ::unlinkat(m_folder, entry.constData(), 0) == 0 || errno == ENOENT;
    removed = removed && (::unlinkat(m_parent, m_name.constData(), AT_REMOVEDIR) == 0 ||
                          errno == ENOENT);
    m_removed = removed;
    return removed;
}

int sweepWorkFolders(const QString &folder)
{
    const Fd parent(::open(toNativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent)
        return 0;
    int removed = 0;
    for (const QString &entry : namesIn(parent)) {
        if (!isWorkFolderName(entry))
            continue;
        const QByteArray name = toNativeName(entry);
        const Fd dir(::openat(parent, name.constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st;
        if (!dir || ::fstat(dir, &st) != 0 || st.st_uid != ::geteuid())
            continue;
        // A job that runs holds its lock. A folder without a lock file is
        // only removed when empty: one being made has none yet.
        const Fd lock(::openat(dir, kLock, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!lock && errno != ENOENT)
            continue;
        if (lock && (::fstat(lock, &st) != 0 || !S_ISREG(st.st_mode) ||
                     ::flock(lock, LOCK_EX | LOCK_NB) != 0))
            continue;
        for (const QString &inside : lock ? namesIn(dir) : QStringList()) {
            const QByteArray native = toNativeName(inside);
            if (isPartName(inside) &&
                ::fstatat(dir, native.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode))
                ::unlinkat(dir, native.constData(), 0);
        }
        if (lock)
            ::unlinkat(dir, kLock, 0);
        removed += ::unlinkat(parent, name.constData(), AT_REMOVEDIR) == 0;
    }
    return removed;
}
