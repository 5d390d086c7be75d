// The batch's decisions, held without a window: a scripted engine and
// scripted answers.

#include <deque>
#include <functional>

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "convert/batch.h"
#include "convert/worker.h"
#include "support/files.h"
#include "support/scriptedplayer.h"

Q_DECLARE_METATYPE(PlayerScript::Job)

namespace {

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
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\."));
    }
};

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
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
};

void TestBatch::convertsThroughHiddenPartFile()
{
    Fixture fx;
    // A leftover of a copy that was killed: a part file whose process is gone.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QString stale = fx.file(QStringLiteral(".old.mp4.%1.part.mp4").arg(pid));
    QVERIFY(writeFile(stale, "stale"));

    fx.script->jobs.push_back(PlayerScript::converting());
    const mode_t previous = ::umask(022);
    fx.start(fx.sources({"clip.avi"}));
    QTRY_COMPARE(fx.script->calls.size(), 1);
    ::umask(previous);
    QVERIFY(!QFileInfo::exists(stale));

    // The engine writes a hidden file of ours, never the output's own name.
    const QString part = PlayerScript::destination(fx.script->calls.value(0).option);
    QCOMPARE(QFileInfo(part).absolutePath(), fx.dir.path());
    QVERIFY2(QFileInfo(part).fileName().startsWith(".clip.mp4."), qPrintable(part));
    QVERIFY(part.endsWith(".mp4"));
    QCOMPARE(QFileInfo(part).permissions() & 0x0777, QFileDevice::Permissions(0x0644));
    QVERIFY(!QFileInfo::exists(fx.file("clip.mp4")));

    fx.runToEnd();
    QCOMPARE(readFile(fx.file("clip.mp4")), QByteArray("partial output"));
    QCOMPARE(fx.script->checked, QStringList{part});
    QCOMPARE(fx.hiddenFiles(), QStringList());
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
        << PlayerScript::failingWithOutput() << "the engine could not convert it";
    PlayerScript::Job cut = PlayerScript::converting();
    cut.fault = QStringLiteral("the container is cut short");
    QTest::newRow("the finished file fails its check") << cut << "the container is cut short";
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
    QTest::newRow("nothing there") << false;
    QTest::newRow("replacing a file") << true;
}

void TestBatch::stopKeepsPartialOutputUnlessItWouldReplaceAFile()
{
    QFETCH(bool, existed);

    Fixture fx;
    const QStringList files = fx.sources({"clip.avi"});
    if (existed)
        QVERIFY(writeFile(fx.file("clip.mp4"), "whole"));
    fx.script->jobs.push_back({{{0.4f, 2}}, false, false, true, {}});
    fx.start(files);
    QTRY_COMPARE(fx.script->calls.size(), 1);
    fx.batch.poll();
    fx.batch.stop();
    fx.runToEnd();

    QTRY_COMPARE(fx.script->stops.load(), 1);
    QCOMPARE(readFile(fx.file("clip.mp4")),
             existed ? QByteArray("whole") : QByteArray("partial output"));
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

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
