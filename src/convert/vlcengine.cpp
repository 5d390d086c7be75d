#include "convert/vlcengine.h"

#include <atomic>

#include <vlc/vlc.h>

#include "convert/containercheck.h"
#include "convert/vlcplayer.h"
#include "convert/vlcprobe.h"

namespace {

std::atomic<int> g_instances{0};

// A finished file is parsed locally; a good one takes milliseconds.
constexpr int kProbeTimeoutMs = 10000;
// A source is looked at before Convert, only for its length.
constexpr int kSourceProbeTimeoutMs = 3000;
// The engine's last reported time trails what it wrote by up to a second.
constexpr qint64 kDurationSlackMs = 1000;

} // namespace

VlcEngine::VlcEngine() = default;

VlcEngine::~VlcEngine() = default;

std::shared_ptr<libvlc_instance_t> VlcEngine::instance()
{
    const std::lock_guard lock(m_mutex);
    if (!m_instance) {
        const char *const args[] = {"--quiet", "--aout=dummy"};
        libvlc_instance_t *made = libvlc_new(int(std::size(args)), args);
        if (!made)
            return {};
        ++g_instances;
        m_instance.reset(made, [](libvlc_instance_t *p) {
            libvlc_release(p);
            --g_instances;
        });
    }
    return m_instance;
}

std::unique_ptr<Player> VlcEngine::createPlayer()
{
    return std::make_unique<VlcPlayer>(instance());
}

QString VlcEngine::outputFault(const QString &file, const OutputExpectation &expected)
{
    if (const QString fault = containerFault(file, expected.mux); !fault.isEmpty())
        return fault;
    const std::shared_ptr<libvlc_instance_t> engine = instance();
    if (!engine)
        return QStringLiteral("the engine could not be started");
    MediaInfo output = probeMedia(engine.get(), file, kProbeTimeoutMs);
    const bool programStream = expected.mux == QLatin1String("ps");
    if (programStream && output.videoTracks + output.audioTracks == 0) {
        // Whole by the container's own check; its length cannot be read
        // back without playing it.
        bool video = false, audio = false;
        programStreamTracks(file, &video, &audio);
        output = {true, video ? 1 : 0, audio ? 1 : 0, expected.readMilliseconds};
    }
    if (!output.parsed || output.videoTracks + output.audioTracks == 0)
        return QStringLiteral("the converted file holds neither picture nor sound");

    const bool noVideo = expected.video && output.videoTracks == 0;
    const bool noAudio = expected.audio && output.audioTracks == 0;
    if (noVideo || noAudio) {
        // Only what the source has can be asked of the output.
        const MediaInfo source = probeMedia(engine.get(), expected.source, kProbeTimeoutMs);
        if (noVideo && source.videoTracks > 0)
            return QStringLiteral("the converted file has no picture");
        if (noAudio && source.audioTracks > 0)
            return QStringLiteral("the converted file has no sound");
    }
    if (output.durationMs + kDurationSlackMs < expected.readMilliseconds)
        return QStringLiteral("the converted file is shorter than what was read of its source");
    return {};
}

qint64 VlcEngine::sourceLength(const QString &path)
{
    const std::shared_ptr<libvlc_instance_t> engine = instance();
    return engine ? probeMedia(engine.get(), path, kSourceProbeTimeoutMs).durationMs : 0;
}

int VlcEngine::instances()
{
    return g_instances;
}
