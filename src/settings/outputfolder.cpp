#include "settings/outputfolder.h"

#include <QDir>

QString absoluteOutputFolder(const QString &typed, const QString &home)
{
    if (typed.isEmpty())
        return {};
    if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(home + typed.mid(1));
    if (typed.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(typed);
    return QDir::cleanPath(home + QLatin1Char('/') + typed);
}
