#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

// org.freedesktop.Notifications on a session bus: a notification with an
// action that shows a folder.
class Notifications final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Notifications)

public:
    explicit Notifications(const QDBusConnection &bus, QObject *parent = nullptr);

    void notify(const QString &summary, const QString &body, const QString &folder);

signals:
    void openFolderRequested(const QString &folder);

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QHash<uint, QString> m_folders; // of the notifications on screen
};
