#include "support/scriptedplayer.h"

#include <QFile>

ScriptedPlayer::ScriptedPlayer(std::shared_ptr<PlayerScript> script) : m_script(std::move(script))
{
    ++m_script->created;
}

ScriptedPlayer::~ScriptedPlayer()
{
    ++m_script->destroyed;
}

void ScriptedPlayer::addTarget(const QString &uri, const QStringList &options, int mode,
                               int position)
{
    m_script->calls.append({uri, options, mode, position});
    m_job = m_script->jobs.empty() ? PlayerScript::failing() : m_script->jobs.front();
    if (!m_script->jobs.empty())
        m_script->jobs.pop_front();
    if (m_job.refuse)
        throw EngineError("refused", 5);
    if (m_job.writeOutput && !options.isEmpty()) {
        QFile out(PlayerScript::destination(options.first()));
        if (out.open(QIODevice::WriteOnly))
            out.write("partial output");
    }
    m_active = true;
}

void ScriptedPlayer::stop()
{
    ++m_script->stops;
    m_active = false;
}

void ScriptedPlayer::playlistClear()
{
    ++m_script->clears;
    m_active = false;
}

// The monitor reads Time, then Position: Time advances to the next scripted
// tick, Position reads the same tick.
int ScriptedPlayer::time()
{
    if (!m_active)
        return -1;
    if (m_job.ticks.empty()) {
        m_tick = {0.0f, 0};
    } else {
        m_tick = m_job.ticks.front();
        if (m_job.ticks.size() > 1)
            m_job.ticks.pop_front();
    }
    m_timeRead = true;
    return m_tick.second;
}

float ScriptedPlayer::position()
{
    if (!m_active)
        return -1.0f;
    if (!m_timeRead)
        time();
    m_timeRead = false;
    return m_tick.first;
}

bool ScriptedPlayer::finishedNormally()
{
    return m_job.finishedNormally;
}

PlayerFactory ScriptedPlayer::factory(std::shared_ptr<PlayerScript> script)
{
    return [script] { return std::make_unique<ScriptedPlayer>(script); };
}

QString PlayerScript::destination(const QString &option)
{
    const qsizetype start = option.lastIndexOf(QLatin1String(",url=\""));
    if (start < 0)
        return {};
    QString path;
    for (qsizetype i = start + 6; i < option.size(); ++i) {
        const QChar c = option.at(i);
        if (c == QLatin1Char('\\') && i + 1 < option.size()) {
            path += option.at(++i);
        } else if (c == QLatin1Char('"')) {
            break;
        } else {
            path += c;
        }
    }
    return path;
}
