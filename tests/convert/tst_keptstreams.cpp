// What the real engine writes when a track is left out or the date is kept:
// every container of the shipped catalogue, checked with ffprobe.

#include <QDateTime>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/batchrig.h"
#include "convert/vlcengine.h"
#include "support/media.h"
#include "support/skip.h"

namespace {

struct Answers final : BatchQuestions
{
    FileSettings settings;
    bool bothTracksChecked() override { return true; }
    bool mayOverwrite(const QString &) override { return true; }
    std::optional<QString> otherOutputName(const QString &, const QString &, bool) override
    {
        return std::nullopt;
    }
};

} // namespace

class TestKeptStreams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keptTracks_data();
    void keptTracks();
    void sourceDate_data();
    void sourceDate();

private:
    // Converts m_clip with the settings; the output, or empty when it failed.
    QString convert(const FileSettings &settings);

    QTemporaryDir m_dir;
    QTemporaryDir m_out;
    QString m_clip;
    VlcEngine m_engine;
};

void TestKeptStreams::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("needs ffmpeg and ffprobe");
    m_clip = media::makeClip(m_dir.path(), QStringLiteral("clip"), {});
    QVERIFY(!m_clip.isEmpty());
}

QString TestKeptStreams::convert(const FileSettings &settings)
{
    Answers answers;
    answers.settings = settings;
    BatchRig rig(m_engine, answers, answers.settings);
    Batch &batch = rig.batch;
    QSignalSpy completed(&batch, &Batch::completed);
    if (!rig.start({m_clip}))
        return {};
    if (!completed.wait(60000) || rig.file(0).state != JobQueue::State::Converted) {
        qWarning("not converted: %s", qPrintable(rig.file(0).reason));
        return {};
    }
    return rig.file(0).output;
}

void TestKeptStreams::keptTracks_data()
{
    QTest::addColumn<QString>("catalogueEntry"); // format container video audio
    QTest::addColumn<bool>("video");
    for (const char *entry : {".mp4 mp4 h264 mp4a", ".mkv mkv h264 opus", ".avi avi mp4v mp3",
                              ".mov mov h264 mp4a", ".webm webm VP80 vorb", ".flv flv h264 mp4a",
                              ".3gp 3gp h264 mp4a", ".ts ts h264 mpga", ".ogv ogg theo vorb",
                              ".mpg ps mp2v mpga"}) {
        QTest::addRow("%s video only", entry) << entry << true;
        QTest::addRow("%s audio only", entry) << entry << false;
    }
    QTest::newRow("raw audio only") << ".mp3 raw none mp3" << false;
}

void TestKeptStreams::keptTracks()
{
    QFETCH(QString, catalogueEntry);
    QFETCH(bool, video);
    const QStringList e = catalogueEntry.split(QLatin1Char(' '));
    FileSettings settings;
    settings.conversion = {e[0], e[1], e[2], "512", "1", e[3], "96", "2"};
    settings.sameDirectory = false;
    settings.outputFolder = m_out.path();
    settings.tracks = {video, !video};
    const QString output = convert(settings);
    QVERIFY2(!output.isEmpty(), "the file was not converted");
    const media::Probe probe = media::probe(output);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.videoStreams > 0, video);
    QCOMPARE(probe.audioStreams > 0, !video);
}

void TestKeptStreams::sourceDate_data()
{
    QTest::addColumn<bool>("keepDates");
    QTest::newRow("kept") << true;
    QTest::newRow("not kept") << false;
}

void TestKeptStreams::sourceDate()
{
    QFETCH(bool, keepDates);
    const QDateTime past = QDateTime::fromString(QStringLiteral("2011-04-05T06:07:08.250Z"),
                                                 Qt::ISODateWithMs);
    {
        QFile source(m_clip);
        QVERIFY(source.open(QIODevice::ReadWrite));
        QVERIFY(source.setFileTime(past, QFileDevice::FileModificationTime));
    }
    FileSettings settings;
    settings.conversion = {".mp4", "mp4", "h264", "512", "1", "mp4a", "96", "2"};
    settings.keepDates = keepDates;
    const QString output = convert(settings);
    QVERIFY(!output.isEmpty());
    const QDateTime modified = QFileInfo(output).lastModified();
    QCOMPARE(modified == past, keepDates);
}

QTEST_GUILESS_MAIN(TestKeptStreams)
#include "tst_keptstreams.moc"
