// Writes one key of an INI file over and over, each time with a longer value,
// until it is killed. With a second argument N it stops itself (SIGSTOP) at
// the commit of its N-th write, once the new file is complete beside the old
// one, and prints "committing <new file>" first, so that a kill lands there;
// a write that commits without a rename is told and ends it at once. With
// "fsync-fails" it writes once with every sync failing and prints whether
// the write was refused.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>

#include <QCoreApplication>
#include <QString>

#include "settings/settingsfile.h"

namespace {
int g_stopAt = 0;
int g_renames = 0;
bool g_syncFails = false;

int syncOrFail(const char *name, int fd)
{
    if (g_syncFails) {
        errno = EIO;
        return -1;
    }
    using Sync = int (*)(int);
    return reinterpret_cast<Sync>(dlsym(RTLD_NEXT, name))(fd);
}
} // namespace

// Stand in for the C library's syncs, as a disk that fails at the last moment.
extern "C" int fsync(int fd) { return syncOrFail("fsync", fd); }
extern "C" int fdatasync(int fd) { return syncOrFail("fdatasync", fd); }

// Stands in for the C library's rename, with which a saved file replaces
// the old one.
extern "C" int rename(const char *from, const char *to)
{
    if (g_stopAt > 0 && ++g_renames == g_stopAt) {
        std::printf("committing %s\n", from);
        std::fflush(stdout);
        std::raise(SIGSTOP);
    }
    using Rename = int (*)(const char *, const char *);
    static const auto real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    g_syncFails = argc > 2 && std::strcmp(argv[2], "fsync-fails") == 0;
    if (argc > 2 && !g_syncFails)
        g_stopAt = std::atoi(argv[2]);
    SettingsFile settings;
    settings.setFileName(QString::fromLocal8Bit(argv[1]));
    if (g_syncFails) {
        const bool written = settings.writeString(QStringLiteral("OutputPath"),
                                                  QStringLiteral("/v/new"), QStringLiteral("genral"));
        std::printf("%s\n", written ? "written" : "refused");
        return 0;
    }
    for (int round = 1;; ++round) {
        const QString value = QStringLiteral("/home/user/Videos/") + QString(round % 4000, QLatin1Char('x'));
        settings.writeString(QStringLiteral("OutputPath"), value, QStringLiteral("genral"));
        if (g_stopAt > 0 && g_renames < round) {
            std::printf("write %d ended without a rename\n", round);
            return 1;
        }
    }
}
