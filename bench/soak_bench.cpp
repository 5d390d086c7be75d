// Soak: one batch of real clips converted by the program at its own pace
// (the window's timers and pauses, the real engine). Prints the wall time,
// the peak resident memory and how resident memory moves from file to file.

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include "convert/vlcengine.h"
#include "filelist/filelist.h"
#include "support/hostfixture.h"
#include "support/media.h"

namespace {

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    mallopt(M_ARENA_MAX, 2); // as the program itself does
    QApplication app(argc, argv);
    const int files = argc > 1 ? QByteArray(argv[1]).toInt() : 50;
    const double seconds = argc > 2 ? QByteArray(argv[2]).toDouble() : 5.0;

    VlcEngine engine;
    HostFixture fx(HostFixture::shippedCatalogue(), HostFixture::shippedMovie(), &engine);
    MainWindow &dlg = fx.start();

    media::ClipSpec spec;
    spec.seconds = seconds;
    spec.width = 640;
    spec.height = 360;
    const QString clip = media::makeClip(fx.file(QString()), QStringLiteral("source"), spec);
    if (clip.isEmpty())
        return 1;
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        const QString path = fx.file(QStringLiteral("clip%1.avi").arg(i, 3, 10, QLatin1Char('0')));
        QFile::copy(clip, path);
        paths << path;
    }
    fx.addFiles(paths);

    std::printf("soak: %d clips of %.0f s, 640x360, first format of the shipped catalogue\n",
                files, seconds);
    QList<qint64> rssAfter;
    QElapsedTimer clock;
    clock.start();
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    // The RSS after each file the batch is through with.
    QObject::connect(&dlg.session().queue(), &JobQueue::stateChanged,
                     [&](JobQueue::Id, JobQueue::State state) {
                         if (state == JobQueue::State::Converted || state == JobQueue::State::Failed)
                             rssAfter << statusKb("VmRSS:");
                     });
    while (fx.desktop.boxes.isEmpty() && clock.elapsed() < 3600 * 1000)
        QTest::qWait(50);
    const double wall = clock.elapsed() / 1000.0;
    rssAfter << statusKb("VmRSS:");

    std::printf("result: %s\n", fx.desktop.boxes.isEmpty()
                                    ? "did not finish"
                                    : qPrintable(fx.desktop.boxes.last().text));
    std::printf("wall time: %.1f s (%.2f s per file)\n", wall, wall / files);
    std::printf("peak RSS: %lld kB\n", statusKb("VmHWM:"));
    if (rssAfter.size() >= 3) {
        const qint64 first = rssAfter.first();
        const qint64 last = rssAfter.last();
        std::printf("RSS after file 1: %lld kB, after the last: %lld kB\n", first, last);
        std::printf("RSS growth per file after the first: %.1f kB\n",
                    double(last - first) / double(rssAfter.size() - 1));
        const int half = int(rssAfter.size()) / 2;
        std::printf("RSS growth per file over the second half: %.1f kB\n",
                    double(last - rssAfter.at(half)) / double(rssAfter.size() - 1 - half));
        std::printf("RSS by file:");
        for (int i = 0; i < rssAfter.size(); i += 5)
            std::printf(" %d:%lld", i + 1, rssAfter.at(i) / 1024);
        std::printf(" (MB)\n");
    }
    return fx.desktop.boxes.isEmpty() ? 1 : 0;
}
