// What Convert will do, said before it is pressed: the outputs' size from the
// bitrates and the sources' lengths, and the sources a quick look finds wrong.

#include <QTest>

#include "convert/batchplan.h"
#include "convert/jobqueue.h"
#include "convert/sourcelook.h"

namespace {
struct Source
{
    qint64 durationMs = 0;
    bool skipped = false;
    QString fault;
};
} // namespace
Q_DECLARE_METATYPE(Source)

class TestBatchPlan : public QObject
{
    Q_OBJECT

private slots:
    void estimate_data();
    void estimate();
    void aboutSize_data();
    void aboutSize();
    void sourceFault_data();
    void sourceFault();
};

void TestBatchPlan::estimate_data()
{
    QTest::addColumn<QList<Source>>("sources");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<qint64>("bytes");
    // 1024 + 128 kbit/s: 144,000 bytes a second.
    QTest::newRow("lengths known") << QList<Source>{{60000}, {120000}} << true << qint64(25920000);
    QTest::newRow("an unknown length counts as the mean")
        << QList<Source>{{60000}, {0}} << true << qint64(17280000);
    QTest::newRow("skipped and faulty sources write nothing")
        << QList<Source>{{60000}, {60000, true}, {60000, false, "the file is empty"}} << true
        << qint64(8640000);
    QTest::newRow("a dropped track counts nothing") << QList<Source>{{60000}} << false << qint64(7680000);
    QTest::newRow("no length known") << QList<Source>{{0}, {0}} << true << qint64(-1);
    QTest::newRow("nothing to write") << QList<Source>{{60000, true}} << true << qint64(0);
}

void TestBatchPlan::estimate()
{
    QFETCH(QList<Source>, sources);
    QFETCH(bool, audio);
    JobQueue queue;
    QList<JobQueue::File> files;
    for (int i = 0; i < sources.size(); ++i)
        files.append({QStringLiteral("/v/%1.avi").arg(i), {0, 0, QString::number(i)}});
    const QList<JobQueue::Id> ids = queue.append(files);
    for (int i = 0; i < sources.size(); ++i) {
        queue.setLooks({{ids[i], sources[i].durationMs, sources[i].fault}});
        if (sources[i].skipped)
            queue.setPlans({{ids[i], {OutputDecision::Kind::Skipped, {}, {}}, {}}});
    }
    FileSettings settings;
    settings.conversion.videoCodec = QStringLiteral("h264");
    settings.conversion.videoBitrate = QStringLiteral("1024");
    settings.conversion.audioCodec = QStringLiteral("mp4a");
    settings.conversion.audioBitrate = QStringLiteral("128");
    settings.tracks.audio = audio;
    QTEST(batchplan::estimatedBytes(queue, settings), "bytes");
}

void TestBatchPlan::aboutSize_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("words");
    QTest::newRow("small") << qint64(999999) << "under 1 MB";
    QTest::newRow("one decimal below ten") << qint64(4540000) << "about 4.5 MB";
    QTest::newRow("none above") << qint64(350400000) << "about 350 MB";
    QTest::newRow("a thousand MB is a GB") << qint64(999600000) << "about 1.0 GB";
    QTest::newRow("GB") << qint64(1234000000) << "about 1.2 GB";
    QTest::newRow("many GB") << qint64(12345000000) << "about 12 GB";
}

void TestBatchPlan::aboutSize()
{
    QFETCH(qint64, bytes);
    QTEST(batchplan::aboutSize(bytes), "words");
}

void TestBatchPlan::sourceFault_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("fault");
    const QString notVideo = QStringLiteral("the file is not a video");
    QTest::newRow("empty") << QByteArray() << qint64(0) << "the file is empty";
    QTest::newRow("text") << QByteArray("Shopping list\nmilk\n") << qint64(19) << notVideo;
    QTest::newRow("pdf") << QByteArray("%PDF-1.7\n") << qint64(9000) << notVideo;
    QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n") << qint64(9000) << notVideo;
    QTest::newRow("mp4") << QByteArray("\0\0\0\x20" "ftypisom", 12) << qint64(9000) << "";
    QTest::newRow("mkv") << QByteArray("\x1A\x45\xDF\xA3\x9F") << qint64(9000) << "";
    QByteArray ts(200, '\xFF');
    ts[0] = ts[188] = 0x47;
    QTest::newRow("transport stream") << ts << qint64(9000) << "";
    ts[188] = 0;
    QTest::newRow("one sync byte is no stream") << ts << qint64(9000) << notVideo;
    QTest::newRow("nothing read") << QByteArray() << qint64(9000) << "";
}

void TestBatchPlan::sourceFault()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, size);
    QTEST(sourcelook::faultOf(head, size), "fault");
}

QTEST_MAIN(TestBatchPlan)
#include "tst_batchplan.moc"
