#include "convert/partfile.h"

#include <cerrno>
#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "convert/nativefile.h"
#include "convert/nativename.h"

namespace {

QString folderPrefix(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

// The pid a part file name carries, or 0 when the name is not one that
// partFileName makes.
qint64 partPid(const QString &fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.(.+)\\.([1-9][0-9]{0,9})\\.part(\\.[^.]+)?$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return 0;
    const qint64 pid = match.captured(2).toLongLong();
    if (pid > INT_MAX || partFileName(match.captured(1), pid) != fileName)
        return 0;
    return pid;
}

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

bool isRegularFile(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

void setError(QString *error, const QString &what, const QString &path)
{
    const QString reason = qt_error_string(errno);
    if (error)
        *error = QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason);
}

} // namespace

QString partFileName(const QString &output, qint64 pid)
{
    const QString name = output.mid(folderPrefix(output).size());
    // A leading dot makes a hidden name, not an extension.
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    return QStringLiteral("%1.%2.%3.part%4")
        .arg(folderPrefix(output), name)
        .arg(pid)
        .arg(extension);
}

bool createPartFile(const QString &path, QString *error)
{
    const QByteArray native = toNativeName(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != EEXIST || attempt > 0)
            break;
        const qint64 pid = partPid(QFileInfo(path).fileName());
        if (!pid || !isRegularFile(native) || !(pid == ::getpid() || processGone(pid))) {
            errno = EEXIST;
            break;
        }
        if (::unlink(native.constData()) != 0)
            break;
    }
    setError(error, QStringLiteral("Cannot create"), path);
    return false;
}

int removeStaleParts(const QString &folder)
{
    int removed = 0;
    for (const QString &name : nativefile::names(folder)) {
        const qint64 pid = partPid(name);
        const QByteArray path = toNativeName(folder + QLatin1Char('/') + name);
        if (pid && processGone(pid) && isRegularFile(path) && ::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

bool commitPartFile(const QString &part, const QString &output, QString *error)
{
    if (::rename(toNativeName(part).constData(), toNativeName(output).constData()) == 0)
        return true;
    setError(error, QStringLiteral("Cannot rename to"), output);
    return false;
}
