// The batch at a glance: its progress weighted by the sources' durations,
// the time left and the summary at its end.

#include <QTest>

#include "convert/batchglance.h"

namespace {
using S = FileResult::State;
FileResult file(const QString &name, S state, int percent = 0, qint64 durationMs = 0,
                const QString &reason = {})
{
    return FileResult{QStringLiteral("/v/") + name, state, percent, durationMs, {}, reason};
}
} // namespace

class TestBatchGlance : public QObject
{
    Q_OBJECT

private slots:
    void progress_data();
    void progress();
    void secondsLeft_data();
    void secondsLeft();
    void summaryNamesEachFailure();
};

void TestBatchGlance::progress_data()
{
    QTest::addColumn<QList<FileResult>>("results");
    QTest::addColumn<int>("done");
    QTest::addColumn<double>("progress");
    QTest::newRow("empty") << QList<FileResult>{} << 0 << 0.0;
    QTest::newRow("durations unknown: by count")
        << QList<FileResult>{file("a", S::Converted), file("b", S::Converting, 50),
                             file("c", S::Waiting), file("d", S::Waiting)}
        << 1 << 0.375;
    QTest::newRow("a long file weighs more")
        << QList<FileResult>{file("a", S::Converted, 100, 1000), file("b", S::Waiting, 0, 3000)}
        << 1 << 0.25;
    QTest::newRow("unknown takes the mean of the known")
        << QList<FileResult>{file("a", S::Converted, 100, 1000), file("b", S::Waiting, 0, 3000),
                             file("c", S::Waiting)}
        << 1 << 1.0 / 6;
    QTest::newRow("failed and skipped are through")
        << QList<FileResult>{file("a", S::Failed), file("b", S::Skipped)} << 2 << 1.0;
    QTest::newRow("a percent past 100 counts as 100")
        << QList<FileResult>{file("a", S::Converting, 140), file("b", S::Waiting)} << 0 << 0.5;
}

void TestBatchGlance::progress()
{
    QFETCH(QList<FileResult>, results);
    const BatchGlance glance(results);
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

void TestBatchGlance::summaryNamesEachFailure()
{
    const BatchGlance glance({file("a.avi", S::Converted), file("b.avi", S::Failed, 0, 0, "no engine"),
                              file("c.avi", S::Skipped), file("d.avi", S::Failed, 0, 0, "stalled")});
    QCOMPARE(glance.summary(), QStringLiteral("Converted 1, failed 2, skipped 1\n"
                                              "b.avi: no engine\nd.avi: stalled"));
}

QTEST_MAIN(TestBatchGlance)
#include "tst_batchglance.moc"
