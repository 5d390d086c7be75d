// Every combination the shipped catalogue offers (format, container, video
// codec, audio codec) converted by the real engine and read back by ffprobe;
// and in every container, clips too short for some encoders and a clip
// another encoder made, whose verdict must be what ffmpeg finds in the file.

#include <QHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "convert/outputnaming.h"
#include "convert/player.h"
#include "convert/vlcengine.h"
#include "settings/presetlist.h"
#include "settings/settingsfile.h"
#include "support/media.h"
#include "support/skip.h"

namespace {

constexpr double kClipSeconds = 2.0;

// The engine's codec names and the names ffprobe gives the same codecs.
const QHash<QString, QStringList> kProbeNames{
    {QStringLiteral("h264"), {QStringLiteral("h264")}},
    {QStringLiteral("hevc"), {QStringLiteral("hevc")}},
    {QStringLiteral("mp4v"), {QStringLiteral("mpeg4")}},
    {QStringLiteral("mp2v"), {QStringLiteral("mpeg2video")}},
    {QStringLiteral("mp1v"), {QStringLiteral("mpeg1video")}},
    {QStringLiteral("VP80"), {QStringLiteral("vp8")}},
    {QStringLiteral("VP90"), {QStringLiteral("vp9")}},
    {QStringLiteral("theo"), {QStringLiteral("theora")}},
    {QStringLiteral("FLV1"), {QStringLiteral("flv1")}},
    {QStringLiteral("h263"), {QStringLiteral("h263")}},
    {QStringLiteral("WMV2"), {QStringLiteral("wmv2")}},
    {QStringLiteral("mp4a"), {QStringLiteral("aac")}},
    {QStringLiteral("mp3"), {QStringLiteral("mp3")}},
    {QStringLiteral("mpga"), {QStringLiteral("mp2"), QStringLiteral("mp3")}},
    {QStringLiteral("a52"), {QStringLiteral("ac3")}},
    {QStringLiteral("vorb"), {QStringLiteral("vorbis")}},
    {QStringLiteral("opus"), {QStringLiteral("opus")}},
    {QStringLiteral("flac"), {QStringLiteral("flac")}},
    {QStringLiteral("wma2"), {QStringLiteral("wmav2")}},
    {QStringLiteral("s16l"), {QStringLiteral("pcm_s16le")}},
};

// A part of the format name ffprobe reports for each mux; a raw mux holds
// the bare audio stream.
const QHash<QString, QString> kProbeFormats{
    {QStringLiteral("mp4"), QStringLiteral("mp4")},     {QStringLiteral("mov"), QStringLiteral("mov")},
    {QStringLiteral("3gp"), QStringLiteral("3gp")},     {QStringLiteral("mkv"), QStringLiteral("matroska")},
    {QStringLiteral("webm"), QStringLiteral("webm")},   {QStringLiteral("avi"), QStringLiteral("avi")},
    {QStringLiteral("flv"), QStringLiteral("flv")},     {QStringLiteral("ts"), QStringLiteral("mpegts")},
    {QStringLiteral("ps"), QStringLiteral("mpeg")},     {QStringLiteral("ogg"), QStringLiteral("ogg")},
    {QStringLiteral("asf"), QStringLiteral("asf")},
};

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void combinationConverts_data();
    void combinationConverts();

private:
    QTemporaryDir m_dir;
    QHash<QString, QString> m_clips; // by row name
    VlcEngine m_engine;
};

void TestCatalogue::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("ffmpeg and ffprobe are needed");
    QVERIFY(m_dir.isValid());
    media::ClipSpec spec;
    spec.seconds = kClipSeconds;
    m_clips[QStringLiteral("2 s")] = media::makeClip(m_dir.path(), QStringLiteral("source"), spec);
    spec.width = 160;
    spec.height = 120;
    for (const double seconds : {0.04, 0.5, 1.5}) {
        for (const bool sound : {true, false}) {
            spec.seconds = seconds;
            spec.sound = sound;
            const QString name = (seconds < 0.1 ? QStringLiteral("1 frame") : QStringLiteral("%1 s").arg(seconds))
                                 + (sound ? QString() : QStringLiteral(", silent"));
            m_clips[name] = media::makeClip(m_dir.path(), name, spec);
        }
    }
    m_clips[QStringLiteral("another encoder's")] = media::sharedClip();
    for (const QString &clip : std::as_const(m_clips))
        QVERIFY(!clip.isEmpty());
}

void TestCatalogue::combinationConverts_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");
    QTest::addColumn<QString>("clip");

    SettingsFile catalogue(QStringLiteral(TARNWICK_SOURCE_DIR "/res/"));
    catalogue.setFileName(QStringLiteral("Formats.ini"));
    const auto list = [&catalogue](const QString &key, const char *section) {
        return splitPresetList(catalogue.readString(key, QString(), QLatin1String(section)));
    };
    int rows = 0;
    for (const QString &format : list(QStringLiteral("Extentions"), "genral")) {
        QVERIFY2(format.startsWith(QLatin1Char('.')), qPrintable(format));
        for (const QString &container : list(format, "muxer")) {
            QVERIFY2(!container.isEmpty(), qPrintable(format));
            for (const QString &video : list(container, "VC")) {
                for (const QString &audio : list(container, "AC")) {
                    QTest::addRow("%s %s %s %s", qPrintable(format), qPrintable(container),
                                  qPrintable(video), qPrintable(audio))
                        << format << container << video << audio << QStringLiteral("2 s");
                    ++rows;
                }
            }
            // The other clips once in each container, with its first codecs.
            for (auto clip = m_clips.keyBegin(); clip != m_clips.keyEnd(); ++clip)
                if (*clip != QLatin1String("2 s"))
                    QTest::addRow("%s %s, %s", qPrintable(format), qPrintable(container), qPrintable(*clip))
                        << format << container << list(container, "VC").value(0)
                        << list(container, "AC").value(0) << *clip;
        }
    }
    QVERIFY(rows > 0);
}

void TestCatalogue::combinationConverts()
{
    QFETCH(QString, format);
    QFETCH(QString, container);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);
    QFETCH(QString, clip);
    QVERIFY2(videoCodec == QLatin1String("none") || kProbeNames.contains(videoCodec),
             "no ffprobe name known for the video codec");
    QVERIFY2(kProbeNames.contains(audioCodec), "no ffprobe name known for the audio codec");

    const QString out = m_dir.filePath(QStringLiteral("%1-%2-%3-%4%5")
                                           .arg(container, videoCodec, audioCodec, clip, format));
    const bool standard = clip == QLatin1String("2 s");
    const bool another = clip == QLatin1String("another encoder's");
    // A 720p clip is made smaller, so that the sweep stays quick.
    const ConversionSettings settings{format, container, videoCodec, "1024", another ? "0.25" : "1",
                                      audioCodec, "128", "2"};
    const QString source = m_clips.value(clip);
    const bool video = videoCodec != QLatin1String("none");
    std::unique_ptr<Player> player = m_engine.createPlayer();
    QSignalSpy ended(player.get(), &Player::ended);
    player->start(source, streamOutputOption(settings, out, {}, {!standard && !another, {}, m_engine.frameRate(source)}));
    QVERIFY(ended.wait(60000));
    player->finishedNormally(); // closes the output
    // The batch's own verdict: the engine's log, then the file itself.
    QString fault = player->logFault();
    if (fault.isEmpty())
        fault = m_engine.checkOutput(out, {source, container, video, true, player->readMilliseconds(),
                                           player->lengthMilliseconds()}).fault;
    player.reset();
    const media::Probe probe = media::probe(out, true);
    if (!standard && !another) {
        // Honest either way: counted only when ffmpeg decodes every track
        // asked for, failed only when it does not: from half a second on, counted.
        const bool sound = !clip.endsWith(QLatin1String("silent"));
        const bool whole = (video ? probe.videoFrames > 0 : probe.videoStreams == 0)
                           && (!sound || probe.audioFrames > 0) && probe.videoFrames + probe.audioFrames > 0;
        QVERIFY2(fault.isEmpty() == whole && (whole || clip.startsWith(QLatin1String("1 frame")) || !(video || sound)),
                 qPrintable(QStringLiteral("%1 (video %2, audio %3)")
                                .arg(fault.isEmpty() ? QStringLiteral("counted") : fault)
                                .arg(probe.videoFrames)
                                .arg(probe.audioFrames)));
        return;
    }
    // Every shipped choice converts a plain clip, and one another encoder made.
    QCOMPARE(fault, QString());
    QVERIFY2(probe.ok, qPrintable(probe.error));
    const QString expectedFormat = container == QLatin1String("raw")
                                       ? kProbeNames.value(audioCodec).constFirst()
                                       : kProbeFormats.value(container, container);
    QVERIFY2(probe.formatName.split(QLatin1Char(',')).contains(expectedFormat),
             qPrintable(probe.formatName));
    if (videoCodec == QLatin1String("none")) {
        QCOMPARE(probe.videoStreams, 0);
    } else {
        QCOMPARE(probe.videoStreams, 1);
        QVERIFY2(kProbeNames.value(videoCodec).contains(probe.videoCodec),
                 qPrintable(probe.videoCodec));
        QCOMPARE(probe.width, 320);
        QCOMPARE(probe.height, another ? 180 : 240);
    }
    QCOMPARE(probe.audioStreams, 1);
    QVERIFY2(kProbeNames.value(audioCodec).contains(probe.audioCodec),
             qPrintable(probe.audioCodec));
    QCOMPARE(probe.channels, 2);
    QVERIFY2(qAbs(probe.duration - (another ? 5.3 : kClipSeconds)) < 0.5,
             qPrintable(QString::number(probe.duration)));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
