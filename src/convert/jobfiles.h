#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include "convert/engine.h"
#include "convert/jobqueue.h"
#include "convert/outputplanner.h"

// The file-system side of one job: what may wait on a slow or hung file
// system, run on a worker. Nothing here touches the batch or the queue.
namespace jobfiles {

// Why the source cannot be converted, before the engine is even asked:
// gone, a folder, not a regular file (a pipe would block whoever opens
// it), unreadable. Never blocks on a pipe.
QString sourceFault(const QString &input);

struct PrepareRequest
{
    JobQueue::Id id = 0;
    QString input;
    FileIdentity inputIdentity;
    // To settle, or empty when the output is settled already (a restart).
    QString name;
    QString output;
    ExistingOutput policy = ExistingOutput::Ask;
    bool overwriteConfirmed = false;
    // What other files have or will have: the queue's sources, the queue's
    // planned outputs and the batch's outputs.
    QHash<FileIdentity, JobQueue::Id> sources;
    QHash<FileIdentity, JobQueue::Id> planned;
    QSet<FileIdentity> claimed;
    bool sweepFolder = false; // remove part files left by runs that are gone
};

struct Prepared
{
    QString sourceFault;
    bool settled = false; // a decision was made
    SettledOutput output;
    bool replacing = false; // a file is at the output
    QString part;           // created, empty when none was
    QString partError;
};

// Checks the source, settles the output and, once it is settled for good,
// creates the part file beside it.
Prepared prepare(const PrepareRequest &request);

struct Finished
{
    QString reason;      // empty: checked and committed
    QString undeletable; // a part file that could not be removed
};

// After the engine has ended: checks the part file, gives it the source's
// date if asked, and commits it; a part that fails is removed.
Finished finish(Engine &engine, const QString &part, const QString &output,
                const OutputExpectation &expected, bool keepDates);

// A job stopped midway: the partial output is kept under the output's name
// only where nothing was there before and something was written.
struct Partial
{
    bool kept = false;
    QString undeletable;
};
Partial keepOrRemovePartial(const QString &part, const QString &output, bool replacing);

// The part's removal; the path back when it could not be removed.
QString removePart(const QString &part);

} // namespace jobfiles
