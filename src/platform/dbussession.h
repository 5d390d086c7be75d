#pragma once

#include "platform/launcherentry.h"
#include "platform/notifications.h"
#include "platform/sessionservices.h"
#include "platform/sleepinhibitor.h"

// The session's services over D-Bus: notifications and the taskbar entry on
// the session bus, the sleep lock on the system bus or the session's portal.
class DBusSession final : public SessionServices
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBusSession)

public:
    DBusSession(const QDBusConnection &system, const QDBusConnection &session,
                QObject *parent = nullptr);
    ~DBusSession() override;

    void notify(const QString &summary, const QString &body, const QString &folder) override;
    void showProgress(double fraction, int filesLeft) override;
    void clearProgress() override;
    void holdSleep() override;
    void releaseSleep() override;

private:
    Notifications m_notifications;
    LauncherEntry m_launcher;
    SleepInhibitor m_inhibitor;
};
