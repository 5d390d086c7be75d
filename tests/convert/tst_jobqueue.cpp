// The queue of files: each file once, however its path is spelled, and the
// plan of every output before Convert.

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "convert/outputplanner.h"
#include "convert/worker.h"
#include "support/files.h"

class TestJobQueue : public QObject
{
    Q_OBJECT

private slots:
    void eachFileOnce_data();
    void eachFileOnce();
    void plan_data();
    void plan();
};

void TestJobQueue::eachFileOnce_data()
{
    QTest::addColumn<QStringList>("added"); // relative to a folder holding a.avi, A.avi, sub/
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("the same path twice") << QStringList{"a.avi", "a.avi"} << "" << QStringList{"a.avi"};
    QTest::newRow("letter case counts") << QStringList{"a.avi", "A.avi"} << ""
                                        << QStringList{"a.avi", "A.avi"};
    QTest::newRow("the folder through a link") << QStringList{"a.avi", "link/a.avi"} << ""
                                               << QStringList{"a.avi"};
    QTest::newRow("dots in the path") << QStringList{"sub/../a.avi", "./a.avi"} << ""
                                      << QStringList{"sub/../a.avi"};
    QTest::newRow("an empty path") << QStringList{""} << "" << QStringList();
    QTest::newRow("after it was removed") << QStringList{"a.avi", "A.avi"} << "remove first"
                                          << QStringList{"A.avi", "a.avi"};
    QTest::newRow("after it was moved") << QStringList{"a.avi", "A.avi"} << "move first down"
                                        << QStringList{"A.avi", "a.avi"};
}

void TestJobQueue::eachFileOnce()
{
    QFETCH(QStringList, added);
    QFETCH(QString, action);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("a.avi"), "a") && writeFile(dir.filePath("A.avi"), "A"));
    QVERIFY(QDir(dir.path()).mkdir("sub") && QFile::link(dir.path(), dir.filePath("link")));
    const auto path = [&dir](const QString &name) {
        return name.isEmpty() ? name : dir.path() + QLatin1Char('/') + name;
    };
    JobQueue queue;
    FileIdentifier files;
    for (const QString &name : added)
        queue.append({{path(name), files.identify(path(name))}});
    if (action == QLatin1String("remove first"))
        queue.remove({queue.at(0).id});
    if (action == QLatin1String("move first down"))
        queue.move(0, 1);
    queue.append({{path(added.value(0)), files.identify(path(added.value(0)))}});

    QStringList listed;
    for (int row = 0; row < queue.size(); ++row)
        listed << queue.at(row).path.mid(dir.path().size() + 1);
    QTEST(listed, "listed");
    QCOMPARE(queue.count(JobQueue::State::None), queue.size());
}

void TestJobQueue::plan_data()
{
    QTest::addColumn<QString>("onExisting");
    QTest::addColumn<QStringList>("planned"); // for a.avi, a.mov, b.mp4, c.avi; "kind name"

    QTest::newRow("ask") << "ask"
                         << QStringList{"0 a.mp4", "3 a (2).mp4", "3 b (2).mp4", "2 c.mp4"};
    QTest::newRow("keep both") << "keepboth"
                               << QStringList{"0 a.mp4", "3 a (2).mp4", "3 b (2).mp4", "3 c (2).mp4"};
    QTest::newRow("skip") << "skip"
                          << QStringList{"0 a.mp4", "3 a (2).mp4", "3 b (2).mp4", "4 c.mp4"};
    QTest::newRow("overwrite") << "overwrite"
                               << QStringList{"0 a.mp4", "3 a (2).mp4", "3 b (2).mp4", "1 c.mp4"};
}

// Names planned for files before are taken, and so are the sources; the
// user's own c.mp4 is dealt with as the rule says. Planned on the worker.
void TestJobQueue::plan()
{
    QFETCH(QString, onExisting);
    QFETCH(QStringList, planned);
    QTemporaryDir dir;
    for (const char *name : {"a.avi", "a.mov", "b.mp4", "c.avi", "c.mp4"})
        QVERIFY(writeFile(dir.filePath(name), name));
    FileSettings settings;
    settings.conversion.format = QStringLiteral(".mp4");
    settings.onExisting = *existingOutputFromName(onExisting);
    Worker worker;
    JobQueue queue;
    OutputPlanner planner(queue, worker, [&] { return settings; }, [] { return QSet<FileIdentity>(); });
    QSignalSpy done(&planner, &OutputPlanner::planned);
    FileIdentifier files;
    for (const char *name : {"a.avi", "a.mov", "b.mp4", "c.avi"})
        queue.append({{dir.filePath(name), files.identify(dir.filePath(name))}});
    QVERIFY(done.wait());

    QStringList got;
    for (int row = 0; row < queue.size(); ++row)
        got << QStringLiteral("%1 %2").arg(queue.at(row).plan).arg(
                   QFileInfo(queue.at(row).planned).fileName());
    QCOMPARE(got, planned);
}

QTEST_GUILESS_MAIN(TestJobQueue)
#include "tst_jobqueue.moc"
