#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// A per-user local socket named after a window title. The window that carries
// the title holds it, so a program that cannot list other programs' windows
// still finds a running copy.
//
// The socket lives in a folder only its user can write to: $XDG_RUNTIME_DIR
// when it is the user's own with mode 0700, else a folder tarnwick-<uid> of
// mode 0700 under $TMPDIR or, failing that, under /tmp. Anywhere else another
// user could listen on the name first and keep the program from starting.
//
// A later start hands its files to the holder over the socket: each path as
// its bytes (nativename.h) ended by a NUL, and an empty one after the last.
// The holder takes the absolute ones, answers with their count and a
// newline, and reports them with filesReceived. A request of more than
// kMaxRequest bytes is dropped.
class InstanceLock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceLock)

public:
    enum class Outcome {
        Acquired,
        HeldElsewhere, // a running copy answers on the socket
        Unavailable,   // no private folder, or the socket cannot be made
    };

    static constexpr qint64 kMaxRequest = 64 * 1024 * 1024;

    explicit InstanceLock(const QString &title, QObject *parent = nullptr);
    ~InstanceLock() override;

    // The socket's full path; empty when no private folder can be had, with
    // the reasons in *problems.
    static QString socketPath(const QString &title, QString *problems = nullptr);
    static bool isHeld(const QString &title);
    // How many of paths the holder of the title's socket took; -1 when no
    // holder answered.
    static int handOver(const QString &title, const QStringList &paths);
    // Binding the socket is the lock, so of two starts at once only one gets
    // it. The reason it was not had goes to stderr.
    Outcome acquire();
    // Hand-overs are taken from now on, those that came before first.
    void startReceiving();

signals:
    void filesReceived(const QStringList &paths);

private:
    struct Request;

    void receive();
    void readRequest(QLocalSocket &client, Request &request);

    QString m_title;
    std::unique_ptr<QLocalServer> m_server;
};
