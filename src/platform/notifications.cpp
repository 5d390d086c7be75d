#include "platform/notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kShowFolder = QStringLiteral("show-folder");

} // namespace

Notifications::Notifications(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    // Any sender: a service started on demand has no name yet to match.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

void Notifications::notify(const QString &summary, const QString &body, const QString &folder)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("Notify"));
    const QStringList actions{QStringLiteral("default"), QStringLiteral("Show Folder"),
                              kShowFolder, QStringLiteral("Show Folder")};
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.tarnwick.Tarnwick")}};
    call << QStringLiteral("Tarnwick") << uint(0) << QStringLiteral("org.tarnwick.Tarnwick")
         << summary << body << actions << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, folder] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        if (reply.isValid())
            m_folders.insert(reply.value(), folder);
    });
}

void Notifications::onActionInvoked(uint id, const QString &action)
{
    const auto it = m_folders.constFind(id);
    if (it == m_folders.cend())
        return;
    if (action == kShowFolder || action == QLatin1String("default"))
        emit openFolderRequested(it.value());
}

void Notifications::onClosed(uint id, uint)
{
    m_folders.remove(id);
}
