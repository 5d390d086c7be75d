#include "convert/outputplanner.h"

#include <QTimer>

#include "convert/worker.h"

SettledOutput settleOutput(FileIdentifier &files, const QString &name,
                           const FileIdentity &sourceIdentity, ExistingOutput policy,
                           const std::function<bool(const FileIdentity &)> &taken)
{
    const OutputDecision decision = decideOutput(
        name, policy, [&](const QString &n) { return files.identify(n) == sourceIdentity; },
        [&](const QString &n) { return taken(files.identify(n)); },
        [&](const QString &n) { return files.exists(n); });
    return {decision, decision.output.isEmpty() ? FileIdentity{} : files.identify(decision.output)};
}

std::vector<JobQueue::Plan> planOutputs(const std::vector<PlanRow> &rows,
                                        const QHash<FileIdentity, JobQueue::Id> &sources,
                                        const FileSettings &settings,
                                        const QSet<FileIdentity> &claimed)
{
    FileIdentifier files(true);
    QSet<FileIdentity> planned;
    std::vector<JobQueue::Plan> plans;
    plans.reserve(rows.size());
    for (const PlanRow &row : rows) {
        const QString name = outputFileName(row.path, settings.sameDirectory,
                                            settings.outputFolder, settings.conversion.format);
        const SettledOutput settled = settleOutput(
            files, name, row.identity, settings.onExisting, [&](const FileIdentity &output) {
                return sources.contains(output) || planned.contains(output) ||
                       claimed.contains(output);
            });
        if (!settled.decision.output.isEmpty() &&
            settled.decision.kind != OutputDecision::Kind::Skipped)
            planned.insert(settled.identity);
        plans.push_back({row.id, settled.decision, settled.identity});
    }
    return plans;
}

OutputPlanner::OutputPlanner(JobQueue &queue, Worker &worker,
                             std::function<FileSettings()> settings,
                             std::function<QSet<FileIdentity>()> claimed, QObject *parent)
    : QObject(parent), m_queue(queue), m_worker(worker), m_settings(std::move(settings)),
      m_claimed(std::move(claimed))
{
    connect(&m_queue, &QAbstractItemModel::rowsInserted, this, &OutputPlanner::replan);
    connect(&m_queue, &QAbstractItemModel::rowsRemoved, this, &OutputPlanner::replan);
    connect(&m_queue, &QAbstractItemModel::rowsMoved, this, &OutputPlanner::replan);
}

void OutputPlanner::replan()
{
    if (m_queued)
        return;
    m_queued = true;
    QTimer::singleShot(0, this, &OutputPlanner::start);
}

void OutputPlanner::start()
{
    m_queued = false;
    if (m_running) {
        m_again = true; // one pass at a time; the newest state is planned next
        return;
    }
    std::vector<PlanRow> rows;
    rows.reserve(std::size_t(m_queue.size()));
    for (int r = 0; r < m_queue.size(); ++r) {
        const JobQueue::Entry &e = m_queue.at(r);
        // The batch has settled the outputs of the files in hand.
        if (e.state != JobQueue::State::Converting)
            rows.push_back({e.id, e.path, e.identity});
    }
    m_running = true;
    m_worker.run<std::vector<JobQueue::Plan>>(
        this,
        [rows = std::move(rows), sources = m_queue.sources(), settings = m_settings(),
         claimed = m_claimed()] { return planOutputs(rows, sources, settings, claimed); },
        [this](std::vector<JobQueue::Plan> plans) {
            m_running = false;
            if (std::exchange(m_again, false)) {
                replan();
                return;
            }
            m_queue.setPlans(plans);
            emit planned();
        });
}
