#include "platform/dbussession.h"

DBusSession::DBusSession(const QDBusConnection &system, const QDBusConnection &session,
                         QObject *parent)
    : SessionServices(parent), m_notifications(session), m_launcher(session),
      m_inhibitor(system, session)
{
    connect(&m_notifications, &Notifications::openFolderRequested, this,
            &SessionServices::openFolderRequested);
}

DBusSession::~DBusSession()
{
    m_launcher.clear();
}

void DBusSession::notify(const QString &summary, const QString &body, const QString &folder)
{
    m_notifications.notify(summary, body, folder);
}

void DBusSession::showProgress(double fraction, int filesLeft)
{
    m_launcher.show(fraction, filesLeft);
}

void DBusSession::clearProgress()
{
    m_launcher.clear();
}

void DBusSession::holdSleep()
{
    m_inhibitor.hold();
}

void DBusSession::releaseSleep()
{
    m_inhibitor.release();
}
