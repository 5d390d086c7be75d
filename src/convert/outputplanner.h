#pragma once

#include <functional>
#include <vector>

#include <QObject>
#include <QSet>

#include "convert/filesettings.h"
#include "convert/jobqueue.h"

class Worker;

struct SettledOutput
{
    OutputDecision decision;
    FileIdentity identity; // of decision.output
};

// The output of the source at `source` (known by `sourceIdentity`): the
// settings' name unless that is the source itself or taken by another
// file, in which case the keep-both name; an unrelated file there is dealt
// with as the settings' rule for existing files says. Looks at the disk.
SettledOutput settleOutput(FileIdentifier &files, const QString &name,
                           const FileIdentity &sourceIdentity, ExistingOutput policy,
                           const std::function<bool(const FileIdentity &)> &taken);

// What a planning pass is given of each file.
struct PlanRow
{
    JobQueue::Id id = 0;
    QString path;
    FileIdentity identity;
};

// Every file's output in list order: names planned for files before it are
// taken, and so are the sources of the queue and the outputs in `claimed`.
std::vector<JobQueue::Plan> planOutputs(const std::vector<PlanRow> &rows,
                                        const QHash<FileIdentity, JobQueue::Id> &sources,
                                        const FileSettings &settings,
                                        const QSet<FileIdentity> &claimed);

// Keeps the queue's planned outputs current: after files come, go or move,
// and when the settings or the batch's outputs change, the whole list is
// planned again on a worker, once for all the changes of one moment.
class OutputPlanner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutputPlanner)

public:
    OutputPlanner(JobQueue &queue, Worker &worker, std::function<FileSettings()> settings,
                  std::function<QSet<FileIdentity>()> claimed, QObject *parent = nullptr);

    void replan();
    bool isPlanning() const { return m_queued || m_running; }

signals:
    void planned();

private:
    void start();

    JobQueue &m_queue;
    Worker &m_worker;
    std::function<FileSettings()> m_settings;
    std::function<QSet<FileIdentity>()> m_claimed;
    bool m_queued = false;
    bool m_running = false;
    bool m_again = false;
};
