#include "convert/vlcplayer.h"

#include <atomic>
#include <cerrno>
#include <mutex>

#include <vlc/vlc.h>

#include <QByteArray>
#include <QFileInfo>

namespace {

std::atomic<int> g_engineInstances{0};

struct InstanceDeleter
{
    void operator()(libvlc_instance_t *p) const
    {
        libvlc_release(p);
        --g_engineInstances;
    }
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
// made by the first addTarget, not before.
class VlcInstance
{
public:
    libvlc_instance_t *get()
    {
        std::call_once(m_once, [this] {
            const char *const args[] = {"--quiet", "--aout=dummy"};
            m_instance.reset(libvlc_new(int(std::size(args)), args));
            if (m_instance)
                ++g_engineInstances;
        });
        return m_instance.get();
    }

private:
    std::once_flag m_once;
    std::unique_ptr<libvlc_instance_t, InstanceDeleter> m_instance;
};

// Idle: no item. Starting: handed over, the engine has not opened it yet.
// Running: the engine works on it. Ended: the engine let go of it, by
// reaching its end, failing or being stopped.
enum class Phase { Idle, Starting, Running, Ended };

constexpr libvlc_event_type_t kEvents[] = {
    libvlc_MediaPlayerOpening,          libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerLengthChanged,    libvlc_MediaPlayerPositionChanged,
    libvlc_MediaPlayerEndReached,       libvlc_MediaPlayerEncounteredError,
    libvlc_MediaPlayerStopped,
};

const QLatin1String kDestinationKey(",dst=\"");

// The destination of the option's std{}, with the engine's escaping undone;
// empty when the option names none.
QString destinationOf(const QString &engineOption)
{
    const qsizetype key = engineOption.lastIndexOf(kDestinationKey);
    if (key < 0)
        return {};
    QString path;
    for (qsizetype i = key + kDestinationKey.size(); i < engineOption.size(); ++i) {
        QChar c = engineOption.at(i);
        if (c == QLatin1Char('"'))
            return path;
        if (c == QLatin1Char('\\') && i + 1 < engineOption.size())
            c = engineOption.at(++i);
        path += c;
    }
    return {};
}

} // namespace

struct VlcPlayer::Private
{
    std::shared_ptr<VlcInstance> instance;
    std::unique_ptr<libvlc_media_player_t, PlayerDeleter> player;
    // Written on the engine's threads, read on the UI thread. The flags are
    // set before the phase moves to Ended, so whoever sees Ended sees them.
    std::atomic<Phase> phase{Phase::Idle};
    std::atomic<bool> progressReported{false};
    std::atomic<bool> lengthKnown{false};
    std::atomic<bool> endReached{false};
    // The item's output is still open: the engine keeps its muxer after the
    // end of the input until the player is stopped.
    bool outputOpen = false;
    QString destination;

    static void onEvent(const libvlc_event_t *event, void *opaque)
    {
        auto *self = static_cast<Private *>(opaque);
        switch (event->type) {
        case libvlc_MediaPlayerOpening:
        case libvlc_MediaPlayerPlaying: {
            Phase starting = Phase::Starting;
            self->phase.compare_exchange_strong(starting, Phase::Running);
            break;
        }
        case libvlc_MediaPlayerLengthChanged:
            if (event->u.media_player_length_changed.new_length > 0)
                self->lengthKnown = true;
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

    // Stopping joins the engine's threads of the item and closes its output.
    void stopPlayer()
    {
        if (player)
            libvlc_media_player_stop(player.get());
        outputOpen = false;
    }

    // Decided from the events alone: the player's own state can show the
    // end a moment before the end event has set the flags.
    bool inProgress()
    {
        const Phase now = phase;
        if (now == Phase::Starting || now == Phase::Running)
            return true;
        // The first read after the end closes the output, so a file whose
        // item reads as ended is complete.
        if (now == Phase::Ended && outputOpen)
            stopPlayer();
        return false;
    }
};

VlcPlayer::VlcPlayer() : d(std::make_unique<Private>()) {}

VlcPlayer::~VlcPlayer()
{
    // The player goes before the engine instance it was made from.
    if (d->player) {
        d->attach(false);
        d->stopPlayer();
        d->player.reset();
    }
}

QString VlcPlayer::engineOption(const QString &option)
{
    // Inside the escaped destination every quote follows a backslash, so the
    // last `,url="` is the destination key itself.
    QString out = option;
    const qsizetype at = out.lastIndexOf(QLatin1String(",url=\""));
    if (at >= 0 && out.indexOf(QLatin1String(":std{")) >= 0)
        out.replace(at + 1, 3, QStringLiteral("dst"));
    return out;
}

void VlcPlayer::addTarget(const QString &uri, const QStringList &options, int /*mode*/,
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
        d->stopPlayer();
    }

    std::unique_ptr<libvlc_media_t, MediaDeleter> media(
        libvlc_media_new_path(instance, uri.toUtf8().constData()));
    if (!media)
        throw EngineError("the item was refused", EINVAL);
    d->destination.clear();
    for (const QString &option : options) {
        const QString text = engineOption(option);
        libvlc_media_add_option(media.get(), text.toUtf8().constData());
        if (const QString destination = destinationOf(text); !destination.isEmpty())
            d->destination = destination;
    }

    d->progressReported = false;
    d->lengthKnown = false;
    d->endReached = false;
    d->phase = Phase::Starting;
    d->outputOpen = true;
    libvlc_media_player_set_media(d->player.get(), media.get());
    if (libvlc_media_player_play(d->player.get()) != 0) {
        d->stopPlayer();
        d->phase = Phase::Idle;
        throw EngineError("the item could not be started", EIO);
    }
}

void VlcPlayer::stop()
{
    d->stopPlayer();
    d->phase = Phase::Idle;
}

void VlcPlayer::playlistClear()
{
    d->stopPlayer();
    if (d->player)
        libvlc_media_player_set_media(d->player.get(), nullptr);
    d->phase = Phase::Idle;
}

float VlcPlayer::position()
{
    if (!d->inProgress())
        return -1.0f;
    if (d->phase == Phase::Starting)
        return 0.0f;
    const float position = libvlc_media_player_get_position(d->player.get());
    return position < 0.0f ? 0.0f : position;
}

int VlcPlayer::time()
{
    if (!d->inProgress())
        return -1;
    if (d->phase == Phase::Starting)
        return 0;
    const libvlc_time_t ms = libvlc_media_player_get_time(d->player.get());
    return ms < 0 ? 0 : int(ms / 1000);
}

bool VlcPlayer::finishedNormally()
{
    // The engine reports position only every quarter of a second, so a short
    // clip can be through before any report; a media of known length read to
    // its end counts as well. A muxer that refused the streams still lets the
    // item end, but leaves an empty file.
    if (!d->endReached || !(d->progressReported || d->lengthKnown))
        return false;
    if (d->outputOpen)
        d->stopPlayer();
    return d->destination.isEmpty() || QFileInfo(d->destination).size() > 0;
}

PlayerFactory VlcPlayer::factory()
{
    auto shared = std::make_shared<std::shared_ptr<VlcInstance>>();
    return [shared]() -> std::unique_ptr<Player> {
        if (!*shared)
            *shared = std::make_shared<VlcInstance>();
        auto control = std::make_unique<VlcPlayer>();
        control->d->instance = *shared;
        return control;
    };
}

int VlcPlayer::engineInstances()
{
    return g_engineInstances;
}
