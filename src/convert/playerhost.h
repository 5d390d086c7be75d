#pragma once

#include <memory>

#include "convert/player.h"

class MainWindow;

// Hosts the player of the file in hand. Each file gets a fresh player; the
// calls are harmless while there is none.
class PlayerHost final
{
public:
    explicit PlayerHost(PlayerFactory factory);
    ~PlayerHost();
    PlayerHost(const PlayerHost &) = delete;
    PlayerHost &operator=(const PlayerHost &) = delete;

    // Releases the previous player, then makes a new one.
    void release();
    void create();
    bool hasPlayer() const { return m_player != nullptr; }

    void addTarget(const QString &uri, const QStringList &options, int mode, int position);
    void stop();
    void playlistClear();
    float position();
    int time();
    bool finishedNormally();

    MainWindow *m_owner = nullptr;

private:
    PlayerFactory m_factory;
    std::unique_ptr<Player> m_player;
};
