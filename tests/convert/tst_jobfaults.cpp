// Jobs that must fail rather than be counted, through the real engine: a
// full disk, outputs without a single packet, an undecodable or vanished
// source. In each, a file already at the output name stays as it was.

#include <csignal>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/batchrig.h"
#include "convert/vlcengine.h"
#include "support/files.h"
#include "support/media.h"
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

// Zeroes the payload of every top-level box of the given type.
bool zeroBoxes(const QString &path, const QByteArray &type)
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
            file.seek(at + 8);
            file.write(QByteArray(size - 8, '\0'));
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

} // namespace

class TestJobFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void failsAndKeepsTheOldOutput_data();
    void failsAndKeepsTheOldOutput();

private:
    QTemporaryDir m_dir;
    QString m_clip;
    QString m_mov;
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
    QVERIFY(!m_clip.isEmpty() && !m_mov.isEmpty());
}

void TestJobFaults::failsAndKeepsTheOldOutput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("attempts"); // hand-overs to the engine
    QTest::addColumn<QString>("reason");
    const QString engine = QStringLiteral("the engine could not convert it");
    QTest::newRow("full disk") << "full" << 4 << "the container is cut short";
    QTest::newRow("media data zeroed") << "zeroed" << 4 << "the container has no media data (mdat)";
    QTest::newRow("first 20 KB of a mov") << "head" << 4 << engine;
    QTest::newRow("undecodable source") << "text" << 4 << engine;
    QTest::newRow("source gone") << "gone" << 0 << "the file no longer exists";
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
    } else if (kind != QLatin1String("gone")) {
        QVERIFY(QFile::copy(m_clip, source));
    }
    if (kind == QLatin1String("zeroed")) {
        QVERIFY(QFile::remove(source));
        QVERIFY(QFile::copy(m_mov, source));
        QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(zeroBoxes(source, "mdat"));
    }
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
    QTEST(rig.file(0).reason, "reason");
    QCOMPARE(readFile(output), QByteArray("the user's own file"));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral(".*")},
                                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

QTEST_GUILESS_MAIN(TestJobFaults)
#include "tst_jobfaults.moc"
