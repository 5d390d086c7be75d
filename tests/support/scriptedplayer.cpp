#include "support/scriptedplayer.h"

#include <QFile>
#include <QFileInfo>

ScriptedPlayer::ScriptedPlayer(std::shared_ptr<PlayerScript> script) : m_script(std::move(script))
{
    ++m_script->created;
}

ScriptedPlayer::~ScriptedPlayer()
{
    ++m_script->destroyed;
}

void ScriptedPlayer::start(const QString &input, const QString &option)
{
    m_script->calls.append({input, option});
    const QString name = QFileInfo(input).fileName();
    if (m_script->perFile.contains(name)) {
        m_job = m_script->perFile.value(name);
    } else {
        m_job = m_script->jobs.empty() ? PlayerScript::failing() : m_script->jobs.front();
        if (!m_script->jobs.empty())
            m_script->jobs.pop_front();
    }
    m_destination = PlayerScript::destination(option);
    const std::lock_guard lock(m_script->checking);
    m_script->faults[m_destination]
        = m_job.fault.isEmpty() && !m_job.finishedNormally && !m_job.wholeOutput
              ? QStringLiteral("the converted file was not finished")
              : m_job.fault;
    if (m_job.refuse)
        throw EngineError("refused", 5);
    if (m_job.writeOutput) {
        QFile out(PlayerScript::destination(option));
        if (out.open(QIODevice::WriteOnly))
            out.write("partial output");
    }
    m_active = true;
    if (!m_job.ticks.empty() && m_job.ticks.front().first < 0 && m_job.ticks.front().second < 0)
        end();
}

void ScriptedPlayer::end()
{
    m_active = false;
    QMetaObject::invokeMethod(this, [this] { emit ended(); }, Qt::QueuedConnection);
}

// A stopped engine closes its output whole, as the real one does.
void ScriptedPlayer::stop()
{
    ++m_script->stops;
    m_active = false;
    const std::lock_guard lock(m_script->checking);
    m_script->faults[m_destination] = m_job.fault;
}

// The poll reads Time, then Position: Time advances to the next scripted
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
    if (m_tick.first < 0 && m_tick.second < 0) {
        end();
        return -1;
    }
    m_lastTime = std::max(m_lastTime, m_tick.second);
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
    return m_active ? m_tick.first : -1.0f;
}

bool ScriptedPlayer::finishedNormally()
{
    return m_job.finishedNormally;
}

qint64 ScriptedPlayer::readMilliseconds()
{
    return qint64(m_lastTime) * 1000;
}

std::unique_ptr<Player> ScriptedEngine::createPlayer()
{
    return std::make_unique<ScriptedPlayer>(m_script);
}

OutputVerdict ScriptedEngine::checkOutput(const QString &file, const OutputExpectation &)
{
    const std::lock_guard lock(m_script->checking);
    m_script->checked << file;
    if (const QString fault = m_script->faults.value(file); !fault.isEmpty())
        return {fault, {}};
    return {QFileInfo(file).size() > 0 ? QString() : QStringLiteral("the converted file holds no picture"), {}};
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
