#pragma once

#include <functional>

#include <QObject>
#include <QString>

// Shows a file selected in the desktop's file manager
// (org.freedesktop.FileManager1 on the session bus). The call does not wait
// for the file manager; when none answers, or there is no session bus,
// fallback runs later on the event loop.
class FileManager final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileManager)

public:
    explicit FileManager(QObject *parent = nullptr);

    void showItem(const QString &file, std::function<void()> fallback);
};
