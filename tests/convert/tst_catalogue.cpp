// Every combination the shipped catalogue offers (format, container, video
// codec, audio codec) converted by the real engine and read back by ffprobe.

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
    QString m_clip;
    VlcEngine m_engine;
};

void TestCatalogue::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("ffmpeg and ffprobe are needed");
    QVERIFY(m_dir.isValid());
    media::ClipSpec spec;
    spec.seconds = kClipSeconds;
    m_clip = media::makeClip(m_dir.path(), QStringLiteral("source"), spec);
    QVERIFY(!m_clip.isEmpty());
}

void TestCatalogue::combinationConverts_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");

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
                        << format << container << video << audio;
                    ++rows;
                }
            }
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
    QVERIFY2(videoCodec == QLatin1String("none") || kProbeNames.contains(videoCodec),
             "no ffprobe name known for the video codec");
    QVERIFY2(kProbeNames.contains(audioCodec), "no ffprobe name known for the audio codec");

    const QString out = m_dir.filePath(QStringLiteral("%1-%2-%3%4")
                                           .arg(container, videoCodec, audioCodec, format));
    const ConversionSettings settings{format,     container,           videoCodec,
                                      QStringLiteral("1024"), QStringLiteral("1"), audioCodec,
                                      QStringLiteral("128"),  QStringLiteral("2")};
    std::unique_ptr<Player> player = m_engine.createPlayer();
    QSignalSpy ended(player.get(), &Player::ended);
    player->start(m_clip, streamOutputOption(settings, out));
    QVERIFY(ended.wait(60000));
    QVERIFY(player->finishedNormally());
    // The batch's own check of a finished file passes every shipped choice.
    QCOMPARE(m_engine.outputFault(out, {m_clip, container, videoCodec != QLatin1String("none"),
                                        true, player->readMilliseconds()}),
             QString());
    player.reset();

    const media::Probe probe = media::probe(out);
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
        QCOMPARE(probe.height, 240);
    }
    QCOMPARE(probe.audioStreams, 1);
    QVERIFY2(kProbeNames.value(audioCodec).contains(probe.audioCodec),
             qPrintable(probe.audioCodec));
    QCOMPARE(probe.channels, 2);
    QVERIFY2(qAbs(probe.duration - kClipSeconds) < 0.5, qPrintable(QString::number(probe.duration)));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
