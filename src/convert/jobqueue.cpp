#include "convert/jobqueue.h"

#include <algorithm>

#include <QSet>
#include <QTimer>

JobQueue::JobQueue(QObject *parent) : QAbstractListModel(parent) {}

JobQueue::~JobQueue() = default;

int JobQueue::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant JobQueue::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    const Entry &e = at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case PathRole: return e.path;
    case IdRole: return e.id;
    case StateRole: return int(e.state);
    case PercentRole: return e.percent;
    case OutputRole: return e.output;
    case ReasonRole: return e.reason;
    case PlannedOutputRole: return e.planned;
    case PlanRole: return e.plan;
    default: return m_words ? m_words(*this, index.row(), role) : QVariant();
    }
}

Qt::ItemFlags JobQueue::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QHash<int, QByteArray> JobQueue::roleNames() const
{
    return {{PathRole, "path"},       {IdRole, "id"},         {StateRole, "state"},
            {PercentRole, "percent"}, {OutputRole, "output"}, {ReasonRole, "reason"},
            {PlannedOutputRole, "plannedOutput"}, {PlanRole, "plan"}};
}

QList<JobQueue::Id> JobQueue::append(const QList<File> &files)
{
    QList<Id> added;
    std::vector<Entry> fresh;
    for (const File &file : files) {
        if (file.path.isEmpty() || m_sources.contains(file.identity))
            continue;
        Entry e;
        e.id = m_nextId++;
        e.path = file.path;
        e.identity = file.identity;
        m_sources.insert(e.identity, e.id);
        added << e.id;
        fresh.push_back(std::move(e));
    }
    if (fresh.empty())
        return added;
    const int first = size();
    beginInsertRows({}, first, first + int(fresh.size()) - 1);
    for (Entry &e : fresh) {
        m_rows.insert(e.id, int(m_entries.size()));
        m_entries.push_back(std::move(e));
    }
    m_counts[std::size_t(State::None)] += int(fresh.size());
    endInsertRows();
    scheduleFlush();
    return added;
}

void JobQueue::remove(const QList<Id> &ids)
{
    std::vector<int> rows;
    for (const Id id : ids)
        if (const int r = row(id); r >= 0)
            rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    QList<Id> going;
    for (const int r : rows)
        going << at(r).id;
    emit removing(going);
    for (const int r : rows) {
        const Entry &e = at(r);
        m_rows.remove(e.id);
        m_sources.remove(e.identity);
        if (m_planned.value(e.plannedIdentity) == e.id)
            m_planned.remove(e.plannedIdentity);
        --m_counts[std::size_t(e.state)];
        countInBatch(e, -1);
    }
    // Few runs of rows go one run at a time, from the end so the rows before
    // stay; many scattered rows go in one pass, which views take as a reset.
    std::vector<std::pair<int, int>> runs;
    for (const int r : rows) {
        if (!runs.empty() && runs.back().second == r - 1)
            runs.back().second = r;
        else
            runs.emplace_back(r, r);
    }
    constexpr std::size_t kRunsOneByOne = 16;
    const bool reset = runs.size() > kRunsOneByOne;
    if (reset)
        beginResetModel();
    std::vector<char> gone(m_entries.size(), 0);
    for (const int r : rows)
        gone[std::size_t(r)] = 1;
    for (auto run = runs.crbegin(); !reset && run != runs.crend(); ++run) {
        beginRemoveRows({}, run->first, run->second);
        m_entries.erase(m_entries.begin() + run->first, m_entries.begin() + run->second + 1);
        endRemoveRows();
    }
    if (reset) {
        std::size_t kept = 0;
        for (std::size_t r = 0; r < m_entries.size(); ++r)
            if (!gone[r])
                m_entries[kept++] = std::move(m_entries[r]);
        m_entries.resize(kept);
        endResetModel();
    }
    reindex(rows.front());
    m_dirtyFirst = m_dirtyLast = -1;
    scheduleFlush();
}

void JobQueue::clear()
{
    emit removing(ids());
    beginResetModel();
    m_entries.clear();
    m_rows.clear();
    m_sources.clear();
    m_planned.clear();
    m_counts.fill(0);
    m_batchCounts = {};
    m_dirtyFirst = m_dirtyLast = -1;
    endResetModel();
    scheduleFlush();
}

void JobQueue::move(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= size() || to >= size())
        return;
    // Qt names the place before which the row goes.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    const auto place = [this](int row) { return m_entries.begin() + row; };
    if (from < to)
        std::rotate(place(from), place(from + 1), place(to + 1));
    else
        std::rotate(place(to), place(from), place(from + 1));
    endMoveRows();
    for (int r = std::min(from, to); r <= std::max(from, to); ++r)
        m_rows.insert(at(r).id, r);
    scheduleFlush();
}

const JobQueue::Entry *JobQueue::find(Id id) const
{
    const int r = row(id);
    return r < 0 ? nullptr : &at(r);
}

JobQueue::Entry *JobQueue::entry(Id id)
{
    const int r = row(id);
    return r < 0 ? nullptr : &m_entries[std::size_t(r)];
}

QList<JobQueue::Id> JobQueue::ids() const
{
    QList<Id> all;
    all.reserve(size());
    for (const Entry &e : m_entries)
        all << e.id;
    return all;
}

void JobQueue::reindex(int first)
{
    for (int r = first; r < size(); ++r)
        m_rows.insert(at(r).id, r);
}

bool JobQueue::isDone(State state)
{
    return state == State::Converted || state == State::Failed || state == State::Skipped;
}

int JobQueue::BatchCounts::done() const
{
    return states[std::size_t(State::Converted)] + states[std::size_t(State::Failed)] +
           states[std::size_t(State::Skipped)];
}

// Adds (sign 1) or takes away (-1) a file of the newest batch.
void JobQueue::countInBatch(const Entry &e, int sign)
{
    if (e.batch != m_batch || m_batch == 0)
        return;
    BatchCounts &c = m_batchCounts;
    c.total += sign;
    c.states[std::size_t(e.state)] += sign;
    if (e.durationMs > 0) {
        c.known += sign;
        c.knownMs += sign * e.durationMs;
        if (isDone(e.state)) {
            c.doneKnown += sign;
            c.doneKnownMs += sign * e.durationMs;
        }
    }
}

void JobQueue::setCount(const Entry &e, State to)
{
    --m_counts[std::size_t(e.state)];
    ++m_counts[std::size_t(to)];
}

void JobQueue::startBatch(const QList<Id> &ids)
{
    ++m_batch;
    m_batchCounts = {};
    joinBatch(ids);
}

void JobQueue::joinBatch(const QList<Id> &ids)
{
    for (const Id id : ids) {
        Entry *e = entry(id);
        if (!e || e->batch == m_batch)
            continue;
        e->batch = m_batch;
        countInBatch(*e, 1);
        setState(id, State::Waiting);
    }
}

void JobQueue::setState(Id id, State state, const QString &reason)
{
    Entry *e = entry(id);
    if (!e)
        return;
    setCount(*e, state);
    countInBatch(*e, -1);
    e->state = state;
    countInBatch(*e, 1);
    e->reason = state == State::Failed && !e->sourceFault.isEmpty() ? e->sourceFault : reason;
    if (state == State::Waiting || state == State::Converting)
        e->output.clear();
    if (state != State::Converting)
        e->percent = 0;
    touch(row(id));
    emit stateChanged(id, state);
}

void JobQueue::setProgress(Id id, int percent)
{
    Entry *e = entry(id);
    if (!e || e->percent == percent)
        return;
    e->percent = percent;
    touch(row(id));
}

void JobQueue::setDuration(Id id, qint64 durationMs)
{
    if (Entry *e = entry(id)) {
        countInBatch(*e, -1);
        e->durationMs = durationMs;
        countInBatch(*e, 1);
    }
}

void JobQueue::setLooks(const QList<Look> &looks)
{
    for (const Look &look : looks) {
        Entry *e = entry(look.id);
        if (!e)
            continue;
        if (e->durationMs == 0 && look.durationMs > 0)
            setDuration(look.id, look.durationMs);
        e->sourceFault = look.fault;
        if (e->state == State::Failed && !look.fault.isEmpty())
            e->reason = look.fault;
        touch(row(look.id));
    }
}

void JobQueue::setOutput(Id id, const QString &output)
{
    if (Entry *e = entry(id)) {
        e->output = output;
        touch(row(id));
    }
}

void JobQueue::setPlans(const std::vector<Plan> &plans)
{
    for (const Plan &plan : plans) {
        Entry *e = entry(plan.id);
        if (!e)
            continue;
        if (m_planned.value(e->plannedIdentity) == e->id)
            m_planned.remove(e->plannedIdentity);
        e->planned = plan.decision.output;
        e->plan = int(plan.decision.kind);
        e->plannedIdentity = plan.identity;
        if (!e->planned.isEmpty())
            m_planned.insert(plan.identity, e->id);
        touch(row(plan.id));
    }
}

void JobQueue::touch(int row)
{
    m_dirtyFirst = m_dirtyFirst < 0 ? row : std::min(m_dirtyFirst, row);
    m_dirtyLast = std::max(m_dirtyLast, row);
    scheduleFlush();
}

void JobQueue::scheduleFlush()
{
    if (!m_flushQueued) {
        m_flushQueued = true;
        QTimer::singleShot(0, this, [this] {
            if (m_flushQueued)
                flush();
        });
    }
}

void JobQueue::flush()
{
    m_flushQueued = false;
    if (m_dirtyFirst >= 0 && m_dirtyLast < size())
        emit dataChanged(index(m_dirtyFirst), index(m_dirtyLast));
    m_dirtyFirst = m_dirtyLast = -1;
    emit changed();
}
