#pragma once

#include <memory>

#include <QString>

class QLocalServer;

// A per-user local socket named after a window title. The window that carries
// the title holds it, so a program that cannot list other programs' windows
// still finds a running copy.
class InstanceLock final
{
public:
    explicit InstanceLock(const QString &title);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    static bool isHeld(const QString &title);
    bool acquire();

private:
    static QString serverName(const QString &title);

    QString m_title;
    std::unique_ptr<QLocalServer> m_server;
};
