#include "convert/batchglance.h"

#include <algorithm>

#include <QStringList>

namespace {
// Below this the rate is mostly the engine opening the file.
constexpr double kFirstEstimate = 0.02;
constexpr qint64 kFirstEstimateMs = 3000;
// Failed and skipped files named in the summary: a text of thousands of lines takes the
// movie seconds to lay out.
constexpr int kNamedFailures = 50;
} // namespace

BatchGlance::BatchGlance(const JobQueue &queue, const QList<JobQueue::Id> &inHand)
{
    using State = JobQueue::State;
    const JobQueue::BatchCounts &c = queue.batchCounts();
    m_total = c.total;
    m_done = c.done();
    const double meanMs = c.known > 0 ? double(c.knownMs) / c.known : 1.0;
    const double weightAll = c.knownMs + (c.total - c.known) * meanMs;
    double weightDone = c.doneKnownMs + (m_done - c.doneKnown) * meanMs;
    for (const JobQueue::Id id : inHand) {
        const JobQueue::Entry *e = queue.find(id);
        if (e && e->state == State::Converting)
            weightDone += (e->durationMs > 0 ? double(e->durationMs) : meanMs) *
                          std::clamp(e->percent, 0, 100) / 100.0;
    }
    m_progress = weightAll > 0 ? std::clamp(weightDone / weightAll, 0.0, 1.0) : 0.0;
}

QString BatchGlance::summary(const JobQueue &queue)
{
    using State = JobQueue::State;
    const int converted = queue.count(State::Converted);
    const int failed = queue.count(State::Failed);
    const int skipped = queue.count(State::Skipped);
    if (converted + failed + skipped == 0)
        return {};
    QString text = QStringLiteral("Converted %1, failed %2, skipped %3")
                       .arg(converted)
                       .arg(failed)
                       .arg(skipped);
    if (const int left = queue.count(State::None) + queue.count(State::Waiting); left > 0)
        text += QStringLiteral(", not started %1").arg(left);
    const int listed = failed + skipped;
    int named = 0;
    for (int r = 0; r < queue.size() && named < std::min(listed, kNamedFailures); ++r) {
        const JobQueue::Entry &e = queue.at(r);
        if (e.state != State::Failed && e.state != State::Skipped)
            continue;
        text += QLatin1Char('\n') + e.path.mid(e.path.lastIndexOf(u'/') + 1) +
                (e.state == State::Failed ? QStringLiteral(" — failed") : QStringLiteral(" — skipped"));
        if (!e.reason.isEmpty())
            text += QStringLiteral(": ") + e.reason;
        ++named;
    }
    // The list names each of the others.
    if (listed > named)
        text += QStringLiteral("\n…and %1 more").arg(listed - named);
    return text;
}

qint64 BatchGlance::secondsLeft(double progress, qint64 elapsedMs)
{
    if (progress < kFirstEstimate || elapsedMs < kFirstEstimateMs)
        return -1;
    if (progress >= 1.0)
        return 0;
    return qint64(elapsedMs * (1.0 - progress) / progress / 1000.0 + 0.5);
}

qint64 BatchGlance::batchSecondsLeft(qint64 batchLeft, const QList<qint64> &filesLeft)
{
    for (const qint64 fileLeft : filesLeft)
        batchLeft = std::max(batchLeft, fileLeft);
    return batchLeft;
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
