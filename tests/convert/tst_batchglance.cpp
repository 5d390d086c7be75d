// The batch at a glance: its progress weighted by the sources' durations,
// the time left and the summary at its end.

#include <QTest>

#include "convert/batchglance.h"

namespace {
using S = JobQueue::State;

struct File
{
    QString name;
    S state;
    int percent = 0;
    qint64 durationMs = 0;
    QString reason;
};

// The files as one batch took them, with the ids of those in hand.
QList<JobQueue::Id> fill(JobQueue &queue, const QList<File> &files)
{
    QList<JobQueue::File> listed;
    for (const File &f : files)
        listed.append({QStringLiteral("/v/") + f.name, {0, 0, f.name}});
    const QList<JobQueue::Id> ids = queue.append(listed);
    queue.startBatch(ids);
    QList<JobQueue::Id> inHand;
    for (int i = 0; i < files.size(); ++i) {
        queue.setDuration(ids[i], files[i].durationMs);
        queue.setState(ids[i], files[i].state, files[i].reason);
        queue.setProgress(ids[i], files[i].percent);
        if (files[i].state == S::Converting)
            inHand << ids[i];
    }
    return inHand;
}
} // namespace
Q_DECLARE_METATYPE(File)

class TestBatchGlance : public QObject
{
    Q_OBJECT

private slots:
    void progress_data();
    void progress();
    void secondsLeft_data();
    void secondsLeft();
    void summary_data();
    void summary();
};

void TestBatchGlance::progress_data()
{
    QTest::addColumn<QList<File>>("results");
    QTest::addColumn<int>("done");
    QTest::addColumn<double>("progress");
    QTest::newRow("empty") << QList<File>{} << 0 << 0.0;
    QTest::newRow("durations unknown: by count")
        << QList<File>{File{"a", S::Converted}, File{"b", S::Converting, 50},
                             File{"c", S::Waiting}, File{"d", S::Waiting}}
        << 1 << 0.375;
    QTest::newRow("a long file weighs more")
        << QList<File>{File{"a", S::Converted, 100, 1000}, File{"b", S::Waiting, 0, 3000}}
        << 1 << 0.25;
    QTest::newRow("unknown takes the mean of the known")
        << QList<File>{File{"a", S::Converted, 100, 1000}, File{"b", S::Waiting, 0, 3000},
                             File{"c", S::Waiting}}
        << 1 << 1.0 / 6;
    QTest::newRow("failed and skipped are through")
        << QList<File>{File{"a", S::Failed}, File{"b", S::Skipped}} << 2 << 1.0;
    QTest::newRow("a percent past 100 counts as 100")
        << QList<File>{File{"a", S::Converting, 140}, File{"b", S::Waiting}} << 0 << 0.5;
}

void TestBatchGlance::progress()
{
    QFETCH(QList<File>, results);
    JobQueue queue;
    const QList<JobQueue::Id> inHand = fill(queue, results);
    const BatchGlance glance(queue, inHand);
    QTEST(glance.done(), "done");
    QFETCH(double, progress);
    QVERIFY2(qAbs(glance.progress() - progress) < 1e-9, qPrintable(QString::number(glance.progress())));
}

void TestBatchGlance::secondsLeft_data()
{
    QTest::addColumn<double>("progress");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<qint64>("left");
    QTest::addColumn<QString>("clock");
    QTest::newRow("too early by progress") << 0.01 << qint64(60000) << qint64(-1) << "0:00";
    QTest::newRow("too early by time") << 0.5 << qint64(1000) << qint64(-1) << "0:00";
    QTest::newRow("a quarter in a minute") << 0.25 << qint64(60000) << qint64(180) << "3:00";
    QTest::newRow("hours") << 0.1 << qint64(450000) << qint64(4050) << "1:07:30";
    QTest::newRow("done") << 1.0 << qint64(5000) << qint64(0) << "0:00";
}

void TestBatchGlance::secondsLeft()
{
    QFETCH(double, progress);
    QFETCH(qint64, elapsedMs);
    QFETCH(qint64, left);
    QCOMPARE(BatchGlance::secondsLeft(progress, elapsedMs), left);
    QTEST(BatchGlance::clock(left), "clock");
}

void TestBatchGlance::summary_data()
{
    QTest::addColumn<QList<File>>("results");
    QTest::addColumn<QString>("summary");
    QTest::newRow("nothing through yet") << QList<File>{File{"a.avi", S::None}} << "";
    // The whole list, the files a stop left behind among them.
    QTest::newRow("each failed and skipped file")
        << QList<File>{File{"a.avi", S::Converted}, File{"b.avi", S::Failed, 0, 0, "no engine"},
                       File{"c.avi", S::Skipped, 0, 0, "exists"}, File{"d.avi", S::Failed},
                       File{"e.avi", S::None}}
        << "Converted 1, failed 2, skipped 1, not started 1\nb.avi — failed: no engine\n"
           "c.avi — skipped: exists\nd.avi — failed";
    QList<File> many{File{"s.avi", S::Skipped, 0, 0, "exists"}};
    QString named = QStringLiteral("Converted 0, failed 60, skipped 1\ns.avi — skipped: exists");
    for (int i = 0; i < 60; ++i) {
        many.append(File{QStringLiteral("%1.avi").arg(i), S::Failed, 0, 0, "stalled"});
        if (i < 49)
            named += QStringLiteral("\n%1.avi — failed: stalled").arg(i);
    }
    QTest::newRow("50 named, then how many more") << many << named + QStringLiteral("\n…and 11 more");
}

void TestBatchGlance::summary()
{
    QFETCH(QList<File>, results);
    JobQueue queue;
    fill(queue, results);
    QTEST(BatchGlance::summary(queue), "summary");
}

QTEST_MAIN(TestBatchGlance)
#include "tst_batchglance.moc"
