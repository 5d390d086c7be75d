#pragma once

#include <QDBusConnection>
#include <QString>

// com.canonical.Unity.LauncherEntry: progress and a count on the program's
// taskbar entry, sent as signals any dock may listen to.
class LauncherEntry final
{
    Q_DISABLE_COPY_MOVE(LauncherEntry)

public:
    static constexpr const char *kPath = "/org/tarnwick/Tarnwick/LauncherEntry";
    static constexpr const char *kApplication = "application://org.tarnwick.Tarnwick.desktop";

    explicit LauncherEntry(const QDBusConnection &bus);

    void show(double fraction, int count);
    void clear();

private:
    void update(const QVariantMap &properties);

    QDBusConnection m_bus;
    bool m_shown = false;
};
