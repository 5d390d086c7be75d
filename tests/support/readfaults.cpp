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
std::atomic<bool> g_passed{false};

// How many of length bytes at the file position of fd may be read: all of
// them, fewer up to the bad range, or -1 inside it.
qint64 allowed(int fd, qint64 length)
{
    g_passed = true;
    struct stat st;
    if (g_from < 0 || ::fstat(fd, &st) != 0 || st.st_dev != g_device || st.st_ino != g_inode)
        return length;
    const qint64 at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0 || at + length <= g_from || at >= g_to)
        return length;
    return at < g_from ? g_from - at : -1;
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
    const qint64 n = allowed(fd, qint64(length));
    if (n < 0) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, size_t(n));
}

extern "C" ssize_t readv(int fd, const struct iovec *vector, int count)
{
    static const auto real = next<ssize_t (*)(int, const struct iovec *, int)>("readv");
    qint64 total = 0;
    for (int i = 0; i < count; ++i)
        total += qint64(vector[i].iov_len);
    const qint64 n = allowed(fd, total);
    if (n < 0) {
        errno = EIO;
        return -1;
    }
    // Up to the bad range, through the first buffers.
    struct iovec shorter[64];
    int used = 0;
    for (qint64 left = n; used < count && used < 64 && left > 0; ++used) {
        shorter[used] = vector[used];
        shorter[used].iov_len = size_t(qMin<qint64>(left, qint64(vector[used].iov_len)));
        left -= qint64(shorter[used].iov_len);
    }
    return n == total ? real(fd, vector, count) : real(fd, shorter, used);
}

namespace readfaults {

bool active()
{
    g_passed = false;
    QFile self(QStringLiteral("/proc/self/stat"));
    return self.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && !self.read(16).isEmpty()
           && g_passed;
}

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
