// The single-copy lock lives where only its user can write, whatever TMPDIR
// says, and a socket someone else made never counts as a running copy.

#include <grp.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/instancelock.h"
#include "support/skip.h"

class TestInstanceLock : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void lockWhereOnlyTheUserCanWrite_data();
    void lockWhereOnlyTheUserCanWrite();

private:
    const QByteArray m_oldTmp = qgetenv("TMPDIR"), m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    QByteArray m_mounted;
    QProcess m_intruder;
};

void TestInstanceLock::cleanup()
{
    m_intruder.kill();
    m_intruder.waitForFinished();
    if (!m_mounted.isEmpty())
        ::umount2(m_mounted.constData(), MNT_DETACH);
    m_mounted.clear();
    qputenv("TMPDIR", m_oldTmp);
    qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
}

void TestInstanceLock::lockWhereOnlyTheUserCanWrite_data()
{
    QTest::addColumn<QString>("tmpDir");
    QTest::newRow("read-only TMPDIR") << "read-only";
    QTest::newRow("TMPDIR too long for a socket") << "long";
    QTest::newRow("TMPDIR that does not exist") << "missing";
    QTest::newRow("another user's socket and folder in a shared TMPDIR") << "shared";
}

void TestInstanceLock::lockWhereOnlyTheUserCanWrite()
{
    QFETCH(QString, tmpDir);
    // A title of this test's own: a copy of the program running beside the
    // tests holds the real one in the last fallback, /tmp.
    const QString title = QStringLiteral("TarnwickLockTest%1").arg(QCoreApplication::applicationPid());
    const QString socketName = QStringLiteral("/%1-%2.lock").arg(title).arg(::getuid());
    const QString own = QStringLiteral("/tarnwick-%1").arg(::getuid());
    QTemporaryDir dir;
    QString tmp = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkdir(tmp));
    qunsetenv("XDG_RUNTIME_DIR");
    if (tmpDir == "read-only" && ::geteuid() == 0) {
        // Root writes into any folder; only a read-only mount stops it.
        m_mounted = QFile::encodeName(tmp);
        QCOMPARE(::mount("tmpfs", m_mounted.constData(), "tmpfs", MS_RDONLY, "size=64k"), 0);
    } else if (tmpDir == "read-only") {
        QVERIFY(QFile::setPermissions(tmp, QFile::ReadOwner | QFile::ExeOwner));
    } else if (tmpDir == "long") {
        tmp += QLatin1Char('/') + QString(100, QLatin1Char('x'));
        QVERIFY(QDir().mkpath(tmp));
    } else if (tmpDir == "missing") {
        tmp += QStringLiteral("/gone");
    } else {
        if (::geteuid() != 0)
            TARNWICK_SKIP("acting as another user needs root");
        // A sticky folder for everyone, where another user listens first on
        // the name and takes the per-user folder's name.
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(tmp).constData(), 01777), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(tmp));
        const QByteArray folder = QFile::encodeName(tmp + own);
        const QByteArray socket = QFile::encodeName(tmp + socketName);
        m_intruder.setChildProcessModifier([=] {
            constexpr uid_t nobody = 65534;
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            ::strncpy(address.sun_path, socket.constData(), sizeof address.sun_path - 1);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0 ||
                ::mkdir(folder.constData(), 0700) != 0 ||
                ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
                ::listen(fd, 5) != 0 || ::chmod(socket.constData(), 0777) != 0)
                ::_exit(3);
        });
        m_intruder.start(QStringLiteral("sleep"), {QStringLiteral("600")});
        QTRY_COMPARE(QFileInfo(QFile::decodeName(socket)).ownerId(), 65534u);
    }
    qputenv("TMPDIR", QFile::encodeName(tmp));

    QVERIFY(!InstanceLock::isHeld(title));
    {
        InstanceLock lock(title);
        QCOMPARE(lock.acquire(), InstanceLock::Outcome::Acquired);
        QVERIFY(InstanceLock::isHeld(title));
        InstanceLock second(title);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("another copy holds"));
        QCOMPARE(second.acquire(), InstanceLock::Outcome::HeldElsewhere);
        // The socket is in a folder of this user's that nobody else may enter.
        const QString fallback = QStringLiteral("/tmp") + own;
        QVERIFY(QFileInfo::exists(fallback + socketName));
        struct stat st {};
        QCOMPARE(::lstat(QFile::encodeName(fallback).constData(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0777) == 0700);
        QVERIFY(!QFileInfo::exists(socketName));
    }
    QVERIFY(!InstanceLock::isHeld(title));
}

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
