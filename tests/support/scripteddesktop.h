#pragma once

#include <deque>
#include <optional>

#include <QString>
#include <QStringList>

#include "platform/desktop.h"
#include "support/scriptedsession.h"

// Answers boxes and dialogs from queues and records every call. An empty
// queue answers Yes/OK for boxes and "cancel" for dialogs.
class ScriptedDesktop final : public Desktop
{
public:
    struct Box
    {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };
    struct SaveRequest
    {
        QString defaultExtension;
        QString filter;
        QString initialName;
    };

    int messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                   Icon icon) override;
    QStringList openFileNames(QWidget *owner, const QString &filter) override;
    std::optional<QString> saveFileName(QWidget *owner, const QString &defaultExtension,
                                        const QString &filter, const QString &initialName) override;
    std::optional<QString> browseForFolder(QWidget *owner, const QString &title) override;
    void shellOpen(const QString &fileOrUrl) override;
    bool topLevelWindowExists(const QString &title) override;
    SessionServices &session() override { return sessionRecord; }

    std::deque<int> boxAnswers;
    std::deque<QStringList> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<std::optional<QString>> folderAnswers;
    // The text of every box shown, in order.
    QStringList boxTexts() const;

    bool windowExists = false;
    ScriptedSession sessionRecord;

    QList<Box> boxes;
    QStringList openFilters;
    QList<SaveRequest> saveRequests;
    QStringList folderTitles;
    QStringList opened;
    QStringList windowQueries;
};
