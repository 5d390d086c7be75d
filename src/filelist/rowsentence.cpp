#include "filelist/rowsentence.h"

#include <QStringList>

QString entryStateWord(JobQueue::State state, int percent)
{
    using State = JobQueue::State;
    switch (state) {
    case State::Waiting: return QStringLiteral("waiting");
    case State::Converting: return QStringLiteral("%1 %").arg(percent);
    case State::Converted: return QStringLiteral("converted");
    case State::Failed: return QStringLiteral("failed");
    case State::Skipped: return QStringLiteral("skipped");
    case State::None: break;
    }
    return {};
}

QString planWord(int plan)
{
    using Kind = OutputDecision::Kind;
    switch (Kind(plan)) {
    case Kind::Replaces:
    case Kind::Asks: return QStringLiteral("replaces a file");
    case Kind::Renamed: return QStringLiteral("renamed");
    case Kind::Skipped: return QStringLiteral("exists: skipped");
    case Kind::New: break;
    }
    return {};
}

QString rowSentence(const JobQueue::Entry &file)
{
    const QString &path = file.path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QStringList parts{path.mid(slash + 1)};
    // The folder by its own name; the full path is in the description.
    if (slash == 0) {
        parts << QStringLiteral("in /");
    } else if (slash > 0) {
        const QString folder = path.left(slash);
        parts << QStringLiteral("in ") + folder.mid(folder.lastIndexOf(QLatin1Char('/')) + 1);
    }
    using State = JobQueue::State;
    QString word = file.state == State::None ? planWord(file.plan)
                                             : entryStateWord(file.state, file.percent);
    if (file.state != State::None && !file.reason.isEmpty())
        word += QStringLiteral(": ") + file.reason;
    if (!word.isEmpty())
        parts << word;
    return parts.join(QStringLiteral(", "));
}
