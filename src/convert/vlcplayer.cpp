#include "convert/vlcplayer.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

#include <vlc/vlc.h>

#include <QByteArray>
#include <QSize>

#include "convert/nativename.h"
#include "convert/vlcengine.h"

namespace {

struct PlayerDeleter
{
    void operator()(libvlc_media_player_t *p) const { libvlc_media_player_release(p); }
};
struct MediaDeleter
{
    void operator()(libvlc_media_t *p) const { libvlc_media_release(p); }
};

// Idle: no item. Starting: handed over, the engine has not opened it yet.
// Running: the engine works on it. Ended: the engine let go of it.
enum class Phase { Idle, Starting, Running, Ended };

constexpr libvlc_event_type_t kEvents[] = {
    libvlc_MediaPlayerOpening,       libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerLengthChanged, libvlc_MediaPlayerPositionChanged,
    libvlc_MediaPlayerTimeChanged,   libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError,
};

// A damaged stretch of a source makes a few decoder errors, and the file
// converts with a blemish; past this many, and one for every few seconds
// read, the output is more damage than picture.
constexpr int kDecoderErrors = 10;
constexpr qint64 kMsPerDecoderError = 6000;

// What the engine's log says of one item. Its messages come on the
// engine's threads, told apart by the kind of object that reports them;
// nothing of it reaches the terminal, which --quiet keeps as it was.
class ItemLog
{
public:
    void reset()
    {
        const std::lock_guard lock(m_mutex);
        m_writeError.clear();
        m_readError = false;
        m_decoderErrors = 0;
        m_refused = {};
    }

    QSize refusedPicture()
    {
        const std::lock_guard lock(m_mutex);
        return m_refused;
    }

    static void onMessage(void *opaque, int level, const libvlc_log_t *context, const char *format,
                          va_list args)
    {
        if (level < LIBVLC_WARNING)
            return;
        const char *type = nullptr;
        const char *module = nullptr;
        libvlc_log_get_object(context, &type, nullptr, nullptr);
        libvlc_log_get_context(context, &module, nullptr, nullptr);
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        static_cast<ItemLog *>(opaque)->note(level, type ? type : "", module ? module : "", text);
    }

    QString fault(qint64 readMs)
    {
        const std::lock_guard lock(m_mutex);
        if (m_refused.isValid())
            return QStringLiteral("the encoder refused the picture size %1x%2")
                .arg(m_refused.width())
                .arg(m_refused.height());
        if (!m_writeError.isEmpty())
            return QStringLiteral("the converted file could not be written (%1)").arg(m_writeError);
        // The engine ends its input at a read error as at its end.
        if (m_readError)
            return QStringLiteral("the source could not be read to its end");
        if (m_decoderErrors > qMax<qint64>(kDecoderErrors, readMs / kMsPerDecoderError))
            return QStringLiteral("parts of the source could not be decoded");
        return {};
    }

private:
    void note(int level, std::string_view type, std::string_view module, const char *text)
    {
        const std::lock_guard lock(m_mutex);
        if (module == "main")
            return; // the engine's own set-up, not the item's data
        // The decoders of transcoding are generic objects, and report what
        // they cannot decode as warnings.
        if (type == "generic") {
            ++m_decoderErrors;
            return;
        }
        if (level < LIBVLC_ERROR)
            return;
        int width = 0, height = 0;
        if (const char *size = std::strstr(text, "divisible by 2 ("); size && type == "encoder"
            && std::sscanf(size, "divisible by 2 (%dx%d)", &width, &height) == 2) {
            m_refused = QSize(width, height); // the H.264 encoder takes even sizes only
        } else if (type == "access out") {
            // The muxer drops what its output could not take and goes on.
            if (m_writeError.isEmpty()) {
                const char *cause = std::strstr(text, ": ");
                m_writeError = QString::fromUtf8(cause ? cause + 2 : text);
            }
        } else if (module == "filesystem" && std::strncmp(text, "read error", 10) == 0) {
            m_readError = true;
        } else if (type == "decoder" || type == "packetizer") {
            ++m_decoderErrors;
        }
    }

    std::mutex m_mutex;
    QString m_writeError;
    bool m_readError = false;
    int m_decoderErrors = 0;
    QSize m_refused;
};

} // namespace

struct VlcPlayer::Private
{
    VlcPlayer *owner = nullptr;
    std::shared_ptr<libvlc_instance_t> instance; // the engine's, for its modules
    // The item's own, so that its log is this item's alone.
    std::shared_ptr<libvlc_instance_t> own;
    ItemLog log;
    std::unique_ptr<libvlc_media_player_t, PlayerDeleter> player;
    // Written on the engine's threads, read on the player's thread. The flags
    // are set before the phase moves to Ended, so whoever sees Ended sees them.
    std::atomic<Phase> phase{Phase::Idle};
    std::atomic<bool> progressReported{false};
    std::atomic<qint64> lengthMs{0};
    std::atomic<bool> endReached{false};
    std::atomic<qint64> readMs{0};
    // The item's output is still open: the engine keeps its muxer after the
    // end of the input until the player is stopped.
    bool outputOpen = false;

    // Runs on an engine thread. The event manager holds its lock while it
    // calls us, so once the events are detached no call is under way.
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
                self->lengthMs = event->u.media_player_length_changed.new_length;
            break;
        case libvlc_MediaPlayerPositionChanged:
            if (event->u.media_player_position_changed.new_position > 0.0f)
                self->progressReported = true;
            break;
        case libvlc_MediaPlayerTimeChanged: {
            const qint64 ms = event->u.media_player_time_changed.new_time;
            if (ms > self->readMs)
                self->readMs = ms;
            break;
        }
        case libvlc_MediaPlayerEndReached:
            self->endReached = true;
            self->end();
            break;
        case libvlc_MediaPlayerEncounteredError:
            self->end();
            break;
        default:
            break;
        }
    }

    void end()
    {
        Phase now = phase;
        do {
            if (now == Phase::Ended || now == Phase::Idle)
                return;
        } while (!phase.compare_exchange_weak(now, Phase::Ended));
        // Posted to the player's thread; dropped with the player if it is
        // gone by then.
        QMetaObject::invokeMethod(owner, [p = owner] { emit p->ended(); }, Qt::QueuedConnection);
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
        if (player && outputOpen)
            libvlc_media_player_stop(player.get());
        outputOpen = false;
    }

    bool inProgress()
    {
        const Phase now = phase;
        if (now == Phase::Starting || now == Phase::Running)
            return true;
        // The first read after the end closes the output, so a file whose
        // item reads as ended is complete.
        if (now == Phase::Ended)
            stopPlayer();
        return false;
    }
};

VlcPlayer::VlcPlayer(std::shared_ptr<libvlc_instance_t> instance, QObject *parent)
    : Player(parent), d(std::make_unique<Private>())
{
    d->owner = this;
    d->instance = std::move(instance);
}

VlcPlayer::~VlcPlayer()
{
    // The player goes before the engine instance it was made from, and no
    // message is under way once the log is unset.
    if (d->player) {
        d->attach(false);
        d->stopPlayer();
        d->player.reset();
    }
    if (d->own)
        libvlc_log_unset(d->own.get());
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

void VlcPlayer::start(const QString &input, const QString &option)
{
    if (!d->instance)
        throw EngineError("the engine could not be started", ENOENT);
    if (!d->own) {
        d->own = VlcEngine::openInstance();
        if (!d->own)
            throw EngineError("the engine could not be started", ENOENT);
        libvlc_log_set(d->own.get(), &ItemLog::onMessage, &d->log);
    }
    if (!d->player) {
        d->player.reset(libvlc_media_player_new(d->own.get()));
        if (!d->player)
            throw EngineError("no media player", ENOMEM);
        d->attach(true);
    } else {
        d->stopPlayer();
    }

    std::unique_ptr<libvlc_media_t, MediaDeleter> media(
        libvlc_media_new_path(d->own.get(), toNativeName(input).constData()));
    if (!media)
        throw EngineError("the item was refused", EINVAL);
    // The option names the part file, which may hold bytes that are not UTF-8.
    libvlc_media_add_option(media.get(), toNativeName(engineOption(option)).constData());

    d->progressReported = false;
    d->lengthMs = 0;
    d->endReached = false;
    d->readMs = 0;
    d->log.reset();
    d->phase = Phase::Starting;
    d->outputOpen = true;
    libvlc_media_player_set_media(d->player.get(), media.get());
    if (libvlc_media_player_play(d->player.get()) != 0) {
        d->phase = Phase::Idle;
        d->stopPlayer();
        throw EngineError("the item could not be started", EIO);
    }
}

void VlcPlayer::stop()
{
    d->phase = Phase::Idle;
    d->stopPlayer();
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
    if (ms > d->readMs)
        d->readMs = ms;
    return ms < 0 ? 0 : int(ms / 1000);
}

bool VlcPlayer::finishedNormally()
{
    // The engine reports position only every quarter of a second, so a short
    // clip can be through before any report; a media of known length read to
    // its end counts as well.
    if (d->phase == Phase::Ended)
        d->stopPlayer();
    return d->endReached && (d->progressReported || d->lengthMs > 0);
}

qint64 VlcPlayer::readMilliseconds()
{
    return d->readMs;
}

qint64 VlcPlayer::lengthMilliseconds()
{
    return d->lengthMs;
}

QString VlcPlayer::logFault()
{
    return d->log.fault(d->readMs);
}

QSize VlcPlayer::refusedPicture()
{
    return d->log.refusedPicture();
}
