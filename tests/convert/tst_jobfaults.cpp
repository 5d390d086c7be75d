// Jobs that must fail rather than be counted, through the real engine: a
// full disk, outputs without a single packet, an undecodable or vanished
// source. In each, a file already at the output name stays as it was.

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "convert/outputnaming.h"
#include "convert/player.h"
#include "convert/vlcengine.h"
#include "support/batchrig.h"
#include "support/files.h"
#include "support/media.h"
#include "support/readfaults.h"
#include "support/skip.h"

namespace {

struct Answers final : BatchQuestions
{
    FileSettings settings;
    int asked = 0;

    bool bothTracksChecked() override { return true; }
    bool mayOverwrite(const QString &) override
    {
        ++asked;
        return true;
    }
    std::optional<QString> otherOutputName(const QString &, const QString &, bool) override
    {
        return std::nullopt;
    }
};

// Zeroes the payload of every top-level box of the given type, or with a
// shift moves the middle half of it by that many bytes, as a copy that lost
// a few bytes would.
bool damageBoxes(const QString &path, const QByteArray &type, int shift = 0)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    bool found = false;
    qint64 at = 0;
    while (at + 8 <= file.size()) {
        file.seek(at);
        const QByteArray head = file.read(8);
        const quint32 size = (quint8(head[0]) << 24) | (quint8(head[1]) << 16) |
                             (quint8(head[2]) << 8) | quint8(head[3]);
        if (size < 8)
            return false;
        if (head.mid(4, 4) == type) {
            const qint64 from = shift ? at + 8 + (size - 8) / 4 : at + 8;
            const qint64 length = shift ? (size - 8) / 2 : size - 8;
            file.seek(from + shift);
            const QByteArray moved = shift ? file.read(length) : QByteArray(length, '\0');
            file.seek(from);
            file.write(moved);
            found = true;
        }
        at += size;
    }
    return found;
}

// Lowers the largest file this process may write, as a full disk or a quota
// does to the engine's writes; the engine's threads share the limit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

// A file system of its own, nearly full, that has room again a moment after
// it fills up, as when another program fills a disk and frees it.
class FullForAMoment
{
public:
    explicit FullForAMoment(qint64 room)
    {
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {"-t", "tmpfs", "-o", "size=8m", "tmpfs", m_dir.path()}) == 0;
        if (!m_mounted || !writeFile(filler(), QByteArray(int(free() - room), 'x')))
            return;
        QObject::connect(&m_watch, &QTimer::timeout, [this] {
            if (free() < 65536 && m_watch.isActive()) {
                m_watch.stop();
                QTimer::singleShot(300, [this] { QFile::remove(filler()); });
            }
        });
        m_watch.start(10);
    }
    ~FullForAMoment()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {"-l", m_dir.path()});
    }
    bool ready() const { return m_watch.isActive(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QString filler() const { return m_dir.filePath(QStringLiteral("filler")); }
    qint64 free() const { return QStorageInfo(m_dir.path()).bytesAvailable(); }

    QTemporaryDir m_dir;
    QTimer m_watch;
    bool m_mounted = false;
};

} // namespace

class TestJobFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void failsAndKeepsTheOldOutput_data();
    void failsAndKeepsTheOldOutput();
    void fileShowsWhatTheFullDiskTook_data();
    void fileShowsWhatTheFullDiskTook();
    void fullDiskFailsOnlyItsJob();

private:
    QTemporaryDir m_dir;
    QString m_clip;
    QString m_mov;
    QString m_ts;
    QString m_mkv;
    QString m_h264;
    QString m_long;
};

void TestJobFaults::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("ffmpeg and ffprobe are needed");
    media::ClipSpec spec;
    spec.seconds = 4;
    spec.width = 640;
    spec.height = 360;
    m_clip = media::makeClip(m_dir.path(), QStringLiteral("clip"), spec);
    spec.extension = QStringLiteral(".mov");
    m_mov = media::makeClip(m_dir.path(), QStringLiteral("faststart"), spec);
    spec.extension = QStringLiteral(".ts");
    m_ts = media::makeClip(m_dir.path(), QStringLiteral("clip"), spec);
    spec.extension = QStringLiteral(".mkv");
    spec.seconds = 10; // cut to 40 %, still long enough for the encoder to give frames
    m_mkv = media::makeClip(m_dir.path(), QStringLiteral("clip"), spec);
    spec.seconds = 4;
    // As cameras and phones write them.
    spec.extension = QStringLiteral(".mp4");
    spec.videoCodec = QStringLiteral("libx264");
    spec.audioCodec = QStringLiteral("aac");
    m_h264 = media::makeClip(m_dir.path(), QStringLiteral("clip"), spec);
    QVERIFY(!m_clip.isEmpty() && !m_mov.isEmpty() && !m_ts.isEmpty() && !m_mkv.isEmpty()
            && !m_h264.isEmpty());
    spec.seconds = 20;
    spec.width = 320;
    spec.height = 240;
    m_long = media::makeClip(m_dir.path(), QStringLiteral("long"), spec);
    QVERIFY(!m_long.isEmpty());
}

void TestJobFaults::failsAndKeepsTheOldOutput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("attempts"); // hand-overs to the engine
    QTest::addColumn<QString>("reason");
    const QString engine = QStringLiteral("the engine could not convert it");
    QTest::newRow("file size limit") << "full" << 4 << "the converted file could not be written (File too large)";
    QTest::newRow("media data zeroed") << "zeroed" << 4 << "the converted file holds no picture";
    QTest::newRow("first 20 KB of a mov") << "head" << 4 << engine;
    QTest::newRow("undecodable source") << "text" << 4 << engine;
    QTest::newRow("source gone") << "gone" << 0 << "the file no longer exists";
    const QString unread = QStringLiteral("the source could not be read to its end");
    QTest::newRow("read error halfway") << "bad sector" << 4 << unread;
    QTest::newRow("data stops at 40 %") << "cut" << 4 << unread;
    QTest::newRow("damaged source") << "damaged" << 4 << "parts of the source could not be decoded";
}

void TestJobFaults::failsAndKeepsTheOldOutput()
{
    QFETCH(QString, kind);
    QFETCH(int, attempts);

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.mov"));
    if (kind == QLatin1String("text")) {
        QVERIFY(writeFile(source, QByteArray("not a video\n").repeated(500)));
    } else if (kind == QLatin1String("head")) {
        QVERIFY(writeFile(source, readFile(m_mov).left(20 * 1024)));
    } else if (kind == QLatin1String("cut")) {
        const QByteArray whole = readFile(m_mkv);
        QVERIFY(writeFile(source, whole.left(whole.size() * 4 / 10)));
    } else if (kind != QLatin1String("gone")) {
        const QString from = kind == QLatin1String("zeroed")       ? m_mov
                             : kind == QLatin1String("bad sector") ? m_ts
                             : kind == QLatin1String("damaged")    ? m_h264
                                                                   : m_clip;
        QVERIFY(QFile::copy(from, source));
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner));
    }
    if (kind == QLatin1String("zeroed") || kind == QLatin1String("damaged"))
        QVERIFY(damageBoxes(source, "mdat", kind == QLatin1String("damaged") ? 7 : 0));
    const qint64 middle = QFileInfo(source).size() / 2;
    if (kind == QLatin1String("bad sector"))
        readfaults::failRange(source, middle, middle + 65536);
    const auto healed = qScopeGuard([] { readfaults::clear(); });
    const QString output = dir.filePath(QStringLiteral("source.mp4"));
    QVERIFY(writeFile(output, "the user's own file"));

    VlcEngine engine;
    Answers answers;
    answers.settings.conversion = {".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
    BatchRig rig(engine, answers, answers.settings);
    Batch &batch = rig.batch;
    QSignalSpy started(&batch, &Batch::jobStarting);
    QSignalSpy givenUp(&batch, &Batch::givenUp);
    QSignalSpy completed(&batch, &Batch::completed);
    {
        FileSizeLimit limit(kind == QLatin1String("full") ? 48 * 1024 : RLIM_INFINITY);
        QVERIFY(limit.ok());
        rig.start({source});
        QTRY_VERIFY_WITH_TIMEOUT(!batch.isRunning(), 120000);
    }

    QCOMPARE(started.size(), attempts);
    QCOMPARE(answers.asked, attempts > 0 ? 1 : 0);
    QCOMPARE(givenUp.size(), 1);
    QCOMPARE(completed.value(0), (QVariantList{0, false}));
    QFETCH(QString, reason);
    QCOMPARE(rig.file(0).reason, attempts > 1 ? reason + QStringLiteral(" (tried %1 times)").arg(attempts) : reason);
    QCOMPARE(readFile(output), QByteArray("the user's own file"));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".*")},
                                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

// The engine drops what a full disk does not take and goes on: its log says
// so, and the file itself shows what is missing.
void TestJobFaults::fileShowsWhatTheFullDiskTook_data()
{
    QTest::addColumn<QString>("catalogueEntry"); // format container video audio
    for (const char *entry : {".mp4 mp4 h264 mp4a", ".ts ts h264 mp4a", ".ogv ogg theo vorb",
                              ".avi avi mp4v mp3", ".mpg ps mp2v mpga"})
        QTest::newRow(entry) << QString::fromLatin1(entry);
}

void TestJobFaults::fileShowsWhatTheFullDiskTook()
{
    QFETCH(QString, catalogueEntry);
    if (::geteuid() != 0)
        TARNWICK_SKIP("mounting a file system of its own needs root");
    FullForAMoment disk(1 << 20);
    QVERIFY(disk.ready());
    const QStringList entry = catalogueEntry.split(QLatin1Char(' '));
    const ConversionSettings settings{entry[0], entry[1], entry[2], "1024", "1", entry[3], "128", "2"};
    const QString out = disk.path(QStringLiteral("out") + entry[0]);
    VlcEngine engine;
    std::unique_ptr<Player> player = engine.createPlayer();
    QSignalSpy ended(player.get(), &Player::ended);
    player->start(m_long, streamOutputOption(settings, out));
    QVERIFY(ended.wait(60000));
    player->finishedNormally(); // closes the output
    QVERIFY2(player->logFault().startsWith("the converted file could not be written"),
             qPrintable(player->logFault()));
    const QString fault = engine.checkOutput(out, {m_long, entry[1], true, true,
                                                   player->readMilliseconds(),
                                                   player->lengthMilliseconds()}).fault;
    QVERIFY(!fault.isEmpty());
}

// Two jobs at once, one of them onto a disk that is full for a moment: only
// that one fails, and its second attempt converts the whole file.
void TestJobFaults::fullDiskFailsOnlyItsJob()
{
    if (::geteuid() != 0)
        TARNWICK_SKIP("mounting a file system of its own needs root");
    FullForAMoment disk(2 << 20);
    QVERIFY(disk.ready());
    const QStringList sources{disk.path(QStringLiteral("full.avi")), m_dir.filePath("roomy.avi")};
    for (const QString &source : sources)
        QVERIFY(QFile::copy(m_long, source));
    VlcEngine engine;
    Answers answers;
    answers.settings.conversion = {".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
    BatchRig rig(engine, answers, answers.settings);
    rig.batch.setMaxJobs(2);
    QSignalSpy started(&rig.batch, &Batch::fileStarted);
    QVERIFY(rig.start(sources));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.batch.isRunning(), 120000);

    QStringList attempts;
    for (const QVariantList &call : started)
        attempts << QFileInfo(call.value(1).toString()).fileName();
    attempts.sort();
    QCOMPARE(attempts, (QStringList{"full.avi", "full.avi", "roomy.avi"}));
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(rig.file(row).state, JobQueue::State::Converted);
        QVERIFY(qAbs(media::probe(rig.file(row).output).duration - 20.0) < 0.5);
    }
}

QTEST_GUILESS_MAIN(TestJobFaults)
#include "tst_jobfaults.moc"
