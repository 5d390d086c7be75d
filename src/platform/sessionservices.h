#pragma once

#include <QObject>
#include <QString>

// What the desktop session offers a running batch: a notification when it
// ends, progress on the taskbar and a hold on sleep. Each call returns at
// once; a session without such a service leaves it out without an error.
class SessionServices : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionServices)

public:
    using QObject::QObject;

    // A notification whose action asks to show folder (openFolderRequested).
    virtual void notify(const QString &summary, const QString &body, const QString &folder) = 0;
    // fraction from 0 to 1, and the count of files left.
    virtual void showProgress(double fraction, int filesLeft) = 0;
    virtual void clearProgress() = 0;
    // Holding twice holds once; releasing what is not held does nothing.
    virtual void holdSleep() = 0;
    virtual void releaseSleep() = 0;

signals:
    void openFolderRequested(const QString &folder);
};
