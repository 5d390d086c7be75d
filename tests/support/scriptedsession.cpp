#include "support/scriptedsession.h"

void ScriptedSession::notify(const QString &summary, const QString &body, const QString &folder)
{
    calls << QStringLiteral("notify %1|%2|%3").arg(summary, body, folder);
}

void ScriptedSession::showProgress(double fraction, int filesLeft)
{
    calls << QStringLiteral("progress %1 %2").arg(fraction, 0, 'f', 2).arg(filesLeft);
}
