#pragma once

#include <optional>

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

// Keeps the machine awake: logind's sleep lock on the system bus, or where
// there is none the desktop portal's Inhibit on the session bus. Neither
// being there is no error; the machine may then sleep as before.
class SleepInhibitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SleepInhibitor)

public:
    SleepInhibitor(const QDBusConnection &system, const QDBusConnection &session,
                   QObject *parent = nullptr);
    ~SleepInhibitor() override;

    void hold();
    void release();
    // A lock is held right now (an answer may still be on its way).
    bool isHeld() const { return m_lock.has_value() || !m_request.isEmpty(); }

private:
    void askLogind();
    void askPortal();
    void letGo();

    QDBusConnection m_system;
    QDBusConnection m_session;
    bool m_wanted = false;
    bool m_asking = false;
    // Logind holds the lock as long as this descriptor is open.
    std::optional<QDBusUnixFileDescriptor> m_lock;
    QString m_request; // the portal's handle
};
