// The libvlc player against the real engine: clips made by ffmpeg, outputs
// read back with ffprobe.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "convert/outputnaming.h"
#include "convert/vlcengine.h"
#include "convert/vlcplayer.h"
#include "support/media.h"
#include "support/skip.h"

namespace {

constexpr int kEndTimeoutMs = 60000;

ConversionSettings mp4Settings(const QString &scale = QStringLiteral("1"))
{
    return {QStringLiteral(".mp4"), QStringLiteral("mp4"),  QStringLiteral("h264"),
            QStringLiteral("1024"), scale,                  QStringLiteral("mp4a"),
            QStringLiteral("128"),  QStringLiteral("2")};
}

void start(Player &player, const QString &input, const QString &output,
           const ConversionSettings &settings = mp4Settings())
{
    player.start(input, streamOutputOption(settings, output));
}

// Reads Time then Position, as the progress poll does, and remembers what it saw.
struct Watch
{
    Player &player;
    bool anyPositive = false;
    float lastPosition = -1.0f;

    bool ended()
    {
        const int t = player.time();
        const float p = player.position();
        if (p > 0 || t > 0)
            anyPositive = true;
        if (p >= 0)
            lastPosition = p;
        return p < 0 && t < 0;
    }
    bool progressed()
    {
        const int t = player.time();
        const float p = player.position();
        return p > 0 && t > 0;
    }
};

// The process's working folder for the life of the object.
class CurrentDir
{
public:
    explicit CurrentDir(const QString &path) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~CurrentDir() { QDir::setCurrent(m_previous); }
    CurrentDir(const CurrentDir &) = delete;
    CurrentDir &operator=(const CurrentDir &) = delete;

private:
    QString m_previous;
};

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                               QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

} // namespace

class TestVlcPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void idleBeforeAnyItem();
    void engineMadeAtFirstConversionAndShared();
    void goodClipConverts();
    void fastClipCountsAsFinished_data();
    void fastClipCountsAsFinished();
    void refusedCodecDoesNotCount();
    void badInputEndsWithoutProgress_data();
    void badInputEndsWithoutProgress();
    void stopInTheMiddle();
    void destinationLandsExactly_data();
    void destinationLandsExactly();

private:
    VlcEngine m_engine;
    QTemporaryDir m_dir;
    QString m_clip3s;
    QString m_clip1s;
    QString m_clip10s;
    QString m_clip20s;
};

void TestVlcPlayer::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("ffmpeg and ffprobe are needed");
    QVERIFY(m_dir.isValid());
    m_clip3s = media::makeClip(m_dir.path(), QStringLiteral("clip3s"), {});
    media::ClipSpec tiny;
    tiny.seconds = 1.0;
    tiny.width = 160;
    tiny.height = 120;
    m_clip1s = media::makeClip(m_dir.path(), QStringLiteral("clip1s"), tiny);
    tiny.seconds = 10.0;
    m_clip10s = media::makeClip(m_dir.path(), QStringLiteral("clip10s"), tiny);
    media::ClipSpec longer;
    longer.seconds = 20.0;
    m_clip20s = media::makeClip(m_dir.path(), QStringLiteral("clip20s"), longer);
    QVERIFY(!m_clip3s.isEmpty() && !m_clip1s.isEmpty() && !m_clip10s.isEmpty() &&
            !m_clip20s.isEmpty());
}

void TestVlcPlayer::idleBeforeAnyItem()
{
    VlcPlayer player(nullptr);
    QCOMPARE(player.time(), -1);
    QCOMPARE(player.position(), -1.0f);
    QVERIFY(!player.finishedNormally());
    player.stop();
    QCOMPARE(player.time(), -1);
    QCOMPARE(player.position(), -1.0f);
    QVERIFY_THROWS_EXCEPTION(EngineError, player.start(m_clip1s, QString()));
}

void TestVlcPlayer::engineMadeAtFirstConversionAndShared()
{
    QCOMPARE(VlcEngine::instances(), 0);
    auto engine = std::make_unique<VlcEngine>();
    QCOMPARE(VlcEngine::instances(), 0);
    std::unique_ptr<Player> first = engine->createPlayer();
    std::unique_ptr<Player> second = engine->createPlayer();
    QCOMPARE(VlcEngine::instances(), 1);

    const QString missing = m_dir.filePath(QStringLiteral("missing.avi"));
    start(*first, missing, m_dir.filePath(QStringLiteral("missing-1.mp4")));
    start(*second, missing, m_dir.filePath(QStringLiteral("missing-2.mp4")));
    // Each item has one of its own, for a log of its own.
    QCOMPARE(VlcEngine::instances(), 3);

    // A player outliving the engine object keeps the instance it was made from.
    engine.reset();
    first.reset();
    QCOMPARE(VlcEngine::instances(), 2);
    QSignalSpy ended(second.get(), &Player::ended);
    QVERIFY(ended.wait(kEndTimeoutMs));
    second.reset();
    QCOMPARE(VlcEngine::instances(), 0);
}

void TestVlcPlayer::goodClipConverts()
{
    std::unique_ptr<Player> player = m_engine.createPlayer();
    const QString out = m_dir.filePath(QStringLiteral("good.mp4"));
    QSignalSpy ended(player.get(), &Player::ended);
    start(*player, m_clip3s, out);

    // The engine's own end event ends the item, once.
    QVERIFY(ended.wait(kEndTimeoutMs));
    QVERIFY(player->finishedNormally());

    // Reported as ended means the output is complete: nothing else was called.
    const media::Probe probe = media::probe(out);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.formatName.contains(QLatin1String("mp4")));
    QCOMPARE(probe.videoCodec, QStringLiteral("h264"));
    QCOMPARE(probe.audioCodec, QStringLiteral("aac"));
    QCOMPARE(probe.width, 320);
    QCOMPARE(probe.height, 240);
    QCOMPARE(probe.channels, 2);
    QVERIFY2(qAbs(probe.duration - 3.0) < 0.5, qPrintable(QString::number(probe.duration)));

    // The end stays the end.
    QCOMPARE(player->time(), -1);
    QCOMPARE(player->position(), -1.0f);
    player->stop();
    QCOMPARE(player->time(), -1);
    QCoreApplication::processEvents();
    QCOMPARE(ended.size(), 1);
}

void TestVlcPlayer::fastClipCountsAsFinished_data()
{
    QTest::addColumn<int>("seconds");
    // Through before the engine's first position report.
    QTest::newRow("1 s") << 1;
    // The last position the engine reports stays well below 1.0.
    QTest::newRow("10 s") << 10;
}

void TestVlcPlayer::fastClipCountsAsFinished()
{
    QFETCH(int, seconds);
    const std::unique_ptr<Player> owned = m_engine.createPlayer();
    Player &player = *owned;
    const QString out = m_dir.filePath(QStringLiteral("fast%1.mp4").arg(seconds));
    start(player, seconds == 1 ? m_clip1s : m_clip10s, out);
    Watch watch{player};
    QTRY_VERIFY_WITH_TIMEOUT(watch.ended(), kEndTimeoutMs);
    QVERIFY(player.finishedNormally());
    qInfo("last position read before the end: %.3f", double(watch.lastPosition));

    const media::Probe probe = media::probe(out);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY2(qAbs(probe.duration - seconds) < 0.5, qPrintable(QString::number(probe.duration)));
}

void TestVlcPlayer::refusedCodecDoesNotCount()
{
    // The webm muxer takes no H.264: the item plays to its end into an empty file.
    const std::unique_ptr<Player> owned = m_engine.createPlayer();
    Player &player = *owned;
    const QString out = m_dir.filePath(QStringLiteral("refused.webm"));
    const ConversionSettings webmH264{QStringLiteral(".webm"), QStringLiteral("webm"),
                                      QStringLiteral("h264"),  QStringLiteral("1024"),
                                      QStringLiteral("1"),     QStringLiteral("vorb"),
                                      QStringLiteral("128"),   QStringLiteral("2")};
    start(player, m_clip3s, out, webmH264);
    Watch watch{player};
    QTRY_VERIFY_WITH_TIMEOUT(watch.ended(), kEndTimeoutMs);
    QCOMPARE(QFileInfo(out).size(), 0);
    // The item reads as through; the check of the file itself says otherwise.
    QVERIFY(!m_engine.checkOutput(out, {m_clip3s, QStringLiteral("webm"), true, true, 0}).fault.isEmpty());
}

void TestVlcPlayer::badInputEndsWithoutProgress_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("text file named .avi") << QStringLiteral("text");
    QTest::newRow("zero bytes") << QStringLiteral("empty");
    QTest::newRow("random bytes") << QStringLiteral("random");
    QTest::newRow("missing path") << QStringLiteral("missing");
    QTest::newRow("directory") << QStringLiteral("directory");
}

void TestVlcPlayer::badInputEndsWithoutProgress()
{
    QFETCH(QString, kind);
    const QString input = m_dir.filePath(QStringLiteral("bad-%1.avi").arg(kind));
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(input));
        QFile::copy(m_clip1s, input + QStringLiteral("/inside.avi"));
    } else if (kind != QLatin1String("missing")) {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("text"))
            file.write(QByteArray("This is a plain text file, not a video.\n").repeated(200));
        else if (kind == QLatin1String("random"))
            for (int i = 0; i < 64 * 1024; ++i)
                file.putChar(char((i * 7919 + 13) % 251));
    }

    const std::unique_ptr<Player> owned = m_engine.createPlayer();
    Player &player = *owned;
    start(player, input, m_dir.filePath(QStringLiteral("bad-%1.mp4").arg(kind)));
    Watch watch{player};
    QTRY_VERIFY_WITH_TIMEOUT(watch.ended(), kEndTimeoutMs);
    QVERIFY(!watch.anyPositive);
    QVERIFY(!player.finishedNormally());
}

void TestVlcPlayer::stopInTheMiddle()
{
    // Scaled up four times the clip converts several times slower than it plays.
    const std::unique_ptr<Player> owned = m_engine.createPlayer();
    Player &player = *owned;
    const QString out = m_dir.filePath(QStringLiteral("stopped.mp4"));
    start(player, m_clip20s, out, mp4Settings(QStringLiteral("4")));
    Watch watch{player};
    QTRY_VERIFY_WITH_TIMEOUT(watch.progressed(), kEndTimeoutMs);
    // What the engine has read so far is known while it works.
    QVERIFY(player.readMilliseconds() > 0);

    QSignalSpy ended(&player, &Player::ended);
    player.stop();
    QCOMPARE(player.time(), -1);
    QCOMPARE(player.position(), -1.0f);
    QVERIFY(!player.finishedNormally());
    // Stopping is ours to know: it is no end of the engine's.
    QCoreApplication::processEvents();
    QCOMPARE(ended.size(), 0);

    // What was written up to the stop is a valid, shorter file.
    const media::Probe probe = media::probe(out);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.width, 1280);
    QVERIFY2(probe.duration > 0.0 && probe.duration < 19.0,
             qPrintable(QString::number(probe.duration)));
}

void TestVlcPlayer::destinationLandsExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("injected destination")
        << QStringLiteral("x\"}:std{access=file,mux=ts,dst=\"pwned");
    QTest::newRow("injected with single quotes")
        << QStringLiteral("x'}:std{access=file,mux=ts,dst='pwned");
    QTest::newRow("spaces") << QStringLiteral("a name  with spaces ");
    QTest::newRow("quotes") << QStringLiteral("it's \"quoted\"");
    QTest::newRow("backslashes") << QStringLiteral("back\\slash\\\\end\\");
    QTest::newRow("braces and colons") << QStringLiteral("{dst=x}:sout=#std{}");
    QTest::newRow("commas, percent, equals, hash")
        << QStringLiteral("a,b%20c%s%1=d#e,url=\"f");
    QTest::newRow("tab and newline") << QStringLiteral("tab\there\nnewline");
    QTest::newRow("non-ASCII") << QStringLiteral("vidéo – 日本語 ñ");
}

void TestVlcPlayer::destinationLandsExactly()
{
    QFETCH(QString, name);
    QTemporaryDir folder(m_dir.filePath(QStringLiteral("case-XXXXXX")));
    QTemporaryDir workingDir(m_dir.filePath(QStringLiteral("cwd-XXXXXX")));
    QVERIFY(folder.isValid() && workingDir.isValid());
    const QString input = folder.filePath(name + QStringLiteral(".avi"));
    QVERIFY(QFile::copy(m_clip1s, input));
    const QString out = outputFileName(input, true, QString(), QStringLiteral(".mp4"));
    QCOMPARE(out, folder.filePath(name + QStringLiteral(".mp4")));

    // A relative destination smuggled into the option would land here.
    const CurrentDir current(workingDir.path());
    const std::unique_ptr<Player> owned = m_engine.createPlayer();
    Player &player = *owned;
    start(player, input, out);
    Watch watch{player};
    QTRY_VERIFY_WITH_TIMEOUT(watch.ended(), kEndTimeoutMs);

    QVERIFY(player.finishedNormally());
    QCOMPARE(entries(folder.path()),
             QStringList({name + QStringLiteral(".avi"), name + QStringLiteral(".mp4")}));
    QCOMPARE(entries(workingDir.path()), QStringList());
    const media::Probe probe = media::probe(out);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.videoCodec, QStringLiteral("h264"));
    QCOMPARE(probe.audioCodec, QStringLiteral("aac"));
}

QTEST_GUILESS_MAIN(TestVlcPlayer)
#include "tst_vlcplayer.moc"
