#include "platform/filefilter.h"

QStringList qtNameFilters(const QString &filterText)
{
    const QStringList parts = filterText.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts.at(i).trimmed();
        if (label.isEmpty())
            break;
        if (const qsizetype paren = label.indexOf(QLatin1String(" ("));
            paren > 0 && label.endsWith(QLatin1Char(')')))
            label.truncate(paren);

        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (!pattern.isEmpty())
                patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        filters << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

QStringList firstGroupExtensions(const QString &filterText)
{
    QStringList extensions;
    const QString patterns = filterText.section(QLatin1Char('|'), 1, 1);
    for (const QString &p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = p.trimmed();
        const QString extension = pattern.mid(2);
        if (pattern.startsWith(QLatin1String("*.")) && !extension.isEmpty() &&
            !extension.contains(QLatin1Char('*')))
            extensions << extension.toLower();
    }
    extensions.removeDuplicates();
    return extensions;
}
