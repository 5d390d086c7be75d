// The session's services on a private session bus (dbus-run-session), with
// small stand-ins registered by the test for the notification server,
// logind and the desktop portal, and without any of them.

#include <poll.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QSignalSpy>
#include <QTest>

#include "platform/dbussession.h"
#include "platform/launcherentry.h"

namespace {

class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList summaries, bodies, actions;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary,
                const QString &body, const QStringList &actionList, const QVariantMap &, int)
    {
        summaries << summary;
        bodies << body;
        actions = actionList;
        return 40 + uint(summaries.size());
    }
};

class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~FakeLogind() override
    {
        if (writeEnd >= 0)
            ::close(writeEnd);
    }
    QStringList requests;
    int writeEnd = -1;
    // Every copy of the handed-out descriptor is closed.
    bool released() const
    {
        pollfd p{writeEnd, POLLOUT, 0};
        return writeEnd >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR);
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        requests << QStringList{what, who, why, mode}.join(QLatin1Char('|'));
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        writeEnd = fds[1];
        QDBusUnixFileDescriptor lock(fds[0]); // a copy goes out with the reply
        ::close(fds[0]);
        return lock;
    }
};

class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    bool closed = false;
public slots:
    void Close() { closed = true; }
};

class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    QList<uint> flags;
    QStringList reasons;
public slots:
    QDBusObjectPath Inhibit(const QString &, uint flag, const QVariantMap &options)
    {
        flags << flag;
        reasons << options.value(QStringLiteral("reason")).toString();
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1/t"));
    }
};

class LauncherListener : public QObject
{
    Q_OBJECT

public:
    QStringList applications;
    QList<QVariantMap> updates;
public slots:
    void update(const QString &application, const QVariantMap &properties)
    {
        applications << application;
        updates << properties;
    }
};

// The stand-ins live on a connection of their own, as another process's would.
struct FakeBus
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                        QStringLiteral("fake-services"));
    FakeNotifications notifications;
    FakeLogind logind;
    FakePortal portal;
    FakePortalRequest request;
    LauncherListener launcher;

    bool serve(const char *name, const char *path, QObject *object)
    {
        return bus.registerObject(QLatin1String(path), object, QDBusConnection::ExportAllSlots) &&
               bus.registerService(QLatin1String(name));
    }
    ~FakeBus()
    {
        for (const char *name : {"org.freedesktop.Notifications", "org.freedesktop.login1",
                                 "org.freedesktop.portal.Desktop"})
            bus.unregisterService(QLatin1String(name));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-services"));
    }
};

} // namespace

class TestDBusSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void notificationShowsFolder();
    void launcherEntry();
    void sleepLock_data();
    void sleepLock();
    void nothingOnTheBus();
};

void TestDBusSession::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("needs a session bus (run under dbus-run-session)");
}

void TestDBusSession::notificationShowsFolder()
{
    FakeBus fake;
    QVERIFY(fake.serve("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                       &fake.notifications));
    DBusSession session(QDBusConnection(QStringLiteral("no system bus")),
                        QDBusConnection::sessionBus());
    QSignalSpy open(&session, &SessionServices::openFolderRequested);
    session.notify(QStringLiteral("Conversion complete"), QStringLiteral("Converted: 2, failed: 1"),
                   QStringLiteral("/videos/out"));
    QTRY_COMPARE(fake.notifications.summaries, QStringList{"Conversion complete"});
    QCOMPARE(fake.notifications.bodies, QStringList{"Converted: 2, failed: 1"});
    QVERIFY(fake.notifications.actions.contains(QStringLiteral("show-folder")));

    // The action of another program's notification is not ours.
    for (const uint id : {7u, 41u}) {
        QDBusMessage invoked = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        invoked << id << QStringLiteral("show-folder");
        QVERIFY(fake.bus.send(invoked));
    }
    QVERIFY(open.wait(5000));
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("/videos/out"));
}

void TestDBusSession::launcherEntry()
{
    FakeBus fake;
    QVERIFY(fake.bus.connect(QString(), QLatin1String(LauncherEntry::kPath),
                             QStringLiteral("com.canonical.Unity.LauncherEntry"),
                             QStringLiteral("Update"), &fake.launcher,
                             SLOT(update(QString, QVariantMap))));
    {
        DBusSession session(QDBusConnection(QStringLiteral("no system bus")),
                            QDBusConnection::sessionBus());
        session.showProgress(0.25, 3);
        QTRY_COMPARE(fake.launcher.updates.size(), 1);
        const QVariantMap shown = fake.launcher.updates.at(0);
        QCOMPARE(shown.value(QStringLiteral("progress")).toDouble(), 0.25);
        QCOMPARE(shown.value(QStringLiteral("progress-visible")).toBool(), true);
        QCOMPARE(shown.value(QStringLiteral("count")).toLongLong(), 3);
        QCOMPARE(shown.value(QStringLiteral("count-visible")).toBool(), true);
        // Shown at exit: the entry is cleared as the program goes.
    }
    QTRY_COMPARE(fake.launcher.updates.size(), 2);
    QCOMPARE(fake.launcher.applications,
             QStringList(2, QStringLiteral("application://org.tarnwick.Tarnwick.desktop")));
    QCOMPARE(fake.launcher.updates.at(1).value(QStringLiteral("progress-visible")).toBool(), false);
    QCOMPARE(fake.launcher.updates.at(1).value(QStringLiteral("count-visible")).toBool(), false);
}

void TestDBusSession::sleepLock_data()
{
    QTest::addColumn<bool>("logind");
    QTest::addColumn<bool>("releaseBeforeAnswer");
    QTest::newRow("logind") << true << false;
    QTest::newRow("logind, released before its answer") << true << true;
    QTest::newRow("portal") << false << false;
    QTest::newRow("portal, released before its answer") << false << true;
}

void TestDBusSession::sleepLock()
{
    QFETCH(bool, logind);
    QFETCH(bool, releaseBeforeAnswer);
    FakeBus fake;
    QVERIFY(fake.serve("org.freedesktop.login1", "/org/freedesktop/login1", &fake.logind));
    QVERIFY(fake.serve("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                       &fake.portal));
    QVERIFY(fake.bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop/request/1/t"),
                                    &fake.request, QDBusConnection::ExportAllSlots));
    // Logind is on the system bus; here the private bus stands in for it.
    const QDBusConnection system = logind ? QDBusConnection::sessionBus()
                                          : QDBusConnection(QStringLiteral("no system bus"));
    SleepInhibitor inhibitor(system, QDBusConnection::sessionBus());
    inhibitor.hold();
    inhibitor.hold();
    if (releaseBeforeAnswer)
        inhibitor.release();
    if (logind) {
        QTRY_COMPARE(fake.logind.requests,
                     QStringList{"sleep|Tarnwick|Converting videos|block"});
        if (!releaseBeforeAnswer) {
            QTRY_VERIFY(inhibitor.isHeld());
            QVERIFY(!fake.logind.released());
            inhibitor.release();
        }
        QTRY_VERIFY(fake.logind.released());
        QVERIFY(fake.portal.flags.isEmpty());
    } else {
        QTRY_COMPARE(fake.portal.flags, QList<uint>{4});
        QCOMPARE(fake.portal.reasons, QStringList{"Converting videos"});
        if (!releaseBeforeAnswer) {
            QTRY_VERIFY(inhibitor.isHeld());
            QVERIFY(!fake.request.closed);
            inhibitor.release();
        }
        QTRY_VERIFY(fake.request.closed);
    }
    QVERIFY(!inhibitor.isHeld());
}

void TestDBusSession::nothingOnTheBus()
{
    // No notification server, no logind, no portal: every call comes back
    // with an error that nobody sees.
    DBusSession session(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
    QSignalSpy open(&session, &SessionServices::openFolderRequested);
    session.holdSleep();
    session.notify(QStringLiteral("Conversion complete"), QString(), QStringLiteral("/"));
    session.showProgress(1.0, 0);
    session.clearProgress();
    // A later call on the same connection is answered after the failed ones.
    const QDBusMessage id = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    QCOMPARE(id.type(), QDBusMessage::ReplyMessage);
    QCoreApplication::processEvents();
    session.releaseSleep();
    QVERIFY(open.isEmpty());
}

QTEST_GUILESS_MAIN(TestDBusSession)
#include "tst_dbussession.moc"
