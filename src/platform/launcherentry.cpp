#include "platform/launcherentry.h"

#include <QDBusMessage>
#include <QVariantMap>

LauncherEntry::LauncherEntry(const QDBusConnection &bus) : m_bus(bus) {}

void LauncherEntry::show(double fraction, int count)
{
    m_shown = true;
    update({{QStringLiteral("progress"), qBound(0.0, fraction, 1.0)},
            {QStringLiteral("progress-visible"), true},
            {QStringLiteral("count"), qint64(count)},
            {QStringLiteral("count-visible"), true}});
}

void LauncherEntry::clear()
{
    // Nothing shown, nothing to take back: the exit of a program that never
    // converted sends nothing.
    if (!m_shown)
        return;
    m_shown = false;
    update({{QStringLiteral("progress"), 0.0},
            {QStringLiteral("progress-visible"), false},
            {QStringLiteral("count"), qint64(0)},
            {QStringLiteral("count-visible"), false}});
}

void LauncherEntry::update(const QVariantMap &properties)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kPath),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    signal << QLatin1String(kApplication) << properties;
    m_bus.send(signal);
}
