#include "convert/vlccontrol.h"

#include <atomic>
#include <cerrno>
#include <mutex>

#include <vlc/vlc.h>

#include <QByteArray>

namespace {

struct InstanceDeleter
{
    void operator()(libvlc_instance_t *p) const { libvlc_release(p); }
};
struct PlayerDeleter
{
    void operator()(libvlc_media_player_t *p) const { libvlc_media_player_release(p); }
};
struct MediaDeleter
{
    void operator()(libvlc_media_t *p) const { libvlc_media_release(p); }
};

// The engine instance, shared by every player that one factory makes; it is
// made with the first player and released after the last.
class VlcInstance
{
public:
    libvlc_instance_t *get()
    {
        std::call_once(m_once, [this] {
            const char *const args[] = {"--quiet", "--aout=dummy"};
            m_instance.reset(libvlc_new(int(std::size(args)), args));
        });
        return m_instance.get();
    }

private:
    std::once_flag m_once;
    std::unique_ptr<libvlc_instance_t, InstanceDeleter> m_instance;
};

enum class Phase { Idle, Starting, Running, Ended };

constexpr libvlc_event_type_t kEvents[] = {
    libvlc_MediaPlayerOpening,         libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerPositionChanged, libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerStopped,
};

} // namespace

struct CVLCControl::Private
{
    std::shared_ptr<VlcInstance> instance;
    std::unique_ptr<libvlc_media_player_t, PlayerDeleter> player;
    // Written on the engine's threads, read on the UI thread.
    std::atomic<Phase> phase{Phase::Idle};
    std::atomic<bool> progressReported{false};
    std::atomic<bool> endReached{false};

    static void onEvent(const libvlc_event_t *event, void *opaque)
    {
        auto *self = static_cast<Private *>(opaque);
        switch (event->type) {
        case libvlc_MediaPlayerOpening:
        case libvlc_MediaPlayerPlaying:
            if (self->phase == Phase::Starting)
                self->phase = Phase::Running;
            break;
        case libvlc_MediaPlayerPositionChanged:
            if (event->u.media_player_position_changed.new_position > 0.0f)
                self->progressReported = true;
            break;
        case libvlc_MediaPlayerEndReached:
            self->endReached = true;
            self->phase = Phase::Ended;
            break;
        case libvlc_MediaPlayerEncounteredError:
        case libvlc_MediaPlayerStopped:
            self->phase = Phase::Ended;
            break;
        default:
            break;
        }
    }

    void attach(bool on)
    {
        libvlc_event_manager_t *events = libvlc_media_player_event_manager(player.get());
        for (const libvlc_event_type_t type : kEvents) {
            if (on)
                libvlc_event_attach(events, type, &Private::onEvent, this);
            else
                libvlc_event_detach(events, type, &Private::onEvent, this);
        }
    }

    bool inProgress() const
    {
        if (phase == Phase::Idle || phase == Phase::Ended || !player)
            return false;
        switch (libvlc_media_player_get_state(player.get())) {
        case libvlc_Ended:
        case libvlc_Error:
        case libvlc_Stopped:
            return phase == Phase::Starting;
        default:
            return true;
        }
    }
};

CVLCControl::CVLCControl() : d(std::make_unique<Private>()) {}

CVLCControl::~CVLCControl()
{
    if (d->player) {
        d->attach(false);
        libvlc_media_player_stop(d->player.get());
        d->player.reset();
    }
}

QString CVLCControl::engineOption(const QString &option)
{
    // Inside the escaped destination every quote follows a backslash, so the
    // last `,url="` is the destination key itself.
    QString out = option;
    const qsizetype at = out.lastIndexOf(QLatin1String(",url=\""));
    if (at >= 0 && out.indexOf(QLatin1String(":std{")) >= 0)
        out.replace(at + 1, 3, QStringLiteral("dst"));
    return out;
}

void CVLCControl::addTarget(const QString &uri, const QStringList &options, int /*mode*/,
                            int /*position*/)
{
    // The item replaces whatever the player held and starts at once.
    if (!d->instance)
        d->instance = std::make_shared<VlcInstance>();
    libvlc_instance_t *instance = d->instance->get();
    if (!instance)
        throw EngineError("the engine could not be started", ENOENT);

    if (!d->player) {
        d->player.reset(libvlc_media_player_new(instance));
        if (!d->player)
            throw EngineError("no media player", ENOMEM);
        d->attach(true);
    } else {
        libvlc_media_player_stop(d->player.get());
    }

    std::unique_ptr<libvlc_media_t, MediaDeleter> media(
        libvlc_media_new_path(instance, uri.toUtf8().constData()));
    if (!media)
        throw EngineError("the item was refused", EINVAL);
    for (const QString &option : options)
        libvlc_media_add_option(media.get(), engineOption(option).toUtf8().constData());

    d->progressReported = false;
    d->endReached = false;
    d->phase = Phase::Starting;
    libvlc_media_player_set_media(d->player.get(), media.get());
    if (libvlc_media_player_play(d->player.get()) != 0) {
        d->phase = Phase::Idle;
        throw EngineError("the item could not be started", EIO);
    }
}

void CVLCControl::stop()
{
    if (d->player)
        libvlc_media_player_stop(d->player.get());
    d->phase = Phase::Idle;
}

void CVLCControl::playlistClear()
{
    if (d->player) {
        libvlc_media_player_stop(d->player.get());
        libvlc_media_player_set_media(d->player.get(), nullptr);
    }
    d->phase = Phase::Idle;
}

float CVLCControl::GetPosition()
{
    if (!d->inProgress())
        return -1.0f;
    if (d->phase == Phase::Starting)
        return 0.0f;
    const float position = libvlc_media_player_get_position(d->player.get());
    return position < 0.0f ? 0.0f : position;
}

int CVLCControl::GetTime()
{
    if (!d->inProgress())
        return -1;
    if (d->phase == Phase::Starting)
        return 0;
    const libvlc_time_t ms = libvlc_media_player_get_time(d->player.get());
    return ms < 0 ? 0 : int(ms / 1000);
}

bool CVLCControl::FinishedNormally()
{
    return d->endReached && d->progressReported;
}

PlayerFactory CVLCControl::factory()
{
    auto shared = std::make_shared<std::shared_ptr<VlcInstance>>();
    return [shared]() -> std::unique_ptr<PlayerControl> {
        if (!*shared)
            *shared = std::make_shared<VlcInstance>();
        auto control = std::make_unique<CVLCControl>();
        control->d->instance = *shared;
        return control;
    };
}
