#include "convert/nativefile.h"

#include <cerrno>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "convert/nativename.h"

namespace nativefile {

std::optional<struct stat> entry(const QString &path)
{
    struct stat st {};
    if (::lstat(toNativeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

std::optional<struct stat> target(const QString &path)
{
    struct stat st {};
    if (::stat(toNativeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

bool exists(const QString &path)
{
    return entry(path).has_value();
}

bool sameFile(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const std::optional<struct stat> sa = target(a), sb = target(b);
    return sa && sb && sa->st_dev == sb->st_dev && sa->st_ino == sb->st_ino;
}

bool openForReading(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    // A pipe without a writer would hold the open up for ever.
    const int fd = ::open(toNativeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly | mode, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

bool remove(const QString &path)
{
    return ::unlink(toNativeName(path).constData()) == 0;
}

bool copyModificationTime(const QString &source, const QString &target)
{
    const std::optional<struct stat> from = nativefile::target(source);
    if (!from)
        return false;
    // The access time stays as it is.
    const timespec times[2] = {{0, UTIME_OMIT}, from->st_mtim};
    return ::utimensat(AT_FDCWD, toNativeName(target).constData(), times, 0) == 0;
}

QString currentFolder()
{
    const std::unique_ptr<char, decltype(&::free)> cwd(::getcwd(nullptr, 0), &::free);
    return cwd ? fromNativeName(QByteArray(cwd.get())) : QString();
}

QString absolute(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    return QDir::cleanPath(currentFolder() + QLatin1Char('/') + path);
}

QStringList names(const QString &folder)
{
    QStringList found;
    const auto close = [](DIR *dir) { ::closedir(dir); };
    const std::unique_ptr<DIR, decltype(close)> dir(::opendir(toNativeName(folder).constData()),
                                                    close);
    if (!dir)
        return found;
    while (const dirent *item = ::readdir(dir.get())) {
        const QByteArray name(item->d_name);
        if (name != "." && name != "..")
            found << fromNativeName(name);
    }
    return found;
}

} // namespace nativefile
