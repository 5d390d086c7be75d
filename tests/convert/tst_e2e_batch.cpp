// Whole batches through the program's window, its shipped movie and catalogue
// and the real engine: clips made by ffmpeg, outputs read back with ffprobe.

#include <algorithm>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "convert/outputnaming.h"
#include "convert/jobcount.h"
#include "convert/vlcengine.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "support/hostfixture.h"
#include "support/media.h"
#include "support/skip.h"

namespace {

constexpr int kBatchTimeoutMs = 150000;

// What the engine was handed: each input in turn, and the most players
// converting at one time.
struct HandOvers
{
    QStringList targets;
    int inHand = 0;
    int mostInHand = 0;
};

// Passes every call on to the engine's player and notes each hand-over.
class CountingPlayer final : public Player
{
public:
    CountingPlayer(std::unique_ptr<Player> inner, std::shared_ptr<HandOvers> record)
        : m_inner(std::move(inner)), m_record(std::move(record))
    {
        connect(m_inner.get(), &Player::ended, this, [this] {
            letGo();
            emit ended();
        });
    }
    ~CountingPlayer() override { letGo(); }

    void start(const QString &uri, const QString &option) override
    {
        m_record->targets.append(uri);
        m_record->mostInHand = std::max(m_record->mostInHand, ++m_record->inHand);
        m_converting = true;
        m_inner->start(uri, option);
    }
    void stop() override { m_inner->stop(); }
    float position() override { return m_inner->position(); }
    int time() override { return m_inner->time(); }
    bool finishedNormally() override { return m_inner->finishedNormally(); }
    qint64 readMilliseconds() override { return m_inner->readMilliseconds(); }
    qint64 lengthMilliseconds() override { return m_inner->lengthMilliseconds(); }
    QString logFault() override { return m_inner->logFault(); }

private:
    void letGo()
    {
        if (std::exchange(m_converting, false))
            --m_record->inHand;
    }

    std::unique_ptr<Player> m_inner;
    std::shared_ptr<HandOvers> m_record;
    bool m_converting = false;
};

class CountingEngine final : public Engine
{
public:
    explicit CountingEngine(std::shared_ptr<HandOvers> record) : m_record(std::move(record)) {}
    std::unique_ptr<Player> createPlayer() override
    {
        return std::make_unique<CountingPlayer>(m_engine.createPlayer(), m_record);
    }
    OutputVerdict checkOutput(const QString &file, const OutputExpectation &expected) override
    {
        return m_engine.checkOutput(file, expected);
    }

private:
    VlcEngine m_engine;
    std::shared_ptr<HandOvers> m_record;
};

// The window over the real engine, with the shipped movie and catalogue.
struct EngineHost
{
    EngineHost() : fx(HostFixture::shippedCatalogue(), HostFixture::shippedMovie(), &engine)
    {
        fx.start();
    }

    MainWindow &dlg() { return fx.dlg(); }
    bool idle() { return !dlg().batch().isRunning(); }
    // "caption|text" of every box shown.
    QStringList boxes() const
    {
        QStringList texts;
        for (const auto &box : fx.desktop.boxes)
            texts << box.caption + QLatin1Char('|') + box.text;
        return texts;
    }

    std::shared_ptr<HandOvers> handOvers = std::make_shared<HandOvers>();
    QStringList &targets = handOvers->targets;
    CountingEngine engine{handOvers};
    HostFixture fx;
};

// Prints both lists whole when they differ.
#define COMPARE_LINES(actual, expected)                                                          \
    do {                                                                                         \
        const QStringList a_ = (actual), e_ = (expected);                                        \
        QVERIFY2(a_ == e_, qPrintable(QStringLiteral("\nactual:\n  %1\nexpected:\n  %2")         \
                                          .arg(a_.join(u"\n  "), e_.join(u"\n  "))));            \
    } while (false)

QString unable(const QString &path)
{
    return QStringLiteral("Error conversion|Unable to Convert File:%1 ").arg(path);
}

QString complete(int count)
{
    return QStringLiteral("Tarnwick|Conversion Complete, Total Converted files:%1").arg(count);
}

// What is wrong with a converted file for the shipped first format (mp4 with
// H.264 and AAC); empty when nothing is.
QString outputProblem(const QString &out, const QString &source, int width, int height,
                      int channels)
{
    const media::Probe in = media::probe(source);
    const media::Probe p = media::probe(out);
    if (!p.ok)
        return out + QStringLiteral(": ") + p.error;
    QStringList problems;
    if (!p.formatName.contains(QLatin1String("mp4")))
        problems << QStringLiteral("container %1").arg(p.formatName);
    if (p.videoStreams != 1 || p.videoCodec != QLatin1String("h264"))
        problems << QStringLiteral("video %1 x%2").arg(p.videoCodec).arg(p.videoStreams);
    if (p.audioStreams != 1 || p.audioCodec != QLatin1String("aac"))
        problems << QStringLiteral("audio %1 x%2").arg(p.audioCodec).arg(p.audioStreams);
    if (p.width != width || p.height != height)
        problems << QStringLiteral("size %1x%2").arg(p.width).arg(p.height);
    if (p.channels != channels)
        problems << QStringLiteral("%1 channels").arg(p.channels);
    if (p.fieldOrder != QLatin1String("progressive") && !p.fieldOrder.isEmpty() &&
        p.fieldOrder != QLatin1String("unknown"))
        problems << QStringLiteral("field order %1").arg(p.fieldOrder);
    if (!in.ok || qAbs(p.duration - in.duration) > 0.5)
        problems << QStringLiteral("duration %1 for %2").arg(p.duration).arg(in.duration);
    return problems.isEmpty() ? QString() : out + QStringLiteral(": ") + problems.join(u"; ");
}

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                               QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

QString copyTo(const QString &source, const QString &path)
{
    return QFile::copy(source, path) ? path : QString();
}

// Root reads any file whatever its mode. While this lives the whole process
// (the program's worker threads and the engine's among them) runs as nobody,
// in a folder anybody may write, and file permissions hold for it.
class PermissionsEnforced
{
public:
    explicit PermissionsEnforced(const QString &folder)
    {
        if (geteuid() != 0)
            return;
        m_active = ::chmod(QFile::encodeName(folder).constData(), 0777) == 0 && ::seteuid(65534) == 0;
    }
    ~PermissionsEnforced()
    {
        if (m_active && ::seteuid(0) != 0)
            qFatal("could not become root again");
    }
    PermissionsEnforced(const PermissionsEnforced &) = delete;
    PermissionsEnforced &operator=(const PermissionsEnforced &) = delete;

    bool ok() const { return m_active || geteuid() != 0; }

private:
    bool m_active = false;
};

} // namespace

class TestE2eBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shippedFirstFormat();
    void secondOfThreeNeverOpens_data();
    void unattendedBatchNotesTheFailureAndKeepsBoth();
    void secondOfThreeNeverOpens();
    void badInputs();
    void missingOutputFolder();
    void cancelStopsTheEngineAtOnce();

private:
    QTemporaryDir m_media;
    QString m_plain;
    QString m_plainMp4;
    QString m_interlaced;
    QString m_long;
};

void TestE2eBatch::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("ffmpeg and ffprobe are needed");
    QVERIFY(m_media.isValid());
    m_plain = media::makeClip(m_media.path(), QStringLiteral("plain"), {});
    media::ClipSpec mp4;
    mp4.extension = QStringLiteral(".mp4");
    m_plainMp4 = media::makeClip(m_media.path(), QStringLiteral("plain"), mp4);
    media::ClipSpec interlaced;
    interlaced.interlaced = true;
    interlaced.extension = QStringLiteral(".mpg");
    m_interlaced = media::makeClip(m_media.path(), QStringLiteral("interlaced"), interlaced);
    media::ClipSpec longer;
    longer.seconds = 20.0;
    m_long = media::makeClip(m_media.path(), QStringLiteral("long"), longer);
    QVERIFY(!m_plain.isEmpty() && !m_plainMp4.isEmpty() && !m_interlaced.isEmpty() &&
            !m_long.isEmpty());
    QCOMPARE(media::probe(m_interlaced).fieldOrder, QStringLiteral("tt"));
    QVERIFY(QFileInfo::exists(media::sharedClip()));
}

void TestE2eBatch::shippedFirstFormat()
{
    // The output checks below expect the shipped catalogue's first choice.
    EngineHost host;
    QCOMPARE(conversion(host.dlg()).format, QStringLiteral(".mp4"));
    QCOMPARE(conversion(host.dlg()).container, QStringLiteral("mp4"));
    QCOMPARE(conversion(host.dlg()).videoCodec, QStringLiteral("h264"));
    QCOMPARE(conversion(host.dlg()).audioCodec, QStringLiteral("mp4a"));
    QCOMPARE(VlcEngine::instances(), 0);
}

void TestE2eBatch::secondOfThreeNeverOpens_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("automatic") << automaticJobCount();
}

void TestE2eBatch::secondOfThreeNeverOpens()
{
    QFETCH(int, jobs);
    QTemporaryDir dir;
    const QString first = copyTo(m_plain, dir.filePath(QStringLiteral("first.avi")));
    const QString second = writeFile(dir.filePath(QStringLiteral("second.avi")),
                                     QByteArray("not a video\n").repeated(100));
    const QString third = copyTo(m_interlaced, dir.filePath(QStringLiteral("third.mpg")));
    QVERIFY(!first.isEmpty() && !second.isEmpty() && !third.isEmpty());

    EngineHost host;
    host.fx.send(QStringLiteral("ID-FS-jobs"), QString::number(jobs));
    host.fx.addFiles({first, second, third});
    host.fx.send(QStringLiteral("ID-FS-videoScale"), QStringLiteral("0.5"));
    host.fx.send(QStringLiteral("ID-FS-audioChannnel"), QStringLiteral("1"));
    host.fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QTRY_VERIFY_WITH_TIMEOUT(host.idle(), kBatchTimeoutMs);

    // The same results however many files run at once; one at a time, the
    // hand-overs come in list order.
    COMPARE_LINES(host.boxes(), QStringList({unable(second), complete(2)}));
    QStringList targets = host.targets;
    if (jobs > 1)
        targets.sort();
    QStringList expected{first, second, second, second, second, third};
    if (jobs > 1)
        expected.sort();
    COMPARE_LINES(targets, expected);
    // As many in hand at once as chosen: the three start together.
    QCOMPARE(host.handOvers->mostInHand, std::min(jobs, 3));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("second.mp4"))));
    QString problem = outputProblem(dir.filePath(QStringLiteral("first.mp4")), first, 160, 120, 1);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    problem = outputProblem(dir.filePath(QStringLiteral("third.mp4")), third, 160, 120, 1);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestE2eBatch::unattendedBatchNotesTheFailureAndKeepsBoth()
{
    QTemporaryDir dir;
    const QString first = copyTo(m_plain, dir.filePath(QStringLiteral("first.avi")));
    const QString second = writeFile(dir.filePath(QStringLiteral("second.avi")),
                                     QByteArray("not a video\n").repeated(100));
    const QString third = copyTo(m_interlaced, dir.filePath(QStringLiteral("third.mpg")));
    const QString kept = writeFile(dir.filePath(QStringLiteral("third.mp4")), "keep me");
    QVERIFY(!first.isEmpty() && !second.isEmpty() && !third.isEmpty() && !kept.isEmpty());

    EngineHost host;
    host.fx.send(QStringLiteral("ID-FS-onExisting"), QStringLiteral("keepboth"));
    host.fx.send(QStringLiteral("ID-FS-onFailure"), QStringLiteral("note"));
    host.fx.addFiles({first, second, third});
    host.fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QTRY_VERIFY_WITH_TIMEOUT(host.idle(), kBatchTimeoutMs);

    // No box but the completion; the failure is in the list and the summary.
    COMPARE_LINES(host.boxes(), QStringList({complete(2)}));
    const FileList &list = *host.dlg().fileList();
    QCOMPARE(list.queue().at(0).state, JobQueue::State::Converted);
    QCOMPARE(list.queue().at(1).state, JobQueue::State::Failed);
    QCOMPARE(list.queue().at(2).state, JobQueue::State::Converted);
    QVERIFY(list.tipFor(1).startsWith(second + QStringLiteral("\nFailed: ")));
    QCOMPARE(host.dlg().movie()->getVariable(QStringLiteral("_root.failedCount")), QStringLiteral("1"));
    QFile keptFile(kept);
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), QByteArray("keep me"));
    const QString problem =
        outputProblem(dir.filePath(QStringLiteral("third (2).mp4")), third, 320, 240, 2);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestE2eBatch::badInputs()
{
    QTemporaryDir dir;
    const auto at = [&dir](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    // An output already there: the user declines, then cancels the save dialog.
    const QString kept = copyTo(m_plain, at("kept.avi"));
    const QString keptOutput = writeFile(at("kept.mp4"), "keep me");
    // An output already there: the user says Yes.
    const QString replaced = copyTo(m_plain, at("replaced.avi"));
    writeFile(at("replaced.mp4"), "old output");
    const QString oddName = copyTo(m_plain, at("it's a \"clip\" – vidéo 日本.avi"));
    const QString text = writeFile(at("text.avi"), QByteArray("not a video\n").repeated(100));
    const QString bunny = copyTo(media::sharedClip(), at("bunny.m4v"));
    const QString empty = writeFile(at("empty.avi"), QByteArray());
    // Half an mp4 whose index is at its end: nothing can be read.
    QFile whole(m_plainMp4);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QString truncated = writeFile(at("truncated.mov"), whole.read(whole.size() / 2));
    // The first third of an avi: what is there converts.
    QFile longFile(m_long);
    QVERIFY(longFile.open(QIODevice::ReadOnly));
    const QString cut = writeFile(at("cut.avi"), longFile.read(longFile.size() / 3));
    const QString deleted = copyTo(m_plain, at("deleted.avi"));
    const QString unreadable = copyTo(m_plain, at("unreadable.avi"));
    const QString last = copyTo(m_plain, at("last.avi"));
    const QStringList inputs{kept,      replaced, oddName, text,       bunny, empty,
                             truncated, cut,      deleted, unreadable, last};
    for (const QString &input : inputs)
        QVERIFY2(!input.isEmpty(), "could not lay out the inputs");
    QVERIFY(!keptOutput.isEmpty());

    QHash<QString, QByteArray> digests;
    for (const QString &input : inputs)
        digests.insert(input, media::digest(input));

    EngineHost host;
    // One at a time: the boxes come in list order.
    host.fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    host.fx.addFiles(inputs);
    QCOMPARE(host.dlg().fileList()->count(), inputs.size());
    QVERIFY(QFile::remove(deleted));
    QVERIFY(QFile::setPermissions(unreadable, {}));
    host.fx.send(QStringLiteral("ID-FS-videoScale"), QStringLiteral("0.5"));
    host.fx.desktop.boxAnswers = {Desktop::IdNo, Desktop::IdYes};
    {
        PermissionsEnforced permissions(dir.path());
        QVERIFY(permissions.ok());
        QVERIFY(!QFile(unreadable).open(QIODevice::ReadOnly));
        host.fx.send(QStringLiteral("IDC_FS_CONVERT"));
        QTRY_VERIFY_WITH_TIMEOUT(host.idle(), kBatchTimeoutMs);
    }
    QVERIFY(QFile::setPermissions(unreadable, QFile::ReadOwner | QFile::WriteOwner));

    const QString exists = QStringLiteral("File Already Exist|File Name:%1 Already Exist overwrite [Yes/No]");
    COMPARE_LINES(host.boxes(),
                  QStringList({exists.arg(at("kept.mp4")), exists.arg(at("replaced.mp4")),
                               unable(text), unable(empty), unable(truncated), unable(deleted),
                               unable(unreadable), complete(5)}));
    QCOMPARE(host.fx.desktop.saveRequests.size(), 1);

    // Each good file is handed over once, each bad one four times; the
    // declined one and the sources that cannot be read never.
    const QStringList good{replaced, oddName, bunny, cut, last};
    const QStringList never{kept, deleted, unreadable};
    for (const QString &input : inputs) {
        const int expected = never.contains(input) ? 0 : good.contains(input) ? 1 : 4;
        QVERIFY2(host.targets.count(input) == expected, qPrintable(input));
    }

    QString problem;
    for (const auto &[input, output] :
         {std::pair{replaced, at("replaced.mp4")}, std::pair{oddName, at("it's a \"clip\" – vidéo 日本.mp4")},
          std::pair{last, at("last.mp4")}}) {
        problem = outputProblem(output, input, 160, 120, 2);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    problem = outputProblem(at("bunny.mp4"), bunny, 640, 360, 2);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const media::Probe cutOutput = media::probe(at("cut.mp4"));
    QVERIFY2(cutOutput.ok, qPrintable(cutOutput.error));
    QCOMPARE(cutOutput.videoCodec, QStringLiteral("h264"));
    QVERIFY2(cutOutput.duration > 1.0 && cutOutput.duration < 19.0,
             qPrintable(QString::number(cutOutput.duration)));

    QFile keptFile(keptOutput);
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), QByteArray("keep me"));

    // No source changed; given-up files left nothing behind.
    for (const QString &input : inputs)
        if (input != deleted)
            QVERIFY2(media::digest(input) == digests.value(input), qPrintable(input));
    QStringList expected{"kept.avi", "kept.mp4", "replaced.avi", "replaced.mp4",
                         "it's a \"clip\" – vidéo 日本.avi", "it's a \"clip\" – vidéo 日本.mp4",
                         "text.avi", "bunny.m4v", "bunny.mp4", "empty.avi", "truncated.mov",
                         "cut.avi", "cut.mp4", "unreadable.avi", "last.avi", "last.mp4"};
    expected.sort();
    COMPARE_LINES(entries(dir.path()), expected);
}

void TestE2eBatch::missingOutputFolder()
{
    QTemporaryDir dir;
    const QString a = copyTo(m_plain, dir.filePath(QStringLiteral("a.avi")));
    const QString b = copyTo(m_plain, dir.filePath(QStringLiteral("b.avi")));
    const QString missing = dir.filePath(QStringLiteral("no such folder"));
    QVERIFY(!a.isEmpty() && !b.isEmpty());

    EngineHost host;
    host.fx.addFiles({a, b});
    host.fx.desktop.folderAnswers.push_back(missing);
    host.fx.send(QStringLiteral("IDC_FS_BROWSE"));
    host.fx.send(QStringLiteral("IDC_FS_OTHERDIRECTORY"));
    QCOMPARE(host.dlg().session().outputFolder(), missing);
    host.fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QTRY_VERIFY_WITH_TIMEOUT(host.idle(), kBatchTimeoutMs);

    // Nothing converted: the batch ends without a completion box. Nothing
    // can be written there, so the engine is never asked. Both files are
    // tried at once: either may fail first.
    QStringList boxes = host.boxes();
    boxes.sort();
    COMPARE_LINES(boxes, QStringList({unable(a), unable(b)}));
    COMPARE_LINES(host.targets, QStringList());
    QCOMPARE(entries(dir.path()), QStringList({QStringLiteral("a.avi"), QStringLiteral("b.avi")}));
}

void TestE2eBatch::cancelStopsTheEngineAtOnce()
{
    QTemporaryDir dir;
    const QString shortClip = copyTo(m_plain, dir.filePath(QStringLiteral("short.avi")));
    const QString longClip = copyTo(m_long, dir.filePath(QStringLiteral("long.avi")));
    QVERIFY(!shortClip.isEmpty() && !longClip.isEmpty());

    EngineHost host;
    // One at a time: the short clip is through before the long one starts.
    host.fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    host.fx.addFiles({shortClip, longClip});
    // Scaled up four times the long clip converts slower than it plays.
    host.fx.send(QStringLiteral("ID-FS-videoScale"), QStringLiteral("4"));
    host.fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QTRY_VERIFY_WITH_TIMEOUT(filesOf(host.dlg()).value(1).percent > 0, kBatchTimeoutMs);

    host.fx.send(QStringLiteral("IDC_FS_CANCEL"));
    QVERIFY(host.idle());
    QCOMPARE(host.dlg().batch().partFile(), QString());
    COMPARE_LINES(host.boxes(),
                  QStringList({QStringLiteral("Tarnwick|Conversion Complete, Total Converted files :1")}));
    COMPARE_LINES(host.targets, QStringList({shortClip, longClip}));

    // The engine let go of the output when cancelled: it is a complete,
    // shorter file already.
    const media::Probe partial = media::probe(dir.filePath(QStringLiteral("long.mp4")));
    QVERIFY2(partial.ok, qPrintable(partial.error));
    QCOMPARE(partial.width, 1280);
    QVERIFY2(partial.duration > 0.0 && partial.duration < 19.0,
             qPrintable(QString::number(partial.duration)));
    const QString problem =
        outputProblem(dir.filePath(QStringLiteral("short.mp4")), shortClip, 1280, 960, 2);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestE2eBatch)
#include "tst_e2e_batch.moc"
