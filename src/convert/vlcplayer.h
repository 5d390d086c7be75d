#pragma once

#include <memory>

#include "convert/player.h"

struct libvlc_instance_t;

// One conversion over libvlc 3: a media player of its own on the engine
// instance it is given. The engine's events end the item; they arrive on
// the engine's threads and reach ended() through the player's own thread.
class VlcPlayer final : public Player
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VlcPlayer)

public:
    explicit VlcPlayer(std::shared_ptr<libvlc_instance_t> instance, QObject *parent = nullptr);
    ~VlcPlayer() override;

    void start(const QString &input, const QString &option) override;
    void stop() override;
    float position() override;
    int time() override;
    bool finishedNormally() override;
    qint64 readMilliseconds() override;
    qint64 lengthMilliseconds() override;
    QString logFault() override;
    QSize refusedPicture() override;

    // The option as the engine receives it: VLC 3 names the destination of
    // std{} "dst" where the option text says "url".
    static QString engineOption(const QString &option);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
