#pragma once

#include <QStringList>

#include "platform/sessionservices.h"

// Records what the window asks of the session: "notify summary|body|folder",
// "progress 0.50 2", "clear", "hold", "release".
class ScriptedSession final : public SessionServices
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptedSession)

public:
    using SessionServices::SessionServices;
    void notify(const QString &summary, const QString &body, const QString &folder) override;
    void showProgress(double fraction, int filesLeft) override;
    void clearProgress() override { calls << QStringLiteral("clear"); }
    void holdSleep() override { calls << QStringLiteral("hold"); }
    void releaseSleep() override { calls << QStringLiteral("release"); }

    QStringList calls;
};
