#include "convert/playerhost.h"

#include <cerrno>

PlayerHost::PlayerHost(PlayerFactory factory) : m_factory(std::move(factory)) {}

PlayerHost::~PlayerHost() = default;

void PlayerHost::release()
{
    m_player.reset();
}

void PlayerHost::create()
{
    m_player = m_factory ? m_factory() : nullptr;
}

void PlayerHost::addTarget(const QString &uri, const QStringList &options, int mode,
                               int position)
{
    if (!m_player)
        throw EngineError("no player", ENOSYS);
    m_player->addTarget(uri, options, mode, position);
}

void PlayerHost::stop()
{
    if (m_player)
        m_player->stop();
}

void PlayerHost::playlistClear()
{
    if (m_player)
        m_player->playlistClear();
}

float PlayerHost::position()
{
    return m_player ? m_player->position() : -1.0f;
}

int PlayerHost::time()
{
    return m_player ? m_player->time() : -1;
}

bool PlayerHost::finishedNormally()
{
    return m_player && m_player->finishedNormally();
}
