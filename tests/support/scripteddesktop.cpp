#include "support/scripteddesktop.h"


namespace {
template<typename T>
T takeFront(std::deque<T> &queue, T fallback)
{
    if (!queue.empty()) {
        fallback = std::move(queue.front());
        queue.pop_front();
    }
    return fallback;
}
} // namespace

int ScriptedDesktop::messageBox(QWidget *, const QString &text, const QString &caption,
                                Buttons buttons, Icon icon)
{
    boxes.append({text, caption, buttons, icon});
    return takeFront(boxAnswers, buttons == YesNo ? int(IdYes) : int(IdOk));
}

QStringList ScriptedDesktop::openFileNames(QWidget *, const QString &filter)
{
    openFilters << filter;
    return takeFront(openAnswers, QStringList());
}

std::optional<QString> ScriptedDesktop::saveFileName(QWidget *, const QString &defaultExtension,
                                                     const QString &filter,
                                                     const QString &initialName)
{
    saveRequests.append({defaultExtension, filter, initialName});
    return takeFront(saveAnswers, std::optional<QString>());
}

std::optional<QString> ScriptedDesktop::browseForFolder(QWidget *, const QString &title)
{
    folderTitles << title;
    return takeFront(folderAnswers, std::optional<QString>());
}

void ScriptedDesktop::shellOpen(const QString &fileOrUrl)
{
    opened << fileOrUrl;
}

bool ScriptedDesktop::topLevelWindowExists(const QString &title)
{
    windowQueries << title;
    return windowExists;
}

QStringList ScriptedDesktop::boxTexts() const
{
    QStringList texts;
    for (const Box &box : boxes)
        texts << box.text;
    return texts;
}
