// A job's work folder and its commit while a second party, as another user
// where the case needs one, acts between the steps; and the sweep.

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "convert/jobfiles.h"
#include "support/files.h"
#include "support/scriptedplayer.h"
#include "support/skip.h"

namespace {

// sh -ec script in folder, as nobody or as this user.
bool runShell(const QString &folder, const QString &script, bool asNobody = false)
{
    QProcess shell;
    shell.setWorkingDirectory(folder);
    if (asNobody)
        shell.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
        });
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-ec"), script});
    return shell.waitForFinished() && shell.exitCode() == 0;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class TestWorkFolder : public QObject
{
    Q_OBJECT

private slots:
    void commitLeavesOtherFilesAlone_data();
    void commitLeavesOtherFilesAlone();
    void sweepTakesOnlyItsOwnLeftovers();
};

void TestWorkFolder::commitLeavesOtherFilesAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("existing"); // a 0600 file at the name, to be replaced
    QTest::addColumn<int>("policy");
    QTest::addColumn<QString>("meanwhile"); // in the output folder, before the engine writes
    QTest::addColumn<int>("asNobody");      // the output folder's mode then; 0: as this user
    QTest::addColumn<QString>("committed"); // empty: skipped
    const QString taken = QStringLiteral("echo other > clip.mp4");
    const int ask = int(ExistingOutput::Ask), overwrite = int(ExistingOutput::Overwrite);
    const QString clip = QStringLiteral("clip.mp4"), second = QStringLiteral("clip (2).mp4");
    const QString longest = QString(251, u'n') + QStringLiteral(".mp4");
    QTest::newRow("taken, keep both")
        << clip << false << int(ExistingOutput::KeepBoth) << taken << 0 << second;
    QTest::newRow("taken, ask") << clip << false << ask << taken << 0 << second;
    QTest::newRow("taken, skip")
        << clip << false << int(ExistingOutput::Skip) << taken << 0 << QString();
    QTest::newRow("overwrite") << clip << true << overwrite << QString() << 0 << clip;
    QTest::newRow("the overwritten file replaced")
        << clip << true << overwrite << "rm clip.mp4; " + taken << 0 << second;
    QTest::newRow("255 bytes") << longest << false << ask << QString() << 0 << longest;
    QTest::newRow("a link at the name")
        << clip << false << ask << "ln -s ../victim clip.mp4" << 0777 << second;
    QTest::newRow("the work folder swapped for a link")
        << clip << false << ask
        << "w=$(echo .tarnwick-work-*); mv $w moved; mkdir evil;"
           " ln -s ../../victim evil/part.mp4; ln -s evil $w"
        << 0777 << clip;
    QTest::newRow("another user's file, sticky folder")
        << clip << false << overwrite << taken << 01777 << second;
}

void TestWorkFolder::commitLeavesOtherFilesAlone()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QFETCH(QString, meanwhile);
    QFETCH(int, asNobody);
    QFETCH(QString, committed);
    if (asNobody && ::geteuid() != 0)
        TARNWICK_SKIP("acting as another user needs root");
    ::umask(022);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out")), output = out + u'/' + name;
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QVERIFY(QDir().mkdir(out) && writeFile(victim, "precious"));
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(out).constData(), asNobody ? mode_t(asNobody) : 0755), 0);
    QVERIFY(!existing || (writeFile(output, "old") && ::chmod(QFile::encodeName(output), 0600) == 0));

    jobfiles::PrepareRequest request;
    request.input = victim;
    request.name = output;
    QFETCH(int, policy);
    request.policy = ExistingOutput(policy);
    const jobfiles::Prepared prepared = jobfiles::prepare(request);
    QVERIFY2(prepared.work, qPrintable(prepared.partError));
    QVERIFY(meanwhile.isEmpty() || runShell(out, meanwhile, asNobody));
    QVERIFY(writeFile(prepared.work->partPath(), "converted"));
    ScriptedEngine engine(std::make_shared<PlayerScript>());
    const jobfiles::Finished finished = jobfiles::finish(
        engine, *prepared.work, {output, request.policy, prepared.replaced}, {}, false);

    QCOMPARE(finished.skipped, committed.isEmpty());
    QCOMPARE(finished.output, committed.isEmpty() ? QString() : out + u'/' + committed);
    struct stat st {};
    if (!committed.isEmpty()) {
        QCOMPARE(::lstat(QFile::encodeName(finished.output).constData(), &st), 0);
        QVERIFY(S_ISREG(st.st_mode) && st.st_uid == ::geteuid());
        QCOMPARE(st.st_mode & 0777, committed == name && existing ? 0600u : 0644u);
        QCOMPARE(readFile(finished.output), "converted");
    }
    if (committed != name) // the other writer's file stays
        QVERIFY(QFileInfo::exists(output) && readFile(output) != "converted");
    QCOMPARE(readFile(victim), "precious");
    // Only a folder that someone moved away stays behind, and is named.
    const bool moved = meanwhile.contains(QLatin1String("mv "));
    QCOMPARE(finished.undeletable.isEmpty(), !moved);
    QCOMPARE(entries(out).filter(QStringLiteral(".tarnwick-work-")).size(), moved ? 1 : 0);
}

void TestWorkFolder::sweepTakesOnlyItsOwnLeftovers()
{
    QTemporaryDir dir;
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    // A killed copy's folder, a running job's, and what only looks like one:
    // a folder with a user's file in it, a link, a file, a user's own file.
    QVERIFY(runShell(dir.path(), "mkdir .tarnwick-work-Killed .tarnwick-work-Notes1 linked;"
                                 " touch .tarnwick-work-Killed/lock .tarnwick-work-Killed/part.mp4"
                                 " .tarnwick-work-Notes1/notes.txt linked/lock linked/part.mp4"
                                 " .tarnwick-work-File01 .notes.txt.31001.part.txt;"
                                 " ln -s linked .tarnwick-work-Link01"));
    const std::unique_ptr<WorkFolder> running =
        WorkFolder::create(dir.filePath(QStringLiteral("clip.mp4")), nullptr);
    QVERIFY(running && writeFile(running->partPath(), "x"));
    QStringList kept = entries(dir.path());
    kept.removeOne(QStringLiteral(".tarnwick-work-Killed"));

    QCOMPARE(sweepWorkFolders(dir.path()), 1);
    QCOMPARE(entries(dir.path()), kept);
    QCOMPARE(entries(dir.filePath(QStringLiteral(".tarnwick-work-Notes1"))), QStringList{"notes.txt"});
    QCOMPARE(entries(dir.filePath(QStringLiteral("linked"))), QStringList({"lock", "part.mp4"}));
    QVERIFY(QFileInfo::exists(running->partPath()));

    if (::geteuid() != 0)
        TARNWICK_SKIP("acting as another user needs root");
    // Root in a sticky folder could remove another user's folder: it does not.
    QVERIFY(runShell(dir.path(), "mkdir .tarnwick-work-Others; touch .tarnwick-work-Others/lock"
                                 " .tarnwick-work-Others/part.mp4", true));
    QCOMPARE(sweepWorkFolders(dir.path()), 0);
    QCOMPARE(entries(dir.filePath(QStringLiteral(".tarnwick-work-Others"))).size(), 2);
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"
