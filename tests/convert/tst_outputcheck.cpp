// Checks of a finished output against files the real engine wrote, whole and
// cut.

#include <atomic>
#include <memory>

#include <vlc/vlc.h>

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include "convert/containercheck.h"
#include "convert/outputnaming.h"
#include "convert/vlcplayer.h"
#include "convert/vlcprobe.h"
#include "support/files.h"
#include "support/media.h"

namespace {

enum Cut { Whole, Half, DropTail, ZeroHead, Empty };

struct Target
{
    const char *mux, *extension, *videoCodec, *audioCodec;
    Cut cut; // one that the check of this container must catch
};

// One codec pair of the catalogue for each of its containers.
constexpr Target kTargets[] = {
    {"mp4", ".mp4", "h264", "mp4a", Half},
    {"mov", ".mov", "h264", "mp4a", DropTail},
    {"3gp", ".3gp", "mp4v", "mp4a", ZeroHead},
    {"avi", ".avi", "mp4v", "mp3", DropTail},
    {"mkv", ".mkv", "h264", "mp4a", Half},
    {"webm", ".webm", "VP80", "vorb", DropTail},
    {"ogg", ".ogv", "theo", "vorb", Half},
    {"ts", ".ts", "h264", "mp4a", DropTail},
    {"ps", ".mpg", "mp2v", "mpga", Half},
    {"flv", ".flv", "h264", "mp4a", Half},
    {"raw", ".mp3", "none", "mp3", ZeroHead},
    {"asf", ".asf", "h264", "mp4a", Empty},
};

} // namespace

class TestOutputCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<libvlc_instance_t, decltype(&libvlc_release)> m_vlc{nullptr, &libvlc_release};
    QHash<QString, QString> m_outputs; // by mux

    QString convert(const QString &input, const Target &target, const QString &name)
    {
        const QString output = m_dir.filePath(name + QLatin1String(target.extension));
        const ConversionSettings settings{target.extension, target.mux, target.videoCodec, "1024",
            "1", target.audioCodec, "128", "2"};
        const QString option = VlcPlayer::engineOption(streamOutputOption(settings, output));
        libvlc_media_t *media
            = libvlc_media_new_path(m_vlc.get(), QFile::encodeName(input).constData());
        libvlc_media_add_option(media, option.toUtf8().constData());
        const std::unique_ptr<libvlc_media_player_t, decltype(&libvlc_media_player_release)> player(
            libvlc_media_player_new_from_media(media), &libvlc_media_player_release);
        libvlc_media_release(media);
        std::atomic<bool> ended = false;
        libvlc_event_attach(
            libvlc_media_player_event_manager(player.get()), libvlc_MediaPlayerEndReached,
            [](const libvlc_event_t *, void *flag) {
                *static_cast<std::atomic<bool> *>(flag) = true;
            },
            &ended);
        libvlc_media_player_play(player.get());
        const bool done = QTest::qWaitFor([&] { return ended.load(); }, 30000);
        libvlc_media_player_stop(player.get()); // closes the muxer
        return done ? output : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(media::toolsAvailable());
        QVERIFY(m_dir.isValid());
        const char *args[] = {"--quiet", "--aout=dummy"};
        m_vlc.reset(libvlc_new(2, args));
        QVERIFY(m_vlc);
        const QString source
            = media::makeClip(m_dir.path(), QStringLiteral("source"), {.seconds = 2.0});
        QVERIFY(!source.isEmpty());
        for (const Target &target : kTargets) {
            m_outputs[target.mux] = convert(source, target, QStringLiteral("out-") + target.mux);
            QVERIFY2(QFileInfo(m_outputs[target.mux]).size() > 0, target.mux);
        }
        // The engine keeps writing a file for an input that is no media.
        const QString text = m_dir.filePath(QStringLiteral("notes.avi"));
        QVERIFY(writeFile(text, QByteArray(4000, 'x')));
        m_outputs[QStringLiteral("no streams")]
            = convert(text, kTargets[0], QStringLiteral("nostreams"));
    }

    void containers_data()
    {
        QTest::addColumn<QString>("mux");
        QTest::addColumn<int>("cut");
        QTest::addColumn<bool>("whole");
        static const char *const cutNames[]
            = {"whole", "first half", "last 100 bytes gone", "head zeroed", "empty"};
        for (const Target &target : kTargets) {
            QTest::addRow("%s whole", target.mux)
                << QString::fromLatin1(target.mux) << int(Whole) << true;
            QTest::addRow("%s %s", target.mux, cutNames[target.cut])
                << QString::fromLatin1(target.mux) << int(target.cut) << false;
        }
    }

    void containers()
    {
        QFETCH(QString, mux);
        QFETCH(int, cut);
        QFETCH(bool, whole);
        QByteArray bytes = readFile(m_outputs.value(mux));
        QVERIFY(!bytes.isEmpty());
        if (cut == Half || cut == Empty)
            bytes.truncate(cut == Half ? bytes.size() / 2 : 0);
        else if (cut == DropTail)
            bytes.chop(100);
        else if (cut == ZeroHead)
            bytes.replace(0, 512, QByteArray(512, '\0'));
        const QString path = m_dir.filePath(QStringLiteral("cut.") + mux);
        QVERIFY(writeFile(path, bytes));
        const QString fault = containerFault(path, mux);
        QVERIFY2(fault.isEmpty() == whole, qPrintable(fault));
        // What a user reads depends on the cut, never on the container.
        static const char *const plain[] = {"", "the converted file was not finished",
                                            "the converted file was not finished",
                                            "the converted file is damaged",
                                            "the converted file holds no picture"};
        QCOMPARE(convertedFileFault(readContainer(path, mux), true, true), QString::fromLatin1(plain[cut]));
    }

    // A 64-bit mdat over a 5 GB sparse file: the boxes must be stepped over, not read.
    void largeFileIsNotReadWhole()
    {
        QFile file(m_dir.filePath(QStringLiteral("large.mp4")));
        const qint64 size = 5LL << 30, mdatSize = size - 20; // after a 12-byte ftyp, an empty moov
        for (const qint64 declared : {mdatSize, mdatSize + 1}) {
            QByteArray head = QByteArray::fromHex("0000000c667479706d703432000000086d6f6f76"
                                                  "000000016d646174");
            for (int shift = 56; shift >= 0; shift -= 8)
                head.append(char(declared >> shift));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(head) > 0);
            QVERIFY(file.resize(size));
            file.close();
            QElapsedTimer timer;
            timer.start();
            // The sparse file is a hole to the check; only a box past the end is cut short.
            QCOMPARE(containerFault(file.fileName(), QStringLiteral("mp4"))
                    == QLatin1String("the container is cut short"),
                declared != mdatSize);
            QVERIFY(timer.elapsed() < 500);
        }
    }

    void probe_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("tracks");
        QTest::newRow("converted mp4") << QStringLiteral("mp4") << 2;
        QTest::newRow("mp4 of no media") << QStringLiteral("no streams") << 0;
    }

    void probe()
    {
        QFETCH(QString, output);
        QFETCH(int, tracks);
        QElapsedTimer timer;
        timer.start();
        const MediaInfo info = probeMedia(m_vlc.get(), m_outputs.value(output), 5000);
        qInfo("probe took %lld ms", timer.elapsed());
        QVERIFY(info.parsed);
        QCOMPARE(info.videoTracks + info.audioTracks, tracks);
        QCOMPARE(info.durationMs > 1500 && info.durationMs < 2500, bool(tracks));
        QCOMPARE(
            containerFault(m_outputs.value(output), QStringLiteral("mp4")).isEmpty(), tracks > 0);
    }
};

QTEST_GUILESS_MAIN(TestOutputCheck)
#include "tst_outputcheck.moc"
