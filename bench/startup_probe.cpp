// Start-up probe: runs the program's start the way the program does (the
// single-copy check, then the main window with the real desktop services and
// the shipped movie) and prints, at the first frame of the movie on screen,
// the time since the process started, the peak resident memory and whether
// an engine instance had been made.
//
// Usage: bench_startup <program folder>
// With TARNWICK_BENCH_T0 (microseconds since the epoch, taken by the caller
// just before starting the probe) it also prints the time since that launch.

#include <cstdio>
#include <ctime>
#include <functional>

#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QQuickWindow>
#include <QSet>
#include <QTimer>

#include "app/application.h"
#include "convert/vlcplayer.h"
#include "movie/movieview.h"
#include "platform/qtdesktop.h"
#include "ui/mainwindow.h"

namespace {

// Milliseconds since this process started, from its start time in
// /proc/self/stat (clock ticks since boot) and the boot-time clock.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // starttime is field 22 of the whole line, field 20 after the name.
    const double startTicks = fields.value(19).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

double msSinceLaunch()
{
    const QByteArray t0 = qgetenv("TARNWICK_BENCH_T0");
    if (t0.isEmpty())
        return -1;
    return double(QDateTime::currentMSecsSinceEpoch()) - t0.toDouble() / 1000.0;
}

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

int vlcPluginsMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return -1;
    QSet<QByteArray> plugins;
    for (const QByteArray &line : maps.readAll().split('\n'))
        if (line.contains("/vlc/plugins/"))
            plugins.insert(line.mid(line.lastIndexOf(' ') + 1));
    return int(plugins.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Application::setUpGraphics();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program folder>\n", argv[0]);
        return 2;
    }
    const QString appDir = QFile::decodeName(argv[1]);

    QtDesktop desktop;
    if (desktop.topLevelWindowExists(QStringLiteral("Tarnwick"))) {
        std::fprintf(stderr, "a window titled Tarnwick exists already\n");
        return 2;
    }
    MainWindow dlg(desktop, VlcPlayer::factory(), appDir);
    dlg.initialise();

    // The movie is drawn into its widget; the frame is on screen once the
    // widget has painted it and the window has been flushed, which happens
    // before the next turn of the event loop.
    bool rendered = false;
    bool measured = false;
    QQuickWindow *scene = dlg.movie()->quickWindow();
    QObject::connect(scene, &QQuickWindow::afterRendering, &dlg, [&] { rendered = true; },
                     Qt::DirectConnection);
    struct PaintWatch : QObject
    {
        std::function<void()> onPaint;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                onPaint();
            return false;
        }
    } watch;
    int result = 1;
    watch.onPaint = [&] {
        if (!rendered || measured)
            return;
        measured = true;
        QTimer::singleShot(0, &dlg, [&] {
            const double sinceStart = msSinceProcessStart();
            const double sinceLaunch = msSinceLaunch();
            std::printf("first_frame_ms=%.1f launch_to_frame_ms=%.1f vmhwm_kb=%ld "
                        "vmrss_kb=%ld vlc_plugins=%d platform=%s\n",
                        sinceStart, sinceLaunch, statusKb("VmHWM:"), statusKb("VmRSS:"),
                        vlcPluginsMapped(), qPrintable(QGuiApplication::platformName()));
            std::fflush(stdout);
            result = 0;
            dlg.close();
        });
    };
    dlg.movie()->installEventFilter(&watch);
    QTimer::singleShot(20000, &dlg, [&] {
        std::fprintf(stderr, "no frame within 20 s\n");
        dlg.close();
    });

    dlg.exec();
    dlg.shutDown();
    return result;
}
