#include "filelist/rowsentence.h"

#include <QStringList>

QString entryStateWord(FileList::EntryState state, int percent)
{
    using EntryState = FileList::EntryState;
    switch (state) {
    case EntryState::Waiting: return QStringLiteral("waiting");
    case EntryState::Converting: return QStringLiteral("%1 %").arg(percent);
    case EntryState::Converted: return QStringLiteral("converted");
    case EntryState::Failed: return QStringLiteral("failed");
    case EntryState::Skipped: return QStringLiteral("skipped");
    case EntryState::None: break;
    }
    return {};
}

QString rowSentence(const QString &path, FileList::EntryState state, int percent,
                    const QString &reason)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QStringList parts{path.mid(slash + 1)};
    // The folder by its own name; the full path is in the description.
    if (slash == 0) {
        parts << QStringLiteral("in /");
    } else if (slash > 0) {
        const QString folder = path.left(slash);
        parts << QStringLiteral("in ") + folder.mid(folder.lastIndexOf(QLatin1Char('/')) + 1);
    }
    QString word = entryStateWord(state, percent);
    const bool explained = state == FileList::EntryState::Failed ||
                           state == FileList::EntryState::Skipped;
    if (explained && !reason.isEmpty())
        word += QStringLiteral(": ") + reason;
    if (!word.isEmpty())
        parts << word;
    return parts.join(QStringLiteral(", "));
}
