#include <cstdio>
#include <ctime>

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QQuickWidget>
#include <QQuickWindow>

#include "app/application.h"
#include "app/terminaloptions.h"
#include "app/terminalrun.h"
#include "convert/vlcengine.h"
#include "platform/qtdesktop.h"

namespace {

// Milliseconds since this process started: its start time in /proc/self/stat
// (clock ticks since boot) against the boot-time clock.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // starttime is field 22; the command name before it may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - fields.value(19).toDouble() * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// For bench/startup.sh: one line on stderr once the movie's first frame has
// been drawn into its widget and the widget painted, i.e. is on screen.
class FirstFrameReport final : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *movie = qobject_cast<QQuickWidget *>(watched);
        if (!movie || m_done)
            return false;
        if (!m_watching && movie->quickWindow()) {
            m_watching = true;
            connect(movie->quickWindow(), &QQuickWindow::afterRendering, this,
                    [this] { m_rendered = true; }, Qt::DirectConnection);
        }
        if (event->type() == QEvent::Paint && m_rendered) {
            m_done = true;
            std::fprintf(stderr, "tarnwick: first frame %.1f ms, peak RSS %ld kB\n",
                         msSinceProcessStart(), peakRssKb());
            std::fflush(stderr);
        }
        return false;
    }

private:
    bool m_watching = false;
    bool m_rendered = false;
    bool m_done = false;
};

// Without a window: no display is needed, and a running window is neither
// asked nor refused.
int convertInTerminal(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("tarnwick"));
    app.setApplicationVersion(QStringLiteral("5.0.0.0"));
    TerminalOptions options(QCoreApplication::applicationDirPath());
    switch (options.parse(app.arguments())) {
    case TerminalOptions::Outcome::Shown:
        std::fputs(options.text().toLocal8Bit().constData(), stdout);
        return 0;
    case TerminalOptions::Outcome::Invalid:
        std::fprintf(stderr, "tarnwick: %s\n", options.text().toLocal8Bit().constData());
        return TerminalRun::kBadArguments;
    case TerminalOptions::Outcome::Convert:
        break;
    }
    VlcEngine engine;
    TerminalRun run(engine, options);
    return run.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Every file gets a fresh engine player with threads of its own; without
    // a cap each of those threads may keep a malloc arena, and resident
    // memory climbs by tens of megabytes over a batch without being used.
    mallopt(M_ARENA_MAX, 2);

    // Decided before any application object: the window's needs a display.
    if (TerminalOptions::wanted(argc, argv))
        return convertInTerminal(argc, argv);

    QApplication app(argc, argv);
    // Before the first window: the GL driver otherwise loaded for the movie
    // costs about 90 MB at start-up on a machine without a GPU.
    Application::setUpGraphics();
    FirstFrameReport report;
    if (qEnvironmentVariableIntValue("TARNWICK_REPORT_FIRST_FRAME") == 1)
        app.installEventFilter(&report);

    QtDesktop desktop;
    VlcEngine engine;
    Application application(desktop, engine);
    application.run();
    return 0;
}
