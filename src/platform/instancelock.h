#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

// A per-user local socket named after a window title. The window that carries
// the title holds it, so a program that cannot list other programs' windows
// still finds a running copy.
//
// The socket lives in a folder only its user can write to: $XDG_RUNTIME_DIR
// when it is the user's own with mode 0700, else a folder tarnwick-<uid> of
// mode 0700 under $TMPDIR or, failing that, under /tmp. Anywhere else another
// user could listen on the name first and keep the program from starting.
//
// A later start hands its files to the holder over the socket: absolute
// paths in UTF-8, one per line, and an empty line; the holder answers with a
// newline and reports the paths with filesReceived.
class InstanceLock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceLock)

public:
    explicit InstanceLock(const QString &title, QObject *parent = nullptr);
    ~InstanceLock() override;

    static bool isHeld(const QString &title);
    // True once the holder of the title's socket has all of paths.
    static bool handOver(const QString &title, const QStringList &paths);
    // False when a running copy holds the socket or no private folder can be
    // had; the reason goes to stderr.
    bool acquire();

signals:
    void filesReceived(const QStringList &paths);

private:
    void receive();

    // The socket's full path; empty when no private folder can be had, with
    // the reasons in *problems.
    static QString socketPath(const QString &title, QString *problems = nullptr);

    QString m_title;
    std::unique_ptr<QLocalServer> m_server;
};
