#pragma once

#include <QList>
#include <QString>

#include "convert/jobqueue.h"

// A batch at a glance, from the queue's counts and the files in hand: how
// many files are through, and its own progress with each file weighted by
// its source's duration where the engine knows it (by the mean of the known
// ones elsewhere). Costs the same for ten files as for ten thousand.
class BatchGlance final
{
public:
    BatchGlance(const JobQueue &queue, const QList<JobQueue::Id> &inHand);

    int total() const { return m_total; }
    // Converted, failed or skipped.
    int done() const { return m_done; }
    // 0 to 1.
    double progress() const { return m_progress; }

    // What the user reads at the end: "Converted 7, failed 2, skipped 1",
    // the files not started when there are any, then a line for each file
    // that failed or was skipped, in list order, up to 50, and how many
    // more there are: "name — failed: reason", "name — skipped: reason". Of
    // the whole list, not only the last batch; empty while no file has been
    // through a batch.
    static QString summary(const JobQueue &queue);

    // What is left of a piece of work done to `progress` (0 to 1) in
    // elapsedMs; -1 while too little is done to tell.
    static qint64 secondsLeft(double progress, qint64 elapsedMs);
    // The batch's own estimate, never shorter than what is left of the
    // slowest file in hand (-1 where a file cannot tell yet).
    static qint64 batchSecondsLeft(qint64 batchLeft, const QList<qint64> &filesLeft);
    // "0:42", "12:05", "1:02:03".
    static QString clock(qint64 seconds);

private:
    int m_total = 0;
    int m_done = 0;
    double m_progress = 0;
};
