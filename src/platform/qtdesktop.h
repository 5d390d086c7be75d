#pragma once

#include <memory>

#include <QPointer>

#include "platform/desktop.h"

class QFileDialog;
class DBusSession;

class QtDesktop final : public Desktop
{
public:
    QtDesktop();
    ~QtDesktop() override;
    Q_DISABLE_COPY_MOVE(QtDesktop)

    int messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                   Icon icon) override;
    QStringList openFileNames(QWidget *owner, const QString &filter) override;
    std::optional<QString> saveFileName(QWidget *owner, const QString &defaultExtension,
                                        const QString &filter, const QString &initialName) override;
    std::optional<QString> browseForFolder(QWidget *owner, const QString &title) override;
    void shellOpen(const QString &fileOrUrl) override;
    bool topLevelWindowExists(const QString &title) override;
    SessionServices &session() override;

private:
    // The folder browser on screen. It blocks nobody, so Browse can be
    // pressed again while it is open; two nested browsers would let the first
    // choice win over the last.
    QPointer<QFileDialog> m_folderBrowser;
    // Made on first use: a start that is refused never touches the buses.
    std::unique_ptr<DBusSession> m_session;
};
