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
#include "support/files.h"
#include "support/scriptedplayer.h"

Q_DECLARE_METATYPE(PlayerScript::Job)

namespace {

struct Answers final : BatchQuestions
{
    FileSettings settings;
    std::deque<bool> overwrite;
    std::deque<std::optional<QString>> names;
    QStringList asked;
    std::function<void()> whileAsking;
    int dialogs = 0;

    FileSettings settingsForNextFile() override { return settings; }
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
    Batch batch{engine, answers};
    QSignalSpy givenUp{&batch, &Batch::givenUp};
    QSignalSpy completed{&batch, &Batch::completed};

    Fixture()
    {
        answers.settings.conversion = {".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
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
    // Every poll is one tick of the progress timer; the engine's end events
    // arrive through the event loop.
    void runToEnd()
    {
        for (int i = 0; i < 50 && batch.isRunning(); ++i) {
            batch.poll();
            QCoreApplication::processEvents();
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
    void twoInputsForOneOutputAreSettled();
    void stopAfterCurrentLetsTheJobsInHandFinish();
    void stalledJobIsGivenUp();
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
    fx.batch.start(fx.sources({"clip.avi"}));
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
    QCOMPARE(fx.batch.results().value(0).state, FileResult::State::Converted);
    QCOMPARE(fx.batch.results().value(0).output, fx.file("clip.mp4"));
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
    fx.batch.start(files);
    fx.runToEnd();

    QCOMPARE(fx.script->calls.size(), 5);
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.givenUp[0][0].toString(), files[0]);
    QCOMPARE(fx.batch.results().value(0).state, FileResult::State::Failed);
    QCOMPARE(fx.batch.results().value(0).reason, reason);
    QVERIFY(!QFileInfo::exists(fx.file("bad.mp4")));
    QVERIFY(QFileInfo::exists(fx.file("good.mp4")));
    QCOMPARE(fx.hiddenFiles(), QStringList());
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
    fx.batch.start(files);
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
}

void TestBatch::sourceThatCannotBeReadFailsAtOnce()
{
    QFETCH(QString, source);
    QFETCH(QString, reason);

    Fixture fx;
    QVERIFY(QDir(fx.dir.path()).mkdir("folder.avi"));
    QVERIFY(writeFile(fx.file("gone.mp4"), "existing"));
    QVERIFY(writeFile(fx.file("folder.mp4"), "existing"));
    fx.batch.start({fx.file(source)});
    fx.runToEnd();

    QCOMPARE(fx.answers.asked, QStringList());
    QCOMPARE(fx.script->created, 0);
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.batch.results().value(0).reason, reason);
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
    fx.batch.start(files);
    fx.batch.poll();
    fx.batch.stop();

    QCOMPARE(fx.script->stops, 1);
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
    fx.batch.start(files);
    fx.batch.poll();
    // The file in hand and a waiting one go; the batch goes on with the rest.
    fx.batch.remove({files[0], files[2]});
    fx.runToEnd();

    QStringList started;
    for (const auto &call : fx.script->calls)
        started << call.uri;
    QCOMPARE(started, (QStringList{files[0], files[1]}));
    QCOMPARE(fx.batch.results().size(), 1);
    QCOMPARE(fx.completed[0], (QVariantList{1, false}));
    QCOMPARE(fx.hiddenFiles(), QStringList());
}

void TestBatch::addedFilesJoinTheQueue()
{
    Fixture fx;
    const QStringList files = fx.sources({"1.avi", "2.avi"});
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.batch.start({files[0]});
    fx.batch.append({files[1]});
    fx.runToEnd();
    QCOMPARE(fx.script->calls.size(), 2);
    QCOMPARE(fx.completed[0], (QVariantList{2, false}));
}

void TestBatch::unusableSettingsRefuseTheBatch()
{
    Fixture fx;
    QSignalSpy refused(&fx.batch, &Batch::refused);
    fx.answers.settings.conversion.videoCodec = QStringLiteral("h264}:std{access=file");
    QVERIFY(!fx.batch.start(fx.sources({"clip.avi"})));
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
    fx.batch.start(files);
    // The first files start in list order, as many at once as allowed.
    QCOMPARE(fx.batch.jobsInHand(), std::min(jobs, 3));
    fx.runToEnd();

    QList<FileResult::State> states;
    for (const FileResult &r : fx.batch.results())
        states << r.state;
    using S = FileResult::State;
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
        QTRY_COMPARE(fx.batch.results().value(0).state, FileResult::State::Failed);
        reportedWhileAsking = !fx.givenUp.isEmpty();
    };
    fx.batch.start(files);
    QVERIFY(!reportedWhileAsking);
    QCOMPARE(fx.givenUp.size(), 1);
    fx.runToEnd();
    QCOMPARE(fx.answers.asked, QStringList{fx.file("asked.mp4")});
}

void TestBatch::twoInputsForOneOutputAreSettled()
{
    Fixture fx;
    fx.batch.setMaxJobs(2);
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.answers.names = {fx.file("a-2.mp4")};
    fx.batch.start(fx.sources({"a.avi", "a.mov"}));
    // The second job never writes the name the first is writing.
    QCOMPARE(fx.answers.asked, QStringList());
    fx.runToEnd();
    QCOMPARE(readFile(fx.file("a.mp4")), QByteArray("partial output"));
    QCOMPARE(readFile(fx.file("a-2.mp4")), QByteArray("partial output"));
    QCOMPARE(fx.completed.value(0), (QVariantList{2, false}));
}

void TestBatch::stopAfterCurrentLetsTheJobsInHandFinish()
{
    Fixture fx;
    fx.batch.setMaxJobs(2);
    fx.script->jobs = {PlayerScript::converting(), PlayerScript::converting()};
    fx.batch.start(fx.sources({"1.avi", "2.avi", "3.avi"}));
    fx.batch.stopAfterCurrent();
    fx.runToEnd();
    QCOMPARE(fx.script->calls.size(), 2);
    QCOMPARE(fx.batch.results().value(2).state, FileResult::State::Waiting);
    QCOMPARE(fx.completed.value(0), (QVariantList{2, false}));
}

void TestBatch::stalledJobIsGivenUp()
{
    Fixture fx;
    fx.batch.setStallTimeout(1);
    // The engine keeps reporting the same place.
    PlayerScript::Job stuck{{{0.2f, 4}}, false, false, true, {}};
    fx.script->jobs = {stuck};
    fx.batch.start(fx.sources({"endless.avi"}));
    QTRY_VERIFY_WITH_TIMEOUT((fx.batch.poll(), !fx.batch.isRunning()), 5000);
    QCOMPARE(fx.script->calls.size(), 1);
    QCOMPARE(fx.givenUp.size(), 1);
    QCOMPARE(fx.batch.results().value(0).reason, QStringLiteral("it made no progress for 1 s"));
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
    fx.answers.settings.sameDirectory = folder.isEmpty();
    fx.answers.settings.outputFolder = fx.file(folder);
    fx.batch.start(files);
    fx.runToEnd();

    // Not offered for overwriting; the save dialog is cancelled: skipped.
    QCOMPARE(fx.answers.asked, QStringList());
    QCOMPARE(fx.answers.dialogs, 1);
    QCOMPARE(fx.script->created, 0);
    QCOMPARE(readFile(files[0]), QByteArray("source"));
    QCOMPARE(fx.batch.results().value(0).state, FileResult::State::Skipped);
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
