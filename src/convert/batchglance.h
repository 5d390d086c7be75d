#pragma once

#include <QList>
#include <QString>

#include "convert/batch.h"

// A batch at a glance, from its results: how many files are through, its
// own progress with each file weighted by its source's duration where the
// engine knows it (by the mean of the known ones elsewhere), and what the
// user reads at its end.
class BatchGlance final
{
public:
    explicit BatchGlance(const QList<FileResult> &results);

    int total() const { return m_total; }
    // Converted, failed or skipped.
    int done() const { return m_converted + m_failed + m_skipped; }
    int converted() const { return m_converted; }
    int failed() const { return m_failed; }
    int skipped() const { return m_skipped; }
    // 0 to 1.
    double progress() const { return m_progress; }

    // "Converted 7, failed 2, skipped 1", then a line "name: reason" for
    // each file that failed.
    QString summary() const { return m_summary; }

    // What is left of a piece of work done to `progress` (0 to 1) in
    // elapsedMs; -1 while too little is done to tell.
    static qint64 secondsLeft(double progress, qint64 elapsedMs);
    // "0:42", "12:05", "1:02:03".
    static QString clock(qint64 seconds);

private:
    int m_total = 0;
    int m_converted = 0;
    int m_failed = 0;
    int m_skipped = 0;
    double m_progress = 0;
    QString m_summary;
};
