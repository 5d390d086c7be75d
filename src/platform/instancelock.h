#pragma once

#include <memory>

#include <QString>

class QLocalServer;

// A per-user local socket named after a window title. The window that carries
// the title holds it, so a program that cannot list other programs' windows
// still finds a running copy.
//
// The socket lives in a folder only its user can write to: $XDG_RUNTIME_DIR
// when it is the user's own with mode 0700, else a folder tarnwick-<uid> of
// mode 0700 under $TMPDIR or, failing that, under /tmp. Anywhere else another
// user could listen on the name first and keep the program from starting.
class InstanceLock final
{
public:
    explicit InstanceLock(const QString &title);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    static bool isHeld(const QString &title);
    // False when a running copy holds the socket or no private folder can be
    // had; the reason goes to stderr.
    bool acquire();

private:
    // The socket's full path; empty when no private folder can be had, with
    // the reasons in *problems.
    static QString socketPath(const QString &title, QString *problems = nullptr);

    QString m_title;
    std::unique_ptr<QLocalServer> m_server;
};
