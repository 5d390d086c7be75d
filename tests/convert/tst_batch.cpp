// The batch's decisions, held without a window: a scripted engine and
// scripted answers; and a job's commit while another party acts meanwhile.

#include <algorithm>
#include <deque>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "convert/batch.h"
#include "convert/jobcount.h"
#include "convert/jobfiles.h"
#include "convert/worker.h"
#include "support/files.h"
#include "support/scriptedplayer.h"
#include "support/skip.h"

Q_DECLARE_METATYPE(PlayerScript::Job)

namespace {

// sh -ec script in folder, as nobody or as this user.
bool runShell(const QString &folder, const QString &script, bool asNobody = false)
{
    QProcess shell;
    shell.setWorkingDirectory(folder);
    const QStringList nobody{"--reuid=65534", "--regid=65534", "--clear-groups"};
    shell.start("setpriv", (asNobody ? nobody : QStringList()) + QStringList{"sh", "-ec", script});
    return shell.waitForFinished() && shell.exitCode() == 0;
}

struct Answers final : BatchQuestions
{
    std::deque<bool> overwrite;
    std::deque<std::optional<QString>> names;
    QStringList asked;
    std::function<void()> whileAsking;
    int dialogs = 0;

    bool bothTracksChecked() override { return true; }
    bool mayOverwrite(const QString &output) override
    {
        asked << output;
        if (whileAsking)
            whileAsking();
        const bool yes = overwrite.empty() || overwrite.front();
        if (!overwrite.empty())
            overwrite.pop_front();
        return yes;
    }
    std::optional<QString> otherOutputName(const QString &, const QString &, bool) override
    {
        ++dialogs;
        if (names.empty())
            return std::nullopt;
        const auto name = names.front();
        names.pop_front();
        return name;
    }
};

struct Fixture
{
    QTemporaryDir dir;
    std::shared_ptr<PlayerScript> script = std::make_shared<PlayerScript>();
    ScriptedEngine engine{script};
    Answers answers;
    FileSettings settings;
    Worker worker;
    JobQueue queue;
    Batch batch{engine, queue, worker, [this] { return settings; }};
    QSignalSpy givenUp{&batch, &Batch::givenUp};
    QSignalSpy completed{&batch, &Batch::completed};

    Fixture()
    {
        settings.conversion = {".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
        batch.setQuestions(&answers);
    }
    QString file(const QString &name) const { return dir.filePath(name); }
    QStringList sources(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names) {
            writeFile(file(name), "source");
            paths << file(name);
        }
        return paths;
    }
    QList<JobQueue::Id> add(const QStringList &paths)
    {
        FileIdentifier files;
        QList<JobQueue::File> found;
        for (const QString &path : paths)
            found.append({path, files.identify(path)});
        return queue.append(found);
    }
    bool start(const QStringList &paths) { return batch.start(add(paths)); }
    JobQueue::State state(int row) const { return queue.at(row).state; }
    QString reason(int row) const { return queue.at(row).reason; }
    // Every poll is one tick of the progress timer; the engine's end events
    // and the worker's results arrive through the event loop.
    void runToEnd()
    {
        for (int i = 0; i < 500 && (batch.isRunning() || worker.pending() > 0); ++i) {
            batch.poll();
            QTest::qWait(worker.pending() > 0 ? 2 : 0);
        }
    }
    QStringList hiddenFiles() const
    {
        return QDir(dir.path()).entryList({QStringLiteral(".*")},
                                          QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void jobCountFollowsTheEncoder_data();
    void jobCountFollowsTheEncoder();
    void convertsThroughHiddenPartFile();
    void failedAttemptsRestartThenGiveUp_data();
    void failedAttemptsRestartThenGiveUp();
    void judgedByTheCheckedOutput();
    void existingOutputSurvivesFailedOverwrite();
    void sourceThatCannotBeReadFailsAtOnce_data();
    void sourceThatCannotBeReadFailsAtOnce();
    void stopKeepsPartialOutputUnlessItWouldReplaceAFile_data();
    void stopKeepsPartialOutputUnlessItWouldReplaceAFile();
    void removedFilesLeaveTheQueue();
    void addedFilesJoinTheQueue();
    void unusableSettingsRefuseTheBatch();
    void severalJobsGiveTheSameResults_data();
    void severalJobsGiveTheSameResults();
    void questionsAndReportsNeverNest();
    void outputsAreSettledBeforeTheyAreWritten_data();
    void outputsAreSettledBeforeTheyAreWritten();
    void stopAfterCurrentLetsTheJobsInHandFinish();
    void stalledJobIsGivenUp(); // on a clock of its own, not real minutes
    void sourceIsNeverItsOwnOutput_data();
    void sourceIsNeverItsOwnOutput();
    void commitLeavesOtherFilesAlone_data();
    void commitLeavesOtherFilesAlone();
};

void TestBatch::jobCountFollowsTheEncoder_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<int>("jobs");
    QTest::newRow("VP8, automatic") << "auto" << "VP80" << 1;
    QTest::newRow("VP9, automatic") << "auto" << "VP90" << 1;
    QTest::newRow("VP8, chosen") << "3" << "VP80" << 3;
    QTest::newRow("H.264, automatic") << "auto" << "h264" << std::clamp(QThread::idealThreadCount() + 1, 1, 4);
}

void TestBatch::jobCountFollowsTheEncoder()
{
    QFETCH(QString, choice);
    QFETCH(QString, videoCodec);
    QTEST(jobCountFor(choice, videoCodec), "jobs");
}

void TestBatch::convertsThroughHiddenPartFile()
{
    Fixture fx;
    // A killed copy's leftover (a work folder whose lock is free) goes; a running
    // copy's, another user's (root makes one) and what only looks like one stay.
    QVERIFY(runShell(fx.dir.path(), "mkdir .tarnwick-work-Killed .tarnwick-work-Others linked"
                                    " .tarnwick-work-Notes1; ln -s linked .tarnwick-work-Link01;"
                                    " touch .tarnwick-work-Killed/lock .tarnwick-work-Killed/part.mp4"
                                    " .tarnwick-work-Others/lock .tarnwick-work-Notes1/notes.txt"
                                    " linked/lock .tarnwick-work-File01 .notes.txt.31001.part.txt;"
                                    " chown -R nobody .tarnwick-work-Others || rm -r *Others"));
    const auto running = WorkFolder::create(fx.file(QStringLiteral("other.mp4")), nullptr);
    QStringList others = fx.hiddenFiles();
    QVERIFY(running && others.removeOne(QStringLiteral(".tarnwick-work-Killed")));

    fx.script->jobs.push_back(PlayerScript::converting());
    fx.start(fx.sources({"clip.avi"}));
    QTRY_COMPARE(fx.script->calls.size(), 1);

    // The engine writes in a folder of ours beside the output, never the
    // output's own name.
    const QString part = PlayerScript::destination(fx.script->calls.value(0).option);
    QVERIFY(QFileInfo(part).canonicalFilePath().startsWith(fx.file(".tarnwick-work-")));
    QVERIFY(!QFileInfo::exists(fx.file("clip.mp4")));

    fx.runToEnd();
    QCOMPARE(readFile(fx.file("clip.mp4")), QByteArray("partial output"));
    QCOMPARE(fx.script->checked, QStringList{part});
    QCOMPARE(fx.hiddenFiles(), others);
    QCOMPARE(fx.state(0), JobQueue::State::Converted);
    QCOMPARE(fx.queue.at(0).output, fx.file("clip.mp4"));
    QCOMPARE(fx.completed.size(), 1);
    QCOMPARE(fx.completed[0], (QVariantList{1, false}));
}

void TestBatch::failedAttemptsRestartThenGiveUp_data()
{
    QTest::addColumn<PlayerScript::Job>("job");
    QTest::addColumn<QString>("reason");

    QTest::newRow("the engine never got through")
        << PlayerScript::failingWithOutput() << "the engine could not convert it (tried 4 times)";
    PlayerScript::Job cut = PlayerScript::converting();
    cut.fault = QStringLiteral("the converted file was not finished");
    QTest::newRow("the finished file fails its check") << cut << "the converted file was not finished (tried 4 times)";
}

void TestBatch::failedAttemptsRestartThenGiveUp()
{
    QFETCH(PlayerScript::Job, job);
    QFETCH(QString, reason);

    Fixture fx;
    const QStringList files = fx.sources({"bad.avi", "good.avi"});
    for (int i = 0; i <= Batch::kRestarts; ++i)
        fx.script->jobs.push_back(job);
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.start(files);
    fx.runToEnd();

    QCOMPARE(fx.script->calls.size(), 5);
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.givenUp[0][0].toString(), files[0]);
    QCOMPARE(fx.state(0), JobQueue::State::Failed);
    QCOMPARE(fx.reason(0), reason);
    QVERIFY(!QFileInfo::exists(fx.file("bad.mp4")));
    QVERIFY(QFileInfo::exists(fx.file("good.mp4")));
    QCOMPARE(fx.hiddenFiles(), QStringList());
    QCOMPARE(fx.completed[0], (QVariantList{1, false}));
}

// The engine may report an error after writing a whole file (one frame):
// the file is what counts.
void TestBatch::judgedByTheCheckedOutput()
{
    Fixture fx;
    PlayerScript::Job job = PlayerScript::failingWithOutput();
    job.wholeOutput = true;
    fx.script->jobs.push_back(job);
    fx.start(fx.sources({"frame.avi"}));
    fx.runToEnd();
    QCOMPARE(fx.script->calls.size(), 1);
    QCOMPARE(fx.state(0), JobQueue::State::Converted);
    QCOMPARE(fx.completed[0], (QVariantList{1, false}));
}

void TestBatch::existingOutputSurvivesFailedOverwrite()
{
    Fixture fx;
    const QStringList files = fx.sources({"clip.avi"});
    QVERIFY(writeFile(fx.file("clip.mp4"), "precious"));
    fx.answers.overwrite = {true};
    for (int i = 0; i <= Batch::kRestarts; ++i)
        fx.script->jobs.push_back(PlayerScript::failingWithOutput());
    fx.start(files);
    fx.runToEnd();

    QCOMPARE(fx.answers.asked, QStringList{fx.file("clip.mp4")});
    QCOMPARE(fx.script->calls.size(), 4);
    QCOMPARE(readFile(fx.file("clip.mp4")), QByteArray("precious"));
    QCOMPARE(fx.hiddenFiles(), QStringList());
    QCOMPARE(fx.completed[0], (QVariantList{0, false}));
}

void TestBatch::sourceThatCannotBeReadFailsAtOnce_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("reason");
    QTest::newRow("gone") << "gone.avi" << "the file no longer exists";
    QTest::newRow("a folder") << "folder.avi" << "it is a folder";
    // Opening a pipe would wait for a writer.
    QTest::newRow("a pipe") << "pipe.avi" << "it is not a regular file (a pipe, a socket or a device)";
}

void TestBatch::sourceThatCannotBeReadFailsAtOnce()
{
    QFETCH(QString, source);
    QFETCH(QString, reason);

    Fixture fx;
    QVERIFY(QDir(fx.dir.path()).mkdir("folder.avi"));
    QCOMPARE(::mkfifo(qPrintable(fx.file("pipe.avi")), 0600), 0);
    QVERIFY(writeFile(fx.file("gone.mp4"), "existing"));
    QVERIFY(writeFile(fx.file("folder.mp4"), "existing"));
    fx.start({fx.file(source)});
    fx.runToEnd();

    QCOMPARE(fx.answers.asked, QStringList());
    QCOMPARE(fx.script->created, 0);
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.reason(0), reason);
    QVERIFY(!fx.batch.isRunning());
}

void TestBatch::stopKeepsPartialOutputUnlessItWouldReplaceAFile_data()
{
    QTest::addColumn<bool>("existed");
    QTest::addColumn<QString>("fault"); // what the check finds in the partial
    QTest::newRow("nothing there") << false << QString();
    QTest::newRow("replacing a file") << true << QString();
    QTest::newRow("no picture nor sound in it") << false << "no picture nor sound";
}

void TestBatch::stopKeepsPartialOutputUnlessItWouldReplaceAFile()
{
    QFETCH(bool, existed);
    QFETCH(QString, fault);

    Fixture fx;
    const QStringList files = fx.sources({"clip.avi"});
    if (existed)
        QVERIFY(writeFile(fx.file("clip.mp4"), "whole"));
    fx.script->jobs.push_back({{{0.4f, 2}}, false, false, true, fault});
    fx.start(files);
    QTRY_COMPARE(fx.script->calls.size(), 1);
    fx.batch.poll();
    fx.batch.stop();
    fx.runToEnd();

    QTRY_COMPARE(fx.script->stops.load(), 1);
    QCOMPARE(readFile(fx.file("clip.mp4")),
             existed ? "whole" : fault.isEmpty() ? "partial output" : QByteArray());
    QCOMPARE(fx.hiddenFiles(), QStringList());
    QCOMPARE(fx.completed[0], (QVariantList{0, true}));
    QVERIFY(!fx.batch.isRunning());
}

void TestBatch::removedFilesLeaveTheQueue()
{
    Fixture fx;
    const QStringList files = fx.sources({"1.avi", "2.avi", "3.avi"});
    fx.script->jobs = {{{{0.3f, 1}}, false, false, true, {}}, PlayerScript::converting()};
    const QList<JobQueue::Id> ids = fx.add(files);
    fx.batch.start(ids);
    QTRY_COMPARE(fx.script->calls.size(), 1);
    fx.batch.poll();
    // The file in hand and a waiting one go; the batch goes on with the rest.
    fx.queue.remove({ids[0], ids[2]});
    fx.runToEnd();

    QStringList started;
    for (const auto &call : fx.script->calls)
        started << call.uri;
    QCOMPARE(started, (QStringList{files[0], files[1]}));
    QCOMPARE(fx.queue.size(), 1);
    QCOMPARE(fx.completed[0], (QVariantList{1, false}));
    QCOMPARE(fx.hiddenFiles(), QStringList());
}

void TestBatch::addedFilesJoinTheQueue()
{
    Fixture fx;
    const QStringList files = fx.sources({"1.avi", "2.avi"});
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.start({files[0]});
    fx.batch.join(fx.add({files[1]}));
    fx.runToEnd();
    QCOMPARE(fx.script->calls.size(), 2);
    QCOMPARE(fx.completed[0], (QVariantList{2, false}));
}

void TestBatch::unusableSettingsRefuseTheBatch()
{
    Fixture fx;
    QSignalSpy refused(&fx.batch, &Batch::refused);
    fx.settings.conversion.videoCodec = QStringLiteral("h264}:std{access=file");
    QVERIFY(!fx.start(fx.sources({"clip.avi"})));
    QCOMPARE(refused.size(), 1);
    QVERIFY(refused[0][0].toString().contains("h264}:std{access=file"));
    QCOMPARE(fx.script->created, 0);
    QVERIFY(!fx.batch.isRunning());
}

void TestBatch::severalJobsGiveTheSameResults_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("three at once") << 3;
}

void TestBatch::severalJobsGiveTheSameResults()
{
    QFETCH(int, jobs);
    Fixture fx;
    fx.batch.setMaxJobs(jobs);
    const QStringList files = fx.sources({"1.avi", "2.avi", "3.avi", "4.avi"});
    // Every start of the bad file fails; the good ones report and end.
    fx.script->perFile = {{"1.avi", {{{0.5f, 1}, {0.9f, 2}, {-1.0f, -1}}, true, false, true, {}}},
                          {"2.avi", PlayerScript::failingWithOutput()},
                          {"3.avi", PlayerScript::converting()},
                          {"4.avi", PlayerScript::converting()}};
    fx.start(files);
    // The first files start in list order, as many at once as allowed.
    QTRY_COMPARE(fx.batch.jobsInHand(), std::min(jobs, 3));
    fx.runToEnd();

    QList<JobQueue::State> states;
    for (int row = 0; row < fx.queue.size(); ++row)
        states << fx.state(row);
    using S = JobQueue::State;
    QCOMPARE(states, (QList<S>{S::Converted, S::Failed, S::Converted, S::Converted}));
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.completed.value(0), (QVariantList{3, false}));
    QCOMPARE(fx.hiddenFiles(), QStringList());
    QCOMPARE(fx.script->calls.size(), 7);
}

void TestBatch::questionsAndReportsNeverNest()
{
    Fixture fx;
    fx.batch.setMaxJobs(2);
    const QStringList files = fx.sources({"bad.avi", "asked.avi"});
    QVERIFY(writeFile(fx.file("asked.mp4"), "existing"));
    // While the question about the second file is open, the first file
    // fails for good: its report must wait for the answer.
    bool reportedWhileAsking = false;
    fx.answers.whileAsking = [&] {
        QTRY_COMPARE(fx.state(0), JobQueue::State::Failed);
        reportedWhileAsking = !fx.givenUp.isEmpty();
    };
    fx.start(files);
    fx.runToEnd();
    QVERIFY(!reportedWhileAsking);
    QCOMPARE(fx.givenUp.value(0).value(0).toString(), files[0]);
    QCOMPARE(fx.answers.asked, QStringList{fx.file("asked.mp4")});
}

void TestBatch::outputsAreSettledBeforeTheyAreWritten_data()
{
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("existing"); // the user's own files
    QTest::addColumn<int>("policy");
    QTest::addColumn<QStringList>("outputs"); // per source; "" when skipped

    const int overwrite = int(ExistingOutput::Overwrite);
    QTest::newRow("two sources, one name")
        << QStringList{"a.avi", "a.mov"} << QStringList() << overwrite
        << QStringList{"a.mp4", "a (2).mp4"};
    QTest::newRow("a source of the list at the name")
        << QStringList{"a.avi", "a.mp4"} << QStringList() << overwrite
        << QStringList{"a (2).mp4", "a (3).mp4"};
    QTest::newRow("one folder under two names")
        << QStringList{"x.avi", "link/x.mov"} << QStringList() << int(ExistingOutput::Ask)
        << QStringList{"x.mp4", "x (2).mp4"};
    QTest::newRow("hidden names keep their whole name")
        << QStringList{".intro", ".outro"} << QStringList() << int(ExistingOutput::Ask)
        << QStringList{".intro.mp4", ".outro.mp4"};
    QTest::newRow("an unrelated file, keep both")
        << QStringList{"a.avi"} << QStringList{"a.mp4", "a (2).mp4"}
        << int(ExistingOutput::KeepBoth) << QStringList{"a (3).mp4"};
    QTest::newRow("an unrelated file, skip")
        << QStringList{"a.avi", "b.avi"} << QStringList{"a.mp4"} << int(ExistingOutput::Skip)
        << QStringList{"", "b.mp4"};
    QTest::newRow("an unrelated file, overwrite")
        << QStringList{"a.avi"} << QStringList{"a.mp4"} << overwrite << QStringList{"a.mp4"};
}

// Two jobs at once, and no question or save dialog for a name another file
// of the list has or gets.
void TestBatch::outputsAreSettledBeforeTheyAreWritten()
{
    QFETCH(QStringList, sources);
    QFETCH(QStringList, existing);
    QFETCH(int, policy);
    QFETCH(QStringList, outputs);
    Fixture fx;
    QVERIFY(QFile::link(fx.dir.path(), fx.file("link")));
    for (const QString &name : existing)
        QVERIFY(writeFile(fx.file(name), "the user's"));
    fx.settings.onExisting = ExistingOutput(policy);
    fx.batch.setMaxJobs(2);
    for (int i = 0; i < sources.size(); ++i)
        fx.script->jobs.push_back(PlayerScript::converting());
    fx.start(fx.sources(sources));
    fx.runToEnd();

    QCOMPARE(fx.answers.asked, QStringList());
    QCOMPARE(fx.answers.dialogs, 0);
    const auto canonical = [](const QString &path) { return QFileInfo(path).canonicalFilePath(); };
    for (int row = 0; row < sources.size(); ++row) {
        QCOMPARE(canonical(fx.queue.at(row).output),
                 outputs[row].isEmpty() ? QString() : canonical(fx.file(outputs[row])));
        if (!outputs[row].isEmpty())
            QCOMPARE(readFile(fx.file(outputs[row])), QByteArray("partial output"));
        QCOMPARE(readFile(fx.file(sources[row])), QByteArray("source"));
    }
    for (const QString &name : existing)
        QCOMPARE(readFile(fx.file(name)) == "the user's", !outputs.contains(name));
}

void TestBatch::stopAfterCurrentLetsTheJobsInHandFinish()
{
    Fixture fx;
    fx.batch.setMaxJobs(2);
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.start(fx.sources({"1.avi", "2.avi", "3.avi"}));
    QTRY_COMPARE(fx.batch.jobsInHand(), 2);
    fx.batch.stopAfterCurrent();
    fx.runToEnd();
    QCOMPARE(fx.script->calls.size(), 2);
    QCOMPARE(fx.state(2), JobQueue::State::None); // not started
    QCOMPARE(fx.completed.value(0), (QVariantList{2, false}));
}

void TestBatch::stalledJobIsGivenUp()
{
    Fixture fx;
    qint64 now = 0;
    fx.batch.setClock([&now] { return now; });
    fx.batch.setStallTimeout(600);
    // The engine keeps reporting the same place.
    PlayerScript::Job stuck{{{0.2f, 4}}, false, false, true, {}};
    fx.script->jobs = {stuck};
    fx.start(fx.sources({"endless.avi"}));
    QTRY_COMPARE(fx.script->calls.size(), 1);
    fx.batch.poll();
    now += 599999;
    fx.batch.poll();
    QVERIFY(fx.batch.isRunning());
    now += 1;
    fx.runToEnd();
    QCOMPARE(fx.script->calls.size(), 1);
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.reason(0), QStringLiteral("it made no progress for 600 s"));
    QCOMPARE(fx.hiddenFiles(), QStringList());
}

void TestBatch::sourceIsNeverItsOwnOutput_data()
{
    QTest::addColumn<QString>("folder"); // the output folder, relative to the source's
    QTest::newRow("beside the source") << QString();
    QTest::newRow("the folder through a link") << "link";
    QTest::newRow("the folder through ..") << "sub/..";
}

void TestBatch::sourceIsNeverItsOwnOutput()
{
    QFETCH(QString, folder);
    Fixture fx;
    QVERIFY(QDir(fx.dir.path()).mkdir("sub"));
    QVERIFY(QFile::link(fx.dir.path(), fx.file("link")));
    const QStringList files = fx.sources({"clip.mp4"});
    fx.settings.sameDirectory = folder.isEmpty();
    fx.settings.outputFolder = fx.file(folder);
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.start(files);
    fx.runToEnd();

    // Neither offered for overwriting nor asked about: the keep-both name.
    QCOMPARE(fx.answers.asked, QStringList());
    QCOMPARE(fx.answers.dialogs, 0);
    QCOMPARE(readFile(files[0]), QByteArray("source"));
    QCOMPARE(fx.state(0), JobQueue::State::Converted);
    QCOMPARE(QFileInfo(fx.queue.at(0).output).fileName(), QStringLiteral("clip (2).mp4"));
}

void TestBatch::commitLeavesOtherFilesAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("policy"); // Overwrite: a 0600 file at the name, to be replaced
    QTest::addColumn<QString>("meanwhile"); // in the output folder, before the engine writes
    QTest::addColumn<int>("asNobody");      // the output folder's mode then; 0: as this user
    QTest::addColumn<QString>("committed"); // empty: skipped
    const QString taken = QStringLiteral("echo other >clip.mp4"), clip = QStringLiteral("clip.mp4");
    const QString second = QStringLiteral("clip (2).mp4"), longest = QString(251, u'n') + ".mp4";
    const int ask = int(ExistingOutput::Ask), overwrite = int(ExistingOutput::Overwrite);
    QTest::newRow("taken, ask") << clip << ask << taken << 0 << second;
    QTest::newRow("taken, skip") << clip << int(ExistingOutput::Skip) << taken << 0 << QString();
    QTest::newRow("overwrite") << clip << overwrite << QString() << 0 << clip;
    QTest::newRow("the overwritten file replaced")
        << clip << overwrite << "rm clip.mp4; " + taken << 0 << second;
    QTest::newRow("255 bytes") << longest << ask << QString() << 0 << longest;
    QTest::newRow("a link at the name")
        << clip << ask << "ln -s ../victim clip.mp4" << 0777 << second;
    QTest::newRow("the work folder swapped for a link")
        << clip << ask
        << "w=$(echo .tarnwick-work-*); mv $w moved; mkdir evil; ln -s ../../victim evil/part.mp4;"
           " ln -s evil $w" << 0777 << clip;
    QTest::newRow("another user's file, sticky folder") << clip << ask << taken << 01777 << second;
}

void TestBatch::commitLeavesOtherFilesAlone()
{
    QFETCH(QString, name);
    QFETCH(int, policy);
    QFETCH(QString, meanwhile);
    QFETCH(int, asNobody);
    QFETCH(QString, committed);
    if (asNobody && ::geteuid() != 0)
        TARNWICK_SKIP("acting as another user needs root");
    ::umask(022);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out")), output = out + u'/' + name;
    const bool existing = policy == int(ExistingOutput::Overwrite);
    QVERIFY(runShell(dir.path(), QStringLiteral("mkdir -m %1 out; echo precious >victim; chmod 755 .")
                                     .arg(asNobody ? asNobody : 0755, 0, 8)));
    QVERIFY(!existing || runShell(out, "echo old > clip.mp4; chmod 600 clip.mp4"));

    jobfiles::PrepareRequest request;
    request.input = dir.filePath(QStringLiteral("victim"));
    request.name = output;
    request.policy = ExistingOutput(policy);
    const jobfiles::Prepared prepared = jobfiles::prepare(request);
    QVERIFY2(prepared.work, qPrintable(prepared.partError));
    QVERIFY(meanwhile.isEmpty() || runShell(out, meanwhile, asNobody));
    QVERIFY(writeFile(prepared.work->partPath(), "converted"));
    ScriptedEngine engine{std::make_shared<PlayerScript>()};
    const jobfiles::Finished finished = jobfiles::finish(
        engine, *prepared.work, {output, request.policy, prepared.replaced, {}}, {}, false);

    QCOMPARE(finished.output, committed.isEmpty() ? QString() : out + u'/' + committed);
    QCOMPARE(finished.skipped, committed.isEmpty());
    QCOMPARE(readFile(finished.output), committed.isEmpty() ? QByteArray() : "converted");
    QCOMPARE(int(QFile::permissions(finished.output) & 0x777),
             committed.isEmpty() ? 0 : existing && committed == name ? 0x600 : 0x644);
    // The other writer's file and the file a link leads to stay as they were.
    QVERIFY(committed == name || (QFileInfo::exists(output) && readFile(output) != "converted"));
    QCOMPARE(readFile(request.input), "precious\n");
    // Only a folder that someone moved away stays behind, and is named.
    const bool moved = meanwhile.contains(QLatin1String("mv "));
    QCOMPARE(finished.undeletable.isEmpty(), !moved);
    QCOMPARE(QDir(out).entryList({".tarnwick-work-*"}, QDir::AllEntries | QDir::Hidden).size(),
             moved ? 1 : 0);
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
