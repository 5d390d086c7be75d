// A batch of many files that all fail at once (unreadable), in the window
// with the shipped movie: how long until the files are listed, how long
// until the batch is through with them, and the longest the window's event
// loop went without turning meanwhile.
// Usage: bench_queue [files]

#include <algorithm>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "convert/vlcengine.h"
#include "support/hostfixture.h"

namespace {

// The longest gap between two turns of the event loop, watched by a timer
// that asks to run every 10 ms.
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setInterval(10);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 gap = m_clock.restart();
            if (gap > m_longest) {
                m_longest = gap;
                m_at = m_since.elapsed();
            }
        });
    }
    void start()
    {
        m_longest = 0;
        m_since.start();
        m_clock.start();
        m_timer.start();
    }
    qint64 longestMs() const { return m_longest; }
    // When the longest stall ended, from the start.
    qint64 atMs() const { return m_at; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
    qint64 m_at = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;

    VlcEngine engine;
    HostFixture fx(HostFixture::shippedCatalogue(), HostFixture::shippedMovie(), &engine);
    MainWindow &dlg = fx.start();
    fx.send(QStringLiteral("ID-FS-onFailure"), QStringLiteral("note"));

    // Root reads any file: the files are made unreadable for the user the
    // program then runs as.
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        paths << fx.file(QStringLiteral("clip%1.avi").arg(i, 5, 10, QLatin1Char('0')));
        QFile file(paths.last());
        if (!file.open(QIODevice::WriteOnly) || !file.setPermissions({}))
            return 1;
    }
    if (geteuid() == 0 && (::chmod(QFile::encodeName(fx.appDir()).constData(), 0777) != 0 ||
                           ::seteuid(65534) != 0))
        return 1;

    std::printf("queue: %d unreadable files, the window with the shipped movie\n", files);
    StallWatch watch;
    QElapsedTimer clock;
    watch.start();
    clock.start();
    fx.desktop.openAnswers.push_back(paths);
    fx.send(QStringLiteral("IDC_FS_ADD"));
    const bool listed = QTest::qWaitFor([&] { return dlg.session().queue().size() == files; },
                                        600 * 1000);
    std::printf("listed:  %8.2f s, longest stall %5lld ms (ending at %lld ms)\n",
                clock.elapsed() / 1000.0, watch.longestMs(), watch.atMs());

    watch.start();
    clock.restart();
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    const bool ended = QTest::qWaitFor([&] { return !dlg.batch().isRunning(); }, 600 * 1000);
    const qint64 endedMs = clock.elapsed();
    QTest::qWait(100); // the summary's write
    std::printf("through: %8.2f s, longest stall %5lld ms (ending at %lld ms)\n",
                endedMs / 1000.0, watch.longestMs(), watch.atMs());
    const int failed = dlg.session().queue().count(JobQueue::State::Failed);
    std::printf("failed:  %d of %d%s\n", failed, files,
                listed && ended && failed == files ? "" : " (NOT ALL)");
    return listed && ended && failed == files ? 0 : 1;
}
