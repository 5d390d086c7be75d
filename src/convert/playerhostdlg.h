#pragma once

#include <memory>

#include "convert/playercontrol.h"

class CMainDlg;

// Hosts the player of the file in hand. Each file gets a fresh player; the
// calls are harmless while there is none.
class CPlayerHostDlg final
{
public:
    explicit CPlayerHostDlg(PlayerFactory factory);
    ~CPlayerHostDlg();
    CPlayerHostDlg(const CPlayerHostDlg &) = delete;
    CPlayerHostDlg &operator=(const CPlayerHostDlg &) = delete;

    // Releases the previous player, then makes a new one.
    void Release();
    void Create();
    bool HasPlayer() const { return m_player != nullptr; }

    void addTarget(const QString &uri, const QStringList &options, int mode, int position);
    void stop();
    void playlistClear();
    float GetPosition();
    int GetTime();
    bool FinishedNormally();

    CMainDlg *m_pOwner = nullptr;

private:
    PlayerFactory m_factory;
    std::unique_ptr<PlayerControl> m_player;
};
