#include "support/readfaults.h"

#include <atomic>
#include <cerrno>

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <QFile>

namespace {

std::atomic<dev_t> g_device{0};
std::atomic<ino_t> g_inode{0};
std::atomic<qint64> g_from{-1};
std::atomic<qint64> g_to{-1};

// Whether a read of length bytes at the file position of fd meets the bad range.
bool meetsBadRange(int fd, qint64 length)
{
    struct stat st;
    if (g_from < 0 || ::fstat(fd, &st) != 0 || st.st_dev != g_device || st.st_ino != g_inode)
        return false;
    const qint64 at = ::lseek(fd, 0, SEEK_CUR);
    return at >= 0 && at + length > g_from && at < g_to;
}

template <typename Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" ssize_t read(int fd, void *buffer, size_t length)
{
    static const auto real = next<ssize_t (*)(int, void *, size_t)>("read");
    if (meetsBadRange(fd, qint64(length))) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, length);
}

extern "C" ssize_t readv(int fd, const struct iovec *vector, int count)
{
    static const auto real = next<ssize_t (*)(int, const struct iovec *, int)>("readv");
    qint64 total = 0;
    for (int i = 0; i < count; ++i)
        total += qint64(vector[i].iov_len);
    if (meetsBadRange(fd, total)) {
        errno = EIO;
        return -1;
    }
    return real(fd, vector, count);
}

namespace readfaults {

void failRange(const QString &path, qint64 from, qint64 to)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    g_device = st.st_dev;
    g_inode = st.st_ino;
    g_to = to;
    g_from = from;
}

void clear()
{
    g_from = -1;
}

} // namespace readfaults
