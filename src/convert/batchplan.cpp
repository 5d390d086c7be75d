#include "convert/batchplan.h"

#include <algorithm>

#include "convert/jobqueue.h"

namespace {

// The track's bitrate in kbit/s, 0 when it is not written.
qint64 kbits(bool kept, const QString &codec, const QString &bitrate)
{
    return kept && codec != QLatin1String("none") ? std::max(bitrate.toLongLong(), 0LL) : 0;
}

} // namespace

namespace batchplan {

QString readyLine(int files)
{
    if (files <= 0)
        return {};
    return (files == 1 ? QStringLiteral("1 file ready.")
                       : QStringLiteral("%1 files ready.").arg(files)) +
           QStringLiteral(" Press Convert.");
}

qint64 estimatedBytes(const JobQueue &queue, const FileSettings &settings)
{
    const ConversionSettings &s = settings.conversion;
    const qint64 rate = kbits(settings.tracks.video, s.videoCodec, s.videoBitrate) +
                        kbits(settings.tracks.audio, s.audioCodec, s.audioBitrate);
    qint64 knownMs = 0;
    int known = 0;
    int written = 0;
    for (int r = 0; r < queue.size(); ++r) {
        const JobQueue::Entry &e = queue.at(r);
        // Nothing is written for these.
        if (OutputDecision::Kind(e.plan) == OutputDecision::Kind::Skipped ||
            !e.sourceFault.isEmpty())
            continue;
        ++written;
        if (e.durationMs > 0) {
            ++known;
            knownMs += e.durationMs;
        }
    }
    if (known == 0)
        return written == 0 ? 0 : -1;
    const double allMs = double(knownMs) * written / known;
    // kbit/s times milliseconds is bits.
    return qint64(allMs * double(rate) / 8.0);
}

QString aboutSize(qint64 bytes)
{
    constexpr double kMB = 1e6;
    constexpr double kGB = 1e9;
    if (bytes < kMB)
        return QStringLiteral("under 1 MB");
    const auto rounded = [](double value, const char *unit) {
        // One decimal below ten, where it still tells sizes apart.
        const int decimals = value < 9.95 ? 1 : 0;
        return QStringLiteral("about %1 %2").arg(value, 0, 'f', decimals).arg(QLatin1String(unit));
    };
    // 999.6 MB reads better as 1.0 GB than as 1000 MB.
    if (bytes < kGB - kMB / 2)
        return rounded(bytes / kMB, "MB");
    return rounded(bytes / kGB, "GB");
}

QString outputLine(const FileSettings &settings, qint64 bytes)
{
    QString line = settings.sameDirectory ? QStringLiteral("Saved beside each source")
                                          : QStringLiteral("Saved in ") + settings.outputFolder;
    if (bytes > 0)
        line += QStringLiteral(" · ") + aboutSize(bytes);
    return line;
}

} // namespace batchplan
