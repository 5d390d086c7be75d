#include "convert/vlcprobe.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <vlc/vlc.h>

#include "convert/nativename.h"

namespace {

struct MediaRelease
{
    void operator()(libvlc_media_t *media) const { libvlc_media_release(media); }
};
using MediaPtr = std::unique_ptr<libvlc_media_t, MediaRelease>;

struct TracksRelease
{
    unsigned count = 0;
    void operator()(libvlc_media_track_t **tracks) const
    {
        libvlc_media_tracks_release(tracks, count);
    }
};

// Set from the engine's preparser thread.
struct ParseDone
{
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;

    static void onEvent(const libvlc_event_t *, void *data)
    {
        auto *self = static_cast<ParseDone *>(data);
        {
            const std::lock_guard lock(self->mutex);
            self->done = true;
        }
        self->changed.notify_all();
    }
};

// Detaching takes the event manager's lock, so no callback is running once
// this is gone and ParseDone can be destroyed after it.
class Attachment
{
public:
    Attachment(libvlc_media_t *media, ParseDone *done)
        : m_events(libvlc_media_event_manager(media))
        , m_done(done)
    {
        m_attached
            = libvlc_event_attach(m_events, libvlc_MediaParsedChanged, &ParseDone::onEvent, m_done)
            == 0;
    }
    ~Attachment()
    {
        if (m_attached)
            libvlc_event_detach(m_events, libvlc_MediaParsedChanged, &ParseDone::onEvent, m_done);
    }
    Attachment(const Attachment &) = delete;
    Attachment &operator=(const Attachment &) = delete;
    bool attached() const { return m_attached; }

private:
    libvlc_event_manager_t *m_events = nullptr;
    ParseDone *m_done = nullptr;
    bool m_attached = false;
};

} // namespace

MediaInfo probeMedia(libvlc_instance_t *instance, const QString &path, int timeoutMs)
{
    MediaInfo info;
    if (!instance)
        return info;
    const MediaPtr media(libvlc_media_new_path(instance, toNativeName(path).constData()));
    if (!media)
        return info;

    ParseDone done;
    {
        const Attachment attachment(media.get(), &done);
        if (!attachment.attached()
            || libvlc_media_parse_with_options(media.get(), libvlc_media_parse_local, timeoutMs)
                != 0)
            return info;
        // The preparser reports its own timeout; the margin only guards
        // against an event that never comes.
        std::unique_lock lock(done.mutex);
        if (!done.changed.wait_for(lock,
                std::chrono::milliseconds(timeoutMs) + std::chrono::seconds(2),
                [&] { return done.done; })) {
            lock.unlock();
            libvlc_media_parse_stop(media.get());
            return info;
        }
    }
    if (libvlc_media_get_parsed_status(media.get()) != libvlc_media_parsed_status_done)
        return info;

    info.parsed = true;
    libvlc_media_track_t **tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media.get(), &tracks);
    const std::unique_ptr<libvlc_media_track_t *[], TracksRelease> owned(
        tracks, TracksRelease{count});
    for (unsigned i = 0; i < count; ++i) {
        if (tracks[i]->i_type == libvlc_track_video) {
            const libvlc_video_track_t *video = tracks[i]->video;
            if (info.videoTracks++ == 0 && video && video->i_frame_rate_den > 0)
                info.frameRate = double(video->i_frame_rate_num) / video->i_frame_rate_den;
        }
        else if (tracks[i]->i_type == libvlc_track_audio)
            ++info.audioTracks;
    }
    info.durationMs = qMax<qint64>(0, libvlc_media_get_duration(media.get()));
    return info;
}
