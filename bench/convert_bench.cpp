// The program against its engine: a batch of five 60 s 1280x720 clips
// converted through the window's movie commands (pauses, 1 s poll and all),
// then the same files converted by the engine alone with the same option, one
// after another, each end noticed at once. Prints both wall times, the ratio
// and where the difference goes.
//
// Usage: bench_convert [files] [seconds]   (defaults: 5 and 60)

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "convert/outputnaming.h"
#include "convert/vlcplayer.h"
#include "support/hostfixture.h"
#include "support/media.h"

namespace {

// Notes when each file was handed over and when its end was first read.
struct Timeline
{
    QElapsedTimer clock;
    QList<qint64> handedOver;
    QList<qint64> endRead;
};

class TimedPlayer final : public Player
{
public:
    TimedPlayer(std::unique_ptr<Player> inner, std::shared_ptr<Timeline> timeline)
        : m_inner(std::move(inner)), m_timeline(std::move(timeline))
    {
    }
    void addTarget(const QString &uri, const QStringList &options, int mode, int position) override
    {
        m_timeline->handedOver << m_timeline->clock.elapsed();
        m_inner->addTarget(uri, options, mode, position);
        m_active = true;
    }
    void stop() override { m_inner->stop(); }
    void playlistClear() override { m_inner->playlistClear(); }
    float position() override
    {
        const float p = m_inner->position();
        if (p < 0 && m_active) {
            m_active = false;
            m_timeline->endRead << m_timeline->clock.elapsed();
        }
        return p;
    }
    int time() override { return m_inner->time(); }
    bool finishedNormally() override { return m_inner->finishedNormally(); }

private:
    std::unique_ptr<Player> m_inner;
    std::shared_ptr<Timeline> m_timeline;
    bool m_active = false;
};

double seconds(qint64 ms)
{
    return double(ms) / 1000.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? QByteArray(argv[1]).toInt() : 5;
    const double clipSeconds = argc > 2 ? QByteArray(argv[2]).toDouble() : 60.0;

    QTemporaryDir work;
    media::ClipSpec spec;
    spec.seconds = clipSeconds;
    spec.width = 1280;
    spec.height = 720;
    std::printf("making a %.0f s 1280x720 clip with ffmpeg...\n", clipSeconds);
    std::fflush(stdout);
    const QString clip = media::makeClip(work.path(), QStringLiteral("source"), spec);
    if (clip.isEmpty())
        return 1;
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString path = work.filePath(QStringLiteral("clip%1.avi").arg(i + 1));
        QFile::copy(clip, path);
        inputs << path;
    }
    const QString programOut = work.filePath(QStringLiteral("program"));
    const QString engineOut = work.filePath(QStringLiteral("engine"));
    QDir().mkpath(programOut);
    QDir().mkpath(engineOut);

    // The program: the window with the shipped movie and catalogue.
    auto timeline = std::make_shared<Timeline>();
    HostFixture fx(HostFixture::shippedCatalogue(), HostFixture::shippedMovie(),
                   [engine = VlcPlayer::factory(), timeline]() -> std::unique_ptr<Player> {
                       return std::make_unique<TimedPlayer>(engine(), timeline);
                   });
    fx.desktop.realSleep = true;
    MainWindow &dlg = fx.start();
    fx.addFiles(inputs);
    fx.desktop.folderAnswers.push_back(programOut);
    fx.send(QStringLiteral("IDC_FS_BROWSE"));
    fx.send(QStringLiteral("IDC_FS_OTHERDIRECTORY"));
    const ConversionSettings settings{dlg.m_format,       dlg.m_container,  dlg.m_videoCodec,
                                      dlg.m_videoBitrate, dlg.m_scale,      dlg.m_audioCodec,
                                      dlg.m_audioBitrate, dlg.m_channels};
    std::printf("%d clips of %.0f s 1280x720, format %s: mux %s, %s %s kb/s, %s %s kb/s\n", files,
                clipSeconds, qPrintable(settings.format), qPrintable(settings.container),
                qPrintable(settings.videoCodec), qPrintable(settings.videoBitrate),
                qPrintable(settings.audioCodec), qPrintable(settings.audioBitrate));
    std::fflush(stdout);

    timeline->clock.start();
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    const bool done = QTest::qWaitFor(
        [&] { return dlg.m_progressTimer == 0 && dlg.m_currentIndex == 0; }, 3600 * 1000);
    const qint64 programMs = timeline->clock.elapsed();
    const bool allConverted = fx.desktop.boxes.size() == 1 &&
                              fx.desktop.boxes.constFirst().text.endsWith(
                                  QStringLiteral("files:%1").arg(files));
    if (!done || !allConverted || timeline->endRead.size() != files) {
        std::printf("the program's batch did not convert every file\n");
        return 1;
    }

    // The engine alone: the same option, the next file as soon as an end is read.
    PlayerFactory players = VlcPlayer::factory();
    QList<qint64> engineFileMs;
    QElapsedTimer engineClock;
    engineClock.start();
    for (const QString &input : inputs) {
        const qint64 started = engineClock.elapsed();
        std::unique_ptr<Player> player = players();
        const QString out =
            outputFileName(input, false, engineOut, settings.format);
        player->addTarget(input, {streamOutputOption(settings, out)}, 10, -666);
        while (player->time() >= 0 || player->position() >= 0)
            QTest::qWait(10);
        if (!player->finishedNormally()) {
            std::printf("the engine did not convert %s\n", qPrintable(input));
            return 1;
        }
        engineFileMs << engineClock.elapsed() - started;
    }
    const qint64 engineMs = engineClock.elapsed();

    // Where the program's time went: from the end read (or the command) to the
    // next hand-over is the pause with the new player; from the hand-over to
    // the end read is the conversion plus the wait for the next poll.
    qint64 beforeHandOver = 0;
    qint64 handOverToEnd = 0;
    for (int i = 0; i < files; ++i) {
        beforeHandOver += timeline->handedOver[i] - (i == 0 ? 0 : timeline->endRead[i - 1]);
        handOverToEnd += timeline->endRead[i] - timeline->handedOver[i];
    }
    const qint64 afterLast = programMs - timeline->endRead.constLast();
    std::printf("\nper file (program hand-over to end read / engine alone):\n");
    for (int i = 0; i < files; ++i)
        std::printf("  clip%d: %6.2f s / %6.2f s\n", i + 1,
                    seconds(timeline->endRead[i] - timeline->handedOver[i]),
                    seconds(engineFileMs[i]));
    std::printf("\nprogram (movie commands, pauses, 1 s poll): %7.2f s\n", seconds(programMs));
    std::printf("engine alone, same files and option:        %7.2f s\n", seconds(engineMs));
    std::printf("ratio program / engine:                     %7.3f\n",
                double(programMs) / double(engineMs));
    std::printf("difference:                                 %7.2f s\n",
                seconds(programMs - engineMs));
    std::printf("  pauses before each hand-over (500 ms each + new player): %6.2f s\n",
                seconds(beforeHandOver));
    std::printf("  hand-over to end read, less the engine alone (the wait for the\n"
                "  next 1 s poll, at most 1 s a file, and the engine's run-to-run spread): %6.2f s\n",
                seconds(handOverToEnd - engineMs));
    std::printf("  completion and reset after the last end:                 %6.2f s\n",
                seconds(afterLast));
    return 0;
}
