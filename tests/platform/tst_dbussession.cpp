// The session's services on a private session bus (dbus-run-session): one
// stand-in answers as the notification server, logind and the portal do.

#include <poll.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>

#include "platform/dbussession.h"
#include "support/skip.h"

namespace {

const QStringList kNames{"org.freedesktop.Notifications", "org.freedesktop.login1",
                         "org.freedesktop.portal.Desktop"};

// Records each call as "Member arg|arg" and answers it; lives on a
// connection of its own, as another process would.
class FakeServices final : public QDBusVirtualObject
{
public:
    FakeServices() { bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath); }
    ~FakeServices() override
    {
        for (const QString &name : kNames)
            bus.unregisterService(name);
        QDBusConnection::disconnectFromBus(bus.name());
        if (lockEnd >= 0)
            ::close(lockEnd);
    }
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &) override
    {
        QStringList args;
        for (const QVariant &a : call.arguments())
            args << (a.typeId() == QMetaType::QStringList ? a.toStringList().join(QLatin1Char(','))
                                                          : a.toString());
        calls << call.member() + QLatin1Char(' ') + args.join(QLatin1Char('|'));
        QVariant answer;
        if (call.member() == QLatin1String("Notify")) {
            answer = uint(41);
        } else if (call.interface() == QLatin1String("org.freedesktop.login1.Manager")) {
            int fds[2];
            if (::pipe(fds) != 0)
                return false;
            lockEnd = fds[1];
            answer = QVariant::fromValue(QDBusUnixFileDescriptor(fds[0]));
            ::close(fds[0]);
        } else if (call.member() == QLatin1String("Inhibit")) {
            answer = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/request/1")));
        }
        return bus.send(answer.isValid() ? call.createReply(answer) : call.createReply());
    }
    // Every copy of the descriptor logind handed out is closed.
    bool lockReleased() const
    {
        pollfd p{lockEnd, POLLOUT, 0};
        return lockEnd >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR);
    }

    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                        QStringLiteral("fake"));
    QStringList calls;
    int lockEnd = -1;
};

} // namespace

class TestDBusSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void notificationAndTaskbar();
    void sleepLock_data();
    void sleepLock();
    void nothingOnTheBus();
    void onUpdate(const QString &application, const QVariantMap &properties);

private:
    QStringList m_updates;
};

void TestDBusSession::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        TARNWICK_SKIP("needs a session bus (run under dbus-run-session)");
}

void TestDBusSession::onUpdate(const QString &application, const QVariantMap &p)
{
    m_updates << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(application, p.value("progress").toString(),
                          p.value("progress-visible").toString(), p.value("count").toString(),
                          p.value("count-visible").toString());
}

void TestDBusSession::notificationAndTaskbar()
{
    FakeServices fake;
    QVERIFY(fake.bus.registerService(kNames[0]));
    QVERIFY(fake.bus.connect(QString(), QStringLiteral("/org/tarnwick/Tarnwick/LauncherEntry"),
                             QStringLiteral("com.canonical.Unity.LauncherEntry"),
                             QStringLiteral("Update"), this, SLOT(onUpdate(QString, QVariantMap))));
    auto session = std::make_unique<DBusSession>(QDBusConnection(QStringLiteral("none")),
                                                 QDBusConnection::sessionBus());
    QSignalSpy open(session.get(), &SessionServices::openFolderRequested);
    session->notify(QStringLiteral("Conversion complete"), QStringLiteral("Converted: 2, failed: 1"),
                    QStringLiteral("/videos/out"));
    QTRY_COMPARE(fake.calls.value(0).section(QLatin1Char('|'), 3, 5),
                 QStringLiteral("Conversion complete|Converted: 2, failed: 1|"
                                "default,Show Folder,show-folder,Show Folder"));
    // Only the action of our own notification (41) shows the folder.
    for (const uint id : {7u, 41u}) {
        QDBusMessage invoked = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        fake.bus.send(invoked << id << QStringLiteral("show-folder"));
    }
    QVERIFY(open.wait(5000));
    QCOMPARE(open, (QList<QVariantList>{{QStringLiteral("/videos/out")}}));

    session->showProgress(0.25, 3);
    session.reset(); // at exit the entry is cleared
    const QString app = QStringLiteral("application://org.tarnwick.Tarnwick.desktop");
    QTRY_COMPARE(m_updates, (QStringList{app + " 0.25 true 3 true", app + " 0 false 0 false"}));
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
    FakeServices fake;
    QVERIFY(fake.bus.registerService(kNames[1]) && fake.bus.registerService(kNames[2]));
    // Logind is on the system bus; the private bus stands in for it.
    SleepInhibitor inhibitor(logind ? QDBusConnection::sessionBus()
                                    : QDBusConnection(QStringLiteral("none")),
                             QDBusConnection::sessionBus());
    inhibitor.hold();
    inhibitor.hold();
    if (releaseBeforeAnswer)
        inhibitor.release();
    QTRY_VERIFY(!fake.calls.isEmpty());
    QCOMPARE(fake.calls[0], logind ? QStringLiteral("Inhibit sleep|Tarnwick|Converting videos|block")
                                   : QStringLiteral("Inhibit |4|"));
    if (!releaseBeforeAnswer) {
        QTRY_VERIFY(inhibitor.isHeld());
        QVERIFY(!fake.lockReleased() && fake.calls.size() == 1);
        inhibitor.release();
    }
    if (logind)
        QTRY_VERIFY(fake.lockReleased());
    else
        QTRY_COMPARE(fake.calls.value(1), QStringLiteral("Close "));
    QVERIFY(!inhibitor.isHeld());
}

void TestDBusSession::nothingOnTheBus()
{
    // No notification server, logind or portal: the calls fail unseen, and a
    // call after them is answered as usual.
    DBusSession session(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
    session.holdSleep();
    session.notify(QStringLiteral("Conversion complete"), QString(), QStringLiteral("/"));
    session.showProgress(1.0, 0);
    session.releaseSleep();
    QCOMPARE(QDBusConnection::sessionBus()
                 .call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetId"))
                 .type(),
             QDBusMessage::ReplyMessage);
}

QTEST_GUILESS_MAIN(TestDBusSession)
#include "tst_dbussession.moc"
