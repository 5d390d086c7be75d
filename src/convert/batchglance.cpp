#include "convert/batchglance.h"

#include <algorithm>

#include <QStringList>

namespace {
// Below this the rate is mostly the engine opening the file.
constexpr double kFirstEstimate = 0.02;
constexpr qint64 kFirstEstimateMs = 3000;
} // namespace

BatchGlance::BatchGlance(const QList<FileResult> &results) : m_total(int(results.size()))
{
    qint64 knownMs = 0;
    int known = 0;
    for (const FileResult &r : results) {
        if (r.durationMs > 0) {
            knownMs += r.durationMs;
            ++known;
        }
    }
    const double meanMs = known > 0 ? double(knownMs) / known : 1.0;

    double weightDone = 0;
    double weightAll = 0;
    QStringList failures;
    for (const FileResult &r : results) {
        const double weight = r.durationMs > 0 ? double(r.durationMs) : meanMs;
        weightAll += weight;
        switch (r.state) {
        case FileResult::State::Converted:
            ++m_converted;
            weightDone += weight;
            break;
        case FileResult::State::Failed:
            ++m_failed;
            weightDone += weight;
            failures << r.input.mid(r.input.lastIndexOf(QLatin1Char('/')) + 1) +
                            QStringLiteral(": ") + r.reason;
            break;
        case FileResult::State::Skipped:
            ++m_skipped;
            weightDone += weight;
            break;
        case FileResult::State::Converting:
            weightDone += weight * std::clamp(r.percent, 0, 100) / 100.0;
            break;
        case FileResult::State::Waiting:
            break;
        }
    }
    m_progress = weightAll > 0 ? std::clamp(weightDone / weightAll, 0.0, 1.0) : 0.0;
    m_summary = QStringLiteral("Converted %1, failed %2, skipped %3")
                    .arg(m_converted)
                    .arg(m_failed)
                    .arg(m_skipped);
    if (!failures.isEmpty())
        m_summary += QLatin1Char('\n') + failures.join(QLatin1Char('\n'));
}

qint64 BatchGlance::secondsLeft(double progress, qint64 elapsedMs)
{
    if (progress < kFirstEstimate || elapsedMs < kFirstEstimateMs)
        return -1;
    if (progress >= 1.0)
        return 0;
    return qint64(elapsedMs * (1.0 - progress) / progress / 1000.0 + 0.5);
}

QString BatchGlance::clock(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    const QString ms = QStringLiteral("%1:%2").arg(m, h > 0 ? 2 : 1, 10, QLatin1Char('0'))
                           .arg(s, 2, 10, QLatin1Char('0'));
    return h > 0 ? QStringLiteral("%1:%2").arg(h).arg(ms) : ms;
}
