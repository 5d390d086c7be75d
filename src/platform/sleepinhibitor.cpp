#include "platform/sleepinhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
// The portal's flag for suspending.
constexpr uint kSuspend = 4;

} // namespace

SleepInhibitor::SleepInhibitor(const QDBusConnection &system, const QDBusConnection &session,
                               QObject *parent)
    : QObject(parent), m_system(system), m_session(session)
{
}

SleepInhibitor::~SleepInhibitor()
{
    letGo();
}

void SleepInhibitor::hold()
{
    m_wanted = true;
    if (!m_asking && !isHeld())
        askLogind();
}

void SleepInhibitor::release()
{
    m_wanted = false;
    // An answer on its way is let go as soon as it comes.
    if (!m_asking)
        letGo();
}

void SleepInhibitor::askLogind()
{
    if (!m_system.isConnected()) {
        askPortal();
        return;
    }
    m_asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Tarnwick")
         << QStringLiteral("Converting videos") << QStringLiteral("block");
    auto *watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        watcher->deleteLater();
        if (!reply.isValid() || !reply.value().isValid()) {
            askPortal();
            return;
        }
        m_asking = false;
        m_lock = reply.value();
        if (!m_wanted)
            letGo();
    });
}

void SleepInhibitor::askPortal()
{
    if (!m_session.isConnected()) {
        m_asking = false;
        return;
    }
    m_asking = true;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << kSuspend
         << QVariantMap{{QStringLiteral("reason"), QStringLiteral("Converting videos")}};
    auto *watcher = new QDBusPendingCallWatcher(m_session.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        watcher->deleteLater();
        m_asking = false;
        if (!reply.isValid())
            return;
        m_request = reply.value().path();
        if (!m_wanted)
            letGo();
    });
}

void SleepInhibitor::letGo()
{
    // The last copy of the descriptor closes it, and logind lets go.
    m_lock.reset();
    if (!m_request.isEmpty() && m_session.isConnected()) {
        m_session.asyncCall(QDBusMessage::createMethodCall(
            kPortal, m_request, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Close")));
    }
    m_request.clear();
}
