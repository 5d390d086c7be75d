// Writes one key of an INI file over and over, each time with a longer value,
// until it is killed. With a second argument N it stops itself (SIGSTOP) at
// the commit of its N-th write, once the new file is complete beside the old
// one, and prints "committing <new file>" first, so that a kill lands there.

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <dlfcn.h>

#include <QCoreApplication>
#include <QString>

#include "settings/settingsfile.h"

namespace {
int g_stopAt = 0;
int g_renames = 0;
} // namespace

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
    if (argc > 2)
        g_stopAt = std::atoi(argv[2]);
    SettingsFile settings;
    settings.setFileName(QString::fromLocal8Bit(argv[1]));
    for (int round = 1;; ++round) {
        const QString value = QStringLiteral("/home/user/Videos/") + QString(round % 4000, QLatin1Char('x'));
        settings.writeString(QStringLiteral("OutputPath"), value, QStringLiteral("genral"));
    }
}
