#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QWidget;
class SessionServices;

// The platform services the program calls on: boxes, file dialogs, the shell,
// and the window list. The product uses QtDesktop; tests answer
// from a script.
class Desktop
{
public:
    enum Buttons { Ok, YesNo };
    enum Icon { NoIcon, Information };
    // The answers keep the values the program compares against.
    enum Answer { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

    virtual ~Desktop() = default;

    virtual int messageBox(QWidget *owner, const QString &text, const QString &caption,
                           Buttons buttons, Icon icon = NoIcon) = 0;

    // filter: "label|patterns|label|patterns||", patterns separated by ';'.
    // Returns the chosen full paths in the dialog's order; empty when cancelled.
    virtual QStringList openFileNames(QWidget *owner, const QString &filter) = 0;

    virtual std::optional<QString> saveFileName(QWidget *owner, const QString &defaultExtension,
                                                const QString &filter,
                                                const QString &initialName) = 0;

    // While a browser is open, another call raises it and returns nothing.
    virtual std::optional<QString> browseForFolder(QWidget *owner, const QString &title) = 0;

    // Opens a document with the desktop's handler, or a URL such as "mailto:".
    virtual void shellOpen(const QString &fileOrUrl) = 0;

    // True when any top-level window of any program has exactly this title.
    virtual bool topLevelWindowExists(const QString &title) = 0;

    // Notifications, taskbar progress and the sleep lock.
    virtual SessionServices &session() = 0;
};
