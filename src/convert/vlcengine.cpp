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
// What the source gives as its length may differ from what it holds by the
// length of a frame or a time stamp offset: 1 s, or 2 % of a longer source.
constexpr qint64 kDeclaredSlackMs = 1000;
// Up to this many pictures the engine may keep back every one: the mp4
// muxer drops a clip's last frame, the HEVC encoder its last few.
constexpr qint64 kShortClipFrames = 25;

bool isShort(const SourceFrames &held)
{
    return held.video > 0 && held.video <= kShortClipFrames;
}

QString tooShort()
{
    return QStringLiteral("the source is too short for this encoder");
}

} // namespace

VlcEngine::VlcEngine() = default;

VlcEngine::~VlcEngine() = default;

std::shared_ptr<libvlc_instance_t> VlcEngine::instance()
{
    const std::lock_guard lock(m_mutex);
    if (!m_instance)
        m_instance = openInstance();
    return m_instance;
}

std::shared_ptr<libvlc_instance_t> VlcEngine::openInstance()
{
    // The muxer waits this long for every track's first data before it
    // drops the track: a file cut without re-encoding may start its
    // picture seconds after its sound.
    const char *const args[] = {"--quiet", "--aout=dummy", "--sout-mux-caching=5000"};
    libvlc_instance_t *made = libvlc_new(int(std::size(args)), args);
    if (!made)
        return {};
    ++g_instances;
    return {made, [](libvlc_instance_t *p) {
                libvlc_release(p);
                --g_instances;
            }};
}

std::unique_ptr<Player> VlcEngine::createPlayer()
{
    return std::make_unique<VlcPlayer>(instance());
}

OutputVerdict VlcEngine::checkOutput(const QString &file, const OutputExpectation &expected)
{
    // A file with nothing of what was asked for may come from a source
    // whose only such track is declared and never filled, or one too short
    // for what the engine holds back.
    const auto emptySource = [&expected](const QString &fault) -> OutputVerdict {
        const SourceFrames held = sourceFrames(expected.source);
        if (expected.audio && !expected.video && held.audio == 0)
            return {QStringLiteral("the source's sound track is empty"), {}};
        if (expected.video && !expected.audio && held.video == 0)
            return {QStringLiteral("the source's picture track is empty"), {}};
        return {expected.video && isShort(held) ? tooShort() : fault, {}};
    };
    const ContainerContent content = readContainer(file, expected.mux);
    if (content.flaw == ContainerContent::Flaw::Empty)
        return emptySource(convertedFileFault(content, expected.video, expected.audio));
    if (!content.fault.isEmpty())
        return {convertedFileFault(content, expected.video, expected.audio), {}};
    const std::shared_ptr<libvlc_instance_t> engine = instance();
    if (!engine)
        return {QStringLiteral("the engine could not be started"), {}};
    // The engine must read the file back; the container's own walk knows its
    // tracks and their frames, and the length of a program stream, which the
    // engine's parse cannot tell without playing it.
    const MediaInfo output = probeMedia(engine.get(), file, kProbeTimeoutMs);
    QList<ContainerTrack> tracks = content.tracks;
    if (tracks.isEmpty()) {
        tracks.fill({ContainerTrack::Kind::Video, 1}, output.videoTracks);
        tracks.append(QList<ContainerTrack>(output.audioTracks, {ContainerTrack::Kind::Audio, 1}));
    }
    const auto holds = [&tracks](ContainerTrack::Kind kind) {
        bool any = false;
        for (const ContainerTrack &track : tracks) {
            if (track.kind == kind && track.frames == 0)
                return false; // a track asked for holds at least one frame
            any = any || track.kind == kind;
        }
        return any;
    };
    const bool video = holds(ContainerTrack::Kind::Video);
    const bool audio = holds(ContainerTrack::Kind::Audio);
    if (!output.parsed || (!video && !audio))
        return emptySource(QStringLiteral("the converted file holds neither picture nor sound"));

    OutputVerdict verdict;
    const bool noVideo = expected.video && !video;
    const bool noAudio = expected.audio && !audio;
    if (noVideo || noAudio) {
        // Only what the source has can be asked of the output. The quick
        // parse lists a track the source declares and never fills, so its
        // container tells whether the track holds anything.
        const MediaInfo source = probeMedia(engine.get(), expected.source, kProbeTimeoutMs);
        const SourceFrames held = (noVideo && source.videoTracks > 0) || (noAudio && source.audioTracks > 0)
                                      ? sourceFrames(expected.source)
                                      : SourceFrames{};
        if (noVideo && source.videoTracks > 0) {
            if (held.video != 0)
                return {isShort(held) ? tooShort() : QStringLiteral("the converted file holds no picture"), {}};
            verdict.note = QStringLiteral("the source's picture track is empty");
        }
        if (noAudio && source.audioTracks > 0) {
            if (held.audio != 0)
                return {QStringLiteral("the converted file holds no sound"), {}};
            verdict.note = QStringLiteral("the source's sound track is empty");
        }
    }
    const qint64 duration = content.durationMs >= 0 ? content.durationMs : output.durationMs;
    if (duration + kDurationSlackMs < expected.readMilliseconds)
        verdict.fault = QStringLiteral("the converted file is shorter than what was read of its source");
    // A read error ends the engine's input as its end would: only the length
    // the source gives shows what is missing.
    const qint64 declared = expected.sourceMilliseconds;
    if (verdict.fault.isEmpty() && declared > 0
        && duration + qMax(kDeclaredSlackMs, declared / 50) < declared && declaresLength(expected.source))
        verdict.fault = QStringLiteral("the source could not be read to its end");
    return verdict;
}

qint64 VlcEngine::sourceLength(const QString &path)
{
    const std::shared_ptr<libvlc_instance_t> engine = instance();
    return engine ? probeMedia(engine.get(), path, kSourceProbeTimeoutMs).durationMs : 0;
}

double VlcEngine::frameRate(const QString &path)
{
    const std::shared_ptr<libvlc_instance_t> engine = instance();
    return engine ? probeMedia(engine.get(), path, kSourceProbeTimeoutMs).frameRate : 0;
}

int VlcEngine::instances()
{
    return g_instances;
}
