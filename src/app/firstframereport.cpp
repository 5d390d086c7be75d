#include "app/firstframereport.h"

#include <cstdio>
#include <ctime>

#include <unistd.h>

#include <QEvent>
#include <QFile>
#include <QQuickWidget>
#include <QQuickWindow>

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

} // namespace

bool FirstFrameReport::eventFilter(QObject *watched, QEvent *event)
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
