// Formats.ini under faults: killed writes, a full disk, odd files. The
// catalogue and the stored folder are never lost or half-written.

#include <csignal>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "settings/settingsfile.h"
#include "support/hostfixture.h"
#include "support/skip.h"
#include "support/files.h"

namespace {

const QByteArray kCatalogue = "; catalogue\r\n[genral]\r\nExtentions=.mp4|.avi\r\n"
                              "OutputPath=/first\r\n[muxer]\r\n.mp4=mp4\r\n.avi=avi\r\n";

} // namespace

class TestSettingsFaults : public QObject
{
    Q_OBJECT

private slots:
    void killedWritesLeaveAWholeFile_data();
    void killedWritesLeaveAWholeFile();
    void failedSyncKeepsTheOldFile();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void exitWithoutRoomKeepsTheCatalogue();
    void oddFilesStartAndSurviveTheExitWrite_data();
    void oddFilesStartAndSurviveTheExitWrite();
};

void TestSettingsFaults::killedWritesLeaveAWholeFile_data()
{
    QTest::addColumn<int>("killedWrite");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("first write") << 1 << kCatalogue;
    // The second write, with two x, was the last to be committed.
    QTest::newRow("third write")
        << 3 << QByteArray(kCatalogue).replace("OutputPath=/first", "OutputPath=/home/user/Videos/xx");
}

void TestSettingsFaults::killedWritesLeaveAWholeFile()
{
    QFETCH(int, killedWrite);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString ini = dir.filePath("Formats.ini");
    QVERIFY(writeFile(ini, kCatalogue));
    const QString writer = QStringLiteral(TARNWICK_TEST_BIN_DIR "/settingswriter");

    QProcess process;
    process.start(writer, {ini, QString::number(killedWrite)});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine() || process.state() == QProcess::NotRunning,
                             20000);
    const QByteArray line = process.readLine().trimmed();
    QVERIFY2(line.startsWith("committing "), line.constData());
    const QString newFile = QFile::decodeName(line.mid(11));
    const QString stat = QStringLiteral("/proc/%1/stat").arg(process.processId());
    QTRY_VERIFY(readFile(stat).contains(") T "));
    // The write got as far as it can without replacing the file: the new
    // text is complete beside it.
    const QByteArray value = "OutputPath=/home/user/Videos/" + QByteArray(killedWrite, 'x') + "\r\n";
    QVERIFY2(readFile(newFile).contains(value), qPrintable(newFile));
    ::kill(pid_t(process.processId()), SIGKILL);
    QVERIFY(process.waitForFinished());

    QCOMPARE(readFile(ini), expected);
    // A write killed half way leaves at most its own temporary file beside it.
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
        QVERIFY2(name == "Formats.ini" || name.startsWith("Formats.ini."), qPrintable(name));
}

void TestSettingsFaults::failedSyncKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Formats.ini");
    QVERIFY(writeFile(ini, kCatalogue));
    QProcess process;
    process.start(QStringLiteral(TARNWICK_TEST_BIN_DIR "/settingswriter"), {ini, "fsync-fails"});
    QVERIFY2(process.waitForFinished(20000), "the writer did not end");
    QCOMPARE(process.readAllStandardOutput(), QByteArray("refused\n"));
    QCOMPARE(readFile(ini), kCatalogue);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Formats.ini"});
}

void TestSettingsFaults::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("value");
    // A short file waits in Qt's write buffer until it is closed.
    QTest::newRow("short value") << QStringLiteral("/v/new");
    QTest::newRow("long value") << QString(20000, QLatin1Char('y'));
}

void TestSettingsFaults::fullDiskKeepsTheOldFile()
{
    QFETCH(QString, value);
    if (::geteuid() != 0)
        TARNWICK_SKIP("mounting a small file system needs root");
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        TARNWICK_SKIP("tmpfs cannot be mounted here");
    auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });

    const QString ini = dir.filePath("Formats.ini");
    QVERIFY(writeFile(ini, kCatalogue));
    // Fill the disk.
    {
        QFile filler(dir.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'z');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    SettingsFile settings;
    settings.setFileName(ini);
    QVERIFY(!settings.writeString("OutputPath", value, "genral"));
    QCOMPARE(readFile(ini), kCatalogue);
}

void TestSettingsFaults::exitWithoutRoomKeepsTheCatalogue()
{
    HostFixture fx(kCatalogue);
    MainWindow &dlg = fx.start();
    // A file size limit fails the write as a full disk or quota would, without
    // privileges; ignored, SIGXFSZ turns into EFBIG.
    rlimit before {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 16;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto restore = qScopeGuard([&] {
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
    });
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("output folder .* not remembered"));
    dlg.shutDown();
    QCOMPARE(readFile(fx.file("Formats.ini")), kCatalogue);
}

void TestSettingsFaults::oddFilesStartAndSurviveTheExitWrite_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only") << "read-only";
    QTest::newRow("link to /dev/null") << "devnull";
    QTest::newRow("1 MB of random bytes") << "random";
    QTest::newRow("a directory") << "directory";
}

void TestSettingsFaults::oddFilesStartAndSurviveTheExitWrite()
{
    QFETCH(QString, kind);
    HostFixture fx(QByteArray{}); // no catalogue written by the fixture
    const QString ini = fx.file("Formats.ini");
    QByteArray before;
    if (kind == "read-only") {
        QVERIFY(writeFile(ini, kCatalogue));
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup));
        before = kCatalogue;
    } else if (kind == "devnull") {
        QVERIFY(QFile::link("/dev/null", ini));
    } else if (kind == "random") {
        QByteArray bytes(1 << 20, '\0');
        QRandomGenerator gen(7);
        gen.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        QVERIFY(writeFile(ini, bytes));
        before = bytes;
    } else {
        QVERIFY(QDir().mkdir(ini));
    }

    MainWindow &dlg = fx.start();
    QCOMPARE(presets(dlg, ConversionChoice::List::Formats).size(), kind == "read-only" ? 2 : 1);
    QVERIFY(fx.desktop.boxes.isEmpty());
    dlg.shutDown();

    if (kind == "devnull") {
        QVERIFY(QFileInfo(ini).isSymLink());
        QCOMPARE(QFileInfo(ini).symLinkTarget(), QStringLiteral("/dev/null"));
    } else if (kind == "random") {
        // The key is added; every byte that was there stays.
        QVERIFY(readFile(ini).startsWith(before));
        SettingsFile settings;
        settings.setFileName(ini);
        QCOMPARE(settings.readString("OutputPath", "", "genral"), dlg.session().outputFolder());
    } else if (kind == "directory") {
        QVERIFY(QFileInfo(ini).isDir());
    } else {
        QCOMPARE(readFile(ini), before);
    }
}

QTEST_MAIN(TestSettingsFaults)
#include "tst_settingsfaults.moc"
