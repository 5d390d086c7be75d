// A batch left to run by itself: the stored choices for existing outputs,
// failures, stalls and jobs, through the movie's commands with a scripted
// engine.

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "settings/userpreferences.h"
#include "support/files.h"
#include "support/hostfixture.h"

namespace {

} // namespace

class TestUnattended : public QObject
{
    Q_OBJECT

private slots:
    void choicesAreCheckedKeptAndShownAtStart_data();
    void choicesAreCheckedKeptAndShownAtStart();
    void existingOutput_data();
    void existingOutput();
    void chosenJobsRunAtOnce();
    void keepBothAndNoteFailureRunToTheEndWithOnlyTheCompletion();
    void stopAfterThisFileEndsWithTheFileInHand();
    void summaryAtTheEndAndRetryOfTheFailed();
    void glanceWhileRunning();
    void fileAreaPlacesTheList_data();
    void fileAreaPlacesTheList();
};

void TestUnattended::choicesAreCheckedKeptAndShownAtStart_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("bad");
    QTest::newRow("existing") << "ID-FS-onExisting" << "_root.onExisting" << "ask" << "keepboth"
                              << "Overwrite";
    QTest::newRow("failure") << "ID-FS-onFailure" << "_root.onFailure" << "tell" << "note" << "";
    QTest::newRow("stall") << "ID-FS-stall" << "_root.stall" << "0" << "300" << "-1";
    QTest::newRow("stall text") << "ID-FS-stall" << "_root.stall" << "0" << "60" << "60s";
    QTest::newRow("jobs") << "ID-FS-jobs" << "_root.jobs" << "auto" << "3" << "9";
    QTest::newRow("jobs zero") << "ID-FS-jobs" << "_root.jobs" << "auto" << "2" << "0";
}

void TestUnattended::choicesAreCheckedKeptAndShownAtStart()
{
    QFETCH(QString, command);
    QFETCH(QString, variable);
    QFETCH(QString, fallback);
    QFETCH(QString, good);
    QFETCH(QString, bad);

    HostFixture fx;
    fx.start();
    QVERIFY(fx.log().contains(variable + '=' + fallback));
    fx.send(command, good);
    fx.clearLog();
    fx.send(command, bad);
    // Refused: the movie is told the choice still in force.
    QVERIFY2(fx.log().contains(variable + '=' + good), qPrintable(fx.log().join('\n')));

    // Remembered for the next run.
    HostFixture next;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(fx.file(".config")));
    MainWindow &again = next.create();
    again.initialise();
    QVERIFY2(next.log().contains(variable + '=' + good), qPrintable(next.log().join('\n')));
}

void TestUnattended::existingOutput_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("written");    // the output the job writes, "" for none
    QTest::addColumn<JobQueue::State>("state");
    QTest::newRow("overwrite") << "overwrite" << 0 << "clip.mp4" << JobQueue::State::Converted;
    QTest::newRow("keep both") << "keepboth" << 0 << "clip (3).mp4" << JobQueue::State::Converted;
    QTest::newRow("skip") << "skip" << 0 << "" << JobQueue::State::Skipped;
    QTest::newRow("ask") << "ask" << 1 << "clip.mp4" << JobQueue::State::Converted;
}

void TestUnattended::existingOutput()
{
    QFETCH(QString, choice);
    QFETCH(int, boxes);
    QFETCH(QString, written);
    QFETCH(JobQueue::State, state);

    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-onExisting"), choice);
    QVERIFY(writeFile(fx.file("clip.mp4"), "old"));
    QVERIFY(writeFile(fx.file("clip (2).mp4"), "old too"));
    fx.addFiles(fx.sources({QStringLiteral("clip.avi")}));
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.desktop.boxAnswers = {Desktop::IdYes, Desktop::IdOk};
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();

    QCOMPARE(fx.desktop.saveRequests.size(), 0);
    const JobQueue::Entry result = filesOf(fx.dlg()).value(0);
    QCOMPARE(result.state, state);
    if (!written.isEmpty())
        QCOMPARE(result.output, fx.file(written));
    // The completion box, when a file was converted, and the question when asked.
    QCOMPARE(fx.desktop.boxes.size(), boxes + (state == JobQueue::State::Converted ? 1 : 0));
}

void TestUnattended::chosenJobsRunAtOnce()
{
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("2"));
    QCOMPARE(fx.dlg().batch().maxJobs(), 2);
    fx.addFiles(fx.sources({QStringLiteral("a.avi"), QStringLiteral("b.avi"),
                            QStringLiteral("c.avi")}));
    fx.script->jobs.assign(3, PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QCOMPARE(fx.dlg().batch().jobsInHand(), 2);
    fx.runBatch();
}

void TestUnattended::keepBothAndNoteFailureRunToTheEndWithOnlyTheCompletion()
{
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-onExisting"), QStringLiteral("keepboth"));
    fx.send(QStringLiteral("ID-FS-onFailure"), QStringLiteral("note"));
    fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    QVERIFY(writeFile(fx.file("a.mp4"), "old"));
    fx.addFiles(fx.sources({QStringLiteral("a.avi"), QStringLiteral("bad.avi"),
                               QStringLiteral("c.avi")}));
    fx.script->perFile.insert(QStringLiteral("bad.avi"), PlayerScript::failing());
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();

    QVERIFY(!fx.dlg().batch().isRunning());
    QCOMPARE(fx.desktop.boxTexts(),
             QStringList{QStringLiteral("Conversion Complete, Total Converted files:2")});
    const QList<JobQueue::Entry> &results = filesOf(fx.dlg());
    QCOMPARE(results.value(0).output, fx.file("a (2).mp4"));
    QCOMPARE(results.value(1).state, JobQueue::State::Failed);
    QCOMPARE(results.value(2).state, JobQueue::State::Converted);

    // The list keeps each file's state, and the reason of the failure.
    FileList &list = *fx.dlg().fileList();
    QCOMPARE(list.queue().at(0).state, JobQueue::State::Converted);
    QCOMPARE(list.queue().at(1).state, JobQueue::State::Failed);
    QVERIFY(list.tipFor(1).endsWith(results.value(1).reason));
    QVERIFY(!results.value(1).reason.isEmpty());

    // Enter on a converted entry shows the output; with no file manager on
    // the bus, its folder opens.
    list.setCurrentIndex(list.model()->index(2, 0));
    QTest::keyClick(&list, Qt::Key_Return);
    list.setCurrentIndex(list.model()->index(1, 0)); // a failed entry has nothing to show
    QTest::keyClick(&list, Qt::Key_Return);
    QTRY_COMPARE(fx.desktop.opened, QStringList{fx.appDir().chopped(1)});
}

void TestUnattended::stopAfterThisFileEndsWithTheFileInHand()
{
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    const QStringList files = fx.sources({QStringLiteral("a.avi"), QStringLiteral("b.avi")});
    fx.addFiles(files);
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.send(QStringLiteral("IDC_FS_STOPAFTER")); // nothing runs: nothing to stop
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.send(QStringLiteral("IDC_FS_STOPAFTER"));
    // Added while the batch runs: joins the queue, and waits with it.
    fx.addFiles(fx.sources({QStringLiteral("c.avi")}));
    fx.runBatch();

    const QList<JobQueue::Entry> &results = filesOf(fx.dlg());
    QCOMPARE(results.size(), 3);
    QCOMPARE(results[0].state, JobQueue::State::Converted);
    // Not started: as before a batch took them, and counted in the summary.
    QCOMPARE(results[1].state, JobQueue::State::None);
    QCOMPARE(results[2].state, JobQueue::State::None);
    QVERIFY(fx.log().contains("_root.summary=Converted 1, failed 0, skipped 0, not started 2"));
    QCOMPARE(fx.desktop.boxes.size(), 1);
}

// Every file not converted, with its reason, behind the completion box;
// the folder to open; then the failed files again.
void TestUnattended::summaryAtTheEndAndRetryOfTheFailed()
{
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-onFailure"), QStringLiteral("note"));
    fx.send(QStringLiteral("ID-FS-onExisting"), QStringLiteral("skip"));
    const QStringList files = fx.sources({QStringLiteral("a.avi"), QStringLiteral("bad.avi"),
                                          QStringLiteral("kept.avi"), QStringLiteral("notes.avi")});
    QVERIFY(writeFile(files[3], "nothing but words"));
    QVERIFY(writeFile(fx.file(QStringLiteral("kept.mp4")), "there before"));
    fx.addFiles(files);
    fx.script->perFile.insert(QStringLiteral("bad.avi"), PlayerScript::failing());
    fx.script->perFile.insert(QStringLiteral("notes.avi"), PlayerScript::failing());
    fx.script->jobs = {PlayerScript::converting()};
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();

    const QList<JobQueue::Entry> results = filesOf(fx.dlg());
    QCOMPARE(results[3].reason, QStringLiteral("the file is not a video"));
    QVERIFY(!results[1].reason.isEmpty() && results[1].reason != results[3].reason);
    const QStringList log = fx.log();
    const QString summary = "_root.summary=Converted 1, failed 2, skipped 1\nbad.avi — failed: " +
                            results[1].reason + "\nkept.avi — skipped: " + results[2].reason +
                            "\nnotes.avi — failed: the file is not a video";
    QCOMPARE(log.filter(QStringLiteral("_root.summary=")).last(), summary);
    QCOMPARE(log.filter(QStringLiteral("_root.failedCount=")).last(),
             QStringLiteral("_root.failedCount=2"));
    // Behind the completion box: after its text, before the controls' reset.
    const qsizetype box = log.indexOf(QStringLiteral("_root.progressValue=100"));
    QVERIFY(box >= 0 && box < log.indexOf(summary) &&
            log.indexOf(summary) < log.lastIndexOf(QStringLiteral("_root.hideProgress=true")));
    QVERIFY(log.indexOf(QStringLiteral("_root.batchOver=true")) > box);
    QCOMPARE(log.filter(QStringLiteral("_root.openFolder=")).last(),
             "_root.openFolder=" + fx.appDir().chopped(1));
    fx.send(QStringLiteral("IDC_FS_OPENFOLDER"));
    QCOMPARE(fx.desktop.opened.value(0), fx.appDir().chopped(1));

    // Only the failed files again; the others keep their state.
    fx.script->perFile.clear();
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    const int calls = int(fx.script->calls.size());
    fx.send(QStringLiteral("IDC_FS_RETRYFAILED"));
    fx.runBatch();
    QCOMPARE(fx.script->calls.size(), calls + 2);
    QCOMPARE(fx.script->calls[calls].uri, files[1]);
    QCOMPARE(fx.dlg().fileList()->queue().at(0).state, JobQueue::State::Converted);
    QCOMPARE(fx.dlg().fileList()->queue().at(2).state, JobQueue::State::Skipped);
    QCOMPARE(fx.log().filter(QStringLiteral("_root.failedCount=")).last(),
             QStringLiteral("_root.failedCount=0"));
    // Of the whole list; a file removed leaves it.
    fx.dlg().fileList()->queue().remove({results[2].id});
    QTRY_COMPARE(fx.log().filter(QStringLiteral("_root.summary=")).last(),
                 QStringLiteral("_root.summary=Converted 3, failed 0, skipped 0"));
    // Nothing failed now: nothing to retry.
    fx.send(QStringLiteral("IDC_FS_RETRYFAILED"));
    QVERIFY(!fx.dlg().batch().isRunning());
}

void TestUnattended::glanceWhileRunning()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi"), QStringLiteral("b.avi")}));
    PlayerScript::Job slow{{{0.5f, 1}, {0.5f, 2}, {-1.0f, -1}}, true, false, true, {}};
    fx.script->jobs = {PlayerScript::converting(), slow};
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();
    const QStringList log = fx.log();
    QVERIFY(log.contains(QStringLiteral("_root.batchProgress=0")));
    QVERIFY(log.contains(QStringLiteral("_root.batchProgress=50")));
    QVERIFY(log.contains(QStringLiteral("_root.batchProgress=75")));
    QVERIFY(log.contains(QRegularExpression(QStringLiteral("^_root.batchStatus=1 of 2 files · 0:0\\d elapsed"))));
    // Written once per change, not at every poll.
    QCOMPARE(log.count(QStringLiteral("_root.batchProgress=75")), 1);
    // The title follows, for the task switcher, and is the program's own after.
    QVERIFY(log.contains(QStringLiteral("_root.windowTitle=75 % · Tarnwick")));
    QCOMPARE(log.filter(QStringLiteral("_root.windowTitle=")).last(),
             QStringLiteral("_root.windowTitle=Tarnwick"));
    QCOMPARE(fx.dlg().windowTitle(), QStringLiteral("Tarnwick"));
}

void TestUnattended::fileAreaPlacesTheList_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QRect>("place");
    const QRect designed(220, 70, 372, 130);
    QTest::newRow("no answer") << "" << designed;
    QTest::newRow("told") << "240, 80,500,300" << QRect(240, 80, 500, 300);
    QTest::newRow("three numbers") << "240,80,500" << designed;
    QTest::newRow("not numbers") << "a,b,c,d" << designed;
    QTest::newRow("outside the movie") << "600,80,500,300" << designed;
    QTest::newRow("too small") << "240,80,10,5" << designed;
}

// The movie says where its file area is; the list goes there after each resize.
void TestUnattended::fileAreaPlacesTheList()
{
    QFETCH(QString, answer);
    HostFixture fx;
    MainWindow &dlg = fx.start();
    QCOMPARE(dlg.minimumSize(), QSize(656, 538));
    QCOMPARE(dlg.fileList()->geometry(), QRect(220, 70, 372, 130));
    fx.answer(QStringLiteral("_root.fileArea"), answer);
    dlg.resize(900, 700);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTRY_COMPARE(dlg.movie()->size(), QSize(900, 698));
    QTEST(dlg.fileList()->geometry(), "place");
}

QTEST_MAIN(TestUnattended)
#include "tst_unattended.moc"
