#pragma once

#include <memory>
#include <optional>

#include <QHash>
#include <QSet>
#include <QString>

#include "convert/engine.h"
#include "convert/jobqueue.h"
#include "convert/outputplanner.h"
#include "convert/workfolder.h"

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
    bool sweepFolder = false; // remove work folders left by copies that are gone
};

struct Prepared
{
    QString sourceFault;
    bool settled = false; // a decision was made
    SettledOutput output;
    bool replacing = false; // a file is at the output
    // The file at the output that the user chose to replace.
    std::optional<ReplacedFile> replaced;
    std::shared_ptr<WorkFolder> work; // none when it could not be made
    QString partError;
    double frameRate = 0; // of the source's pictures, 0 when unknown
};

// Checks the source, settles the output and, once it is settled for good,
// makes the job's work folder beside it.
Prepared prepare(const PrepareRequest &request);

// Where a checked file goes.
struct Destination
{
    QString output;
    ExistingOutput policy = ExistingOutput::Ask;
    std::optional<ReplacedFile> replaced;
    QString name; // as the settings give it, before any keep-both number
};

struct Finished
{
    QString reason;       // empty: checked and committed
    QString output;       // where it went
    bool skipped = false; // the name was taken meanwhile and the rule skips
    QString undeletable;  // a work folder that could not be removed
    QString note;         // what the check said of a good file
};

// After the engine has ended: checks the part file, gives it the source's
// date if asked, and commits it; then the work folder goes. A name taken
// since it was settled belongs to another writer: that file stays, and
// this one gets the keep-both name or is skipped, as the rule says.
Finished finish(Engine &engine, WorkFolder &work, const Destination &destination,
                const OutputExpectation &expected, bool keepDates);

// A job stopped midway: the partial output is kept under the output's name
// only where nothing was there before and it holds picture or sound (the
// check of `media` without the tracks and the length asked for).
struct Partial
{
    bool kept = false;
    QString undeletable;
};
Partial keepOrRemovePartial(Engine &engine, WorkFolder &work, const QString &output,
                            OutputExpectation media, bool replacing);

// The work folder's removal; its path back when it could not be removed.
QString removeWork(WorkFolder &work);

} // namespace jobfiles
