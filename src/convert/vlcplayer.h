#pragma once

#include <memory>

#include "convert/player.h"

// The player over libvlc 3: one engine instance for the program, made at the
// first conversion, and a media player of its own for each VlcPlayer.
class VlcPlayer final : public Player
{
public:
    VlcPlayer();
    ~VlcPlayer() override;
    VlcPlayer(const VlcPlayer &) = delete;
    VlcPlayer &operator=(const VlcPlayer &) = delete;

    void addTarget(const QString &uri, const QStringList &options, int mode, int position) override;
    void stop() override;
    void playlistClear() override;
    float position() override;
    int time() override;
    bool finishedNormally() override;

    // The option as the engine receives it: VLC 3 names the destination of
    // std{} "dst" where the option text says "url".
    static QString engineOption(const QString &option);

    // Players that share one engine instance, made by the first addTarget of
    // any of them and released with the factory and the last of them.
    static PlayerFactory factory();

    // Engine instances alive in this process.
    static int engineInstances();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
