// The program against its engine: a batch converted through the window's
// movie commands (its batch, questions, checks of every output and all),
// then the same files converted by the engine alone with the same option,
// one after another, each next file started the moment the engine ends the
// last. Runs both a number of times and prints the medians, their ratio and
// the program's peak resident size.
//
// Usage: bench_convert files seconds width height jobs runs [format [ffmpeg]]
//   jobs: the program's jobs at once; 0 takes the program's automatic choice.
//   format: the catalogue's format with its first codecs (default .mp4).
//   ffmpeg: compare with ffmpeg converting one file at a time with its own
//   encoders (VP8/VP9 by libvpx) at the same bitrates, instead of the engine.

#include <algorithm>
#include <atomic>
#include <cstdio>

#include <malloc.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "convert/outputnaming.h"
#include "convert/player.h"
#include "convert/vlcengine.h"
#include "support/hostfixture.h"
#include "support/media.h"

namespace {

double seconds(qint64 ms)
{
    return double(ms) / 1000.0;
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// The engine, with the time its checks of finished files take.
class TimedEngine final : public Engine
{
public:
    std::unique_ptr<Player> createPlayer() override { return m_engine.createPlayer(); }
    OutputVerdict checkOutput(const QString &file, const OutputExpectation &expected) override
    {
        QElapsedTimer clock;
        clock.start();
        const OutputVerdict verdict = m_engine.checkOutput(file, expected);
        checkNs += clock.nsecsElapsed();
        return verdict;
    }
    double frameRate(const QString &path) override { return m_engine.frameRate(path); }
    VlcEngine &engine() { return m_engine; }
    std::atomic<qint64> checkNs{0}; // checks run on the worker

private:
    VlcEngine m_engine;
};

// ffmpeg's encoders for the engine's codec names, at the option's bitrates.
QStringList ffmpegArguments(const ConversionSettings &s, const QString &input, const QString &output)
{
    const QHash<QString, QString> encoders{
        {"h264", "libx264"}, {"VP80", "libvpx"}, {"VP90", "libvpx-vp9"}, {"mp4a", "aac"},
        {"vorb", "libvorbis"}, {"opus", "libopus"}, {"mp3", "libmp3lame"}};
    return {"-v", "error", "-y", "-i", input, "-c:v", encoders.value(s.videoCodec, s.videoCodec),
            "-b:v", s.videoBitrate + "k", "-c:a", encoders.value(s.audioCodec, s.audioCodec),
            "-b:a", s.audioBitrate + "k", "-ac", s.channels, output};
}

double median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return seconds(values.at(values.size() / 2));
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program itself does.
    mallopt(M_ARENA_MAX, 2);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int files = args.value(1, QStringLiteral("30")).toInt();
    const double clipSeconds = args.value(2, QStringLiteral("2")).toDouble();
    const int width = args.value(3, QStringLiteral("640")).toInt();
    const int height = args.value(4, QStringLiteral("360")).toInt();
    const int jobs = args.value(5, QStringLiteral("1")).toInt();
    const int runs = args.value(6, QStringLiteral("3")).toInt();
    // Automatic: the window's own rule for the format's encoder.
    const QString programJobs = jobs > 0 ? QString::number(jobs) : QStringLiteral("auto");
    const QString format = args.value(7, QStringLiteral(".mp4"));
    const bool againstFfmpeg = args.value(8) == QLatin1String("ffmpeg");

    QTemporaryDir work;
    media::ClipSpec spec;
    spec.seconds = clipSeconds;
    spec.width = width;
    spec.height = height;
    const QString clip = media::makeClip(work.path(), QStringLiteral("source"), spec);
    if (clip.isEmpty())
        return 1;
    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString path = work.filePath(QStringLiteral("clip%1.avi").arg(i + 1));
        QFile::copy(clip, path);
        inputs << path;
    }
    std::printf("%d clips of %.0f s %dx%d to %s; the program with %s job(s) at once, against %s; "
                "%d runs\n",
                files, clipSeconds, width, height, qPrintable(format), qPrintable(programJobs),
                againstFfmpeg ? "ffmpeg" : "the engine alone", runs);
    std::fflush(stdout);

    TimedEngine timed;
    VlcEngine &engine = timed.engine();
    QList<qint64> programMs, engineMs;
    qint64 peakKb = 0;
    for (int run = 0; run < runs; ++run) {
        const QString programOut = work.filePath(QStringLiteral("program%1").arg(run));
        const QString engineOut = work.filePath(QStringLiteral("engine%1").arg(run));
        QDir().mkpath(programOut);
        QDir().mkpath(engineOut);

        // The program: the window with the shipped movie and catalogue.
        HostFixture fx(HostFixture::shippedCatalogue(), HostFixture::shippedMovie(), &timed);
        MainWindow &dlg = fx.start();
        fx.send(QStringLiteral("ID-FS-jobs"), programJobs);
        fx.send(QStringLiteral("ID-FS-convertTo"), format);
        fx.addFiles(inputs);
        fx.desktop.folderAnswers.push_back(programOut);
        fx.send(QStringLiteral("IDC_FS_BROWSE"));
        fx.send(QStringLiteral("IDC_FS_OTHERDIRECTORY"));
        const ConversionSettings settings = conversion(dlg);
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { peakKb = std::max(peakKb, residentKb()); });
        sampler.start(100);
        QElapsedTimer clock;
        clock.start();
        fx.send(QStringLiteral("IDC_FS_CONVERT"));
        const bool done = QTest::qWaitFor([&] { return !dlg.batch().isRunning(); }, 3600 * 1000);
        programMs << clock.elapsed();
        sampler.stop();
        fx.runBatch(); // the last checks
        const JobQueue &queue = dlg.session().queue();
        const int converted = queue.count(JobQueue::State::Converted);
        if (!done || converted != files) {
            std::printf("the program's batch did not convert every file (%d)\n",
                        int(converted));
            for (int row = 0; row < queue.size(); ++row)
                std::printf("  %s: %s\n", qPrintable(queue.at(row).path),
                            qPrintable(queue.at(row).reason));
            return 1;
        }

        // The engine alone: the same option, the next file at the end event;
        // or ffmpeg with the same codecs and bitrates.
        clock.restart();
        for (const QString &input : inputs) {
            const QString output = outputFileName(input, false, engineOut, settings.format);
            if (againstFfmpeg) {
                if (QProcess::execute(QStringLiteral(FFMPEG_PROGRAM),
                                      ffmpegArguments(settings, input, output))
                    != 0) {
                    std::printf("ffmpeg did not convert %s\n", qPrintable(input));
                    return 1;
                }
                continue;
            }
            std::unique_ptr<Player> player = engine.createPlayer();
            QSignalSpy ended(player.get(), &Player::ended);
            player->start(input, streamOutputOption(settings, output));
            if (!ended.wait(3600 * 1000) || !player->finishedNormally()) {
                std::printf("the engine did not convert %s\n", qPrintable(input));
                return 1;
            }
        }
        engineMs << clock.elapsed();
        std::printf("  run %d: program %7.2f s, %s %7.2f s\n", run + 1,
                    seconds(programMs.last()), againstFfmpeg ? "ffmpeg" : "engine alone",
                    seconds(engineMs.last()));
        std::fflush(stdout);
    }
    std::printf("median: program %.2f s, %s %.2f s, ratio %.3f; program peak RSS %lld MB\n",
                median(programMs), againstFfmpeg ? "ffmpeg" : "engine alone", median(engineMs),
                median(programMs) / median(engineMs),
                peakKb / 1024);
    std::printf("checks of the finished files: %.1f ms a file\n",
                double(timed.checkNs.load()) / 1e6 / double(files * runs));
    return 0;
}
