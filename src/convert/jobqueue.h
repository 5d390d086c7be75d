#pragma once

#include <array>
#include <functional>
#include <vector>

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QString>

#include "convert/fileidentity.h"
#include "convert/outputpolicy.h"

// The list of files to convert and where each stands: the one place that
// holds them, read by the window's list, the terminal, the batch and its
// summary. A file is known by its id, which never changes; rows change
// with every move. A second batch keeps what the first found of the files
// it does not take, until they are removed.
class JobQueue final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JobQueue)

public:
    using Id = quint64;
    // None: no batch has taken the file yet.
    enum class State { None, Waiting, Converting, Converted, Failed, Skipped };
    static constexpr int kStates = 6;

    enum Role {
        PathRole = Qt::UserRole + 1,
        IdRole,
        StateRole,   // int of State
        PercentRole,
        OutputRole,  // where it went
        ReasonRole,  // why it failed or was skipped
        PlannedOutputRole,
        PlanRole,    // int of OutputDecision::Kind; -1 while not planned
    };

    struct Entry
    {
        Id id = 0;
        QString path;
        FileIdentity identity;
        State state = State::None;
        int percent = 0;
        qint64 durationMs = 0; // of the source, once the engine knows it
        QString sourceFault;   // what a quick look at the source found wrong
        QString output;
        QString reason; // why it failed or was skipped; a converted file's note
        QString planned;
        int plan = -1;
        FileIdentity plannedIdentity;
        quint64 batch = 0; // the last batch that took the file
    };

    struct File
    {
        QString path;
        FileIdentity identity;
    };

    explicit JobQueue(QObject *parent = nullptr);
    ~JobQueue() override;

    // What a view shows of a row for roles the queue has no words for (a
    // screen reader's sentence, a tooltip); the view that has the words
    // sets it.
    using Words = std::function<QVariant(const JobQueue &queue, int row, int role)>;
    void setWords(Words words) { m_words = std::move(words); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Appends the files the queue does not hold yet (by identity, not by
    // the text of their path); returns the ids of those added.
    QList<Id> append(const QList<File> &files);
    void remove(const QList<Id> &ids);
    void clear();
    // Moves the row at from to the place of the row at to.
    void move(int from, int to);

    int size() const { return int(m_entries.size()); }
    const Entry &at(int row) const { return m_entries[std::size_t(row)]; }
    // -1 for an id no longer held.
    int row(Id id) const { return m_rows.value(id, -1); }
    const Entry *find(Id id) const;
    QList<Id> ids() const;
    // The file whose source is that file, 0 when none.
    Id source(const FileIdentity &identity) const { return m_sources.value(identity, 0); }
    // The file whose planned output is that file, 0 when none.
    Id plannedAt(const FileIdentity &identity) const { return m_planned.value(identity, 0); }
    const QHash<FileIdentity, Id> &sources() const { return m_sources; }
    const QHash<FileIdentity, Id> &plannedOutputs() const { return m_planned; }

    // Files in each state, kept as they change.
    int count(State state) const { return m_counts[std::size_t(state)]; }

    // The files of the newest batch, kept as they change: how many are in
    // each state, and what is known of their sources' lengths.
    struct BatchCounts
    {
        int total = 0;
        std::array<int, kStates> states{};
        int known = 0; // files whose length is known
        qint64 knownMs = 0;
        int doneKnown = 0; // of those, through the batch
        qint64 doneKnownMs = 0;
        int done() const;
    };
    const BatchCounts &batchCounts() const { return m_batchCounts; }
    // A new batch takes these files: they wait, and count as its own. Files
    // that join it later come through joinBatch.
    void startBatch(const QList<Id> &ids);
    void joinBatch(const QList<Id> &ids);
    // A state a batch has finished with.
    static bool isDone(State state);

    void setState(Id id, State state, const QString &reason = {});
    void setProgress(Id id, int percent);
    void setDuration(Id id, qint64 durationMs);
    // What a look at the source found before its turn: its length (0 when
    // unknown) and what is wrong with it. A file that fails, or has failed,
    // with a source found wrong is reported by that.
    struct Look
    {
        Id id = 0;
        qint64 durationMs = 0;
        QString fault;
    };
    void setLooks(const QList<Look> &looks);
    void setOutput(Id id, const QString &output);
    struct Plan
    {
        Id id = 0;
        OutputDecision decision;
        FileIdentity identity;
    };
    void setPlans(const std::vector<Plan> &plans);

    // Sends the row changes gathered so far as one dataChanged and one
    // changed(); otherwise that happens when the event loop next runs.
    void flush();

signals:
    // Before files leave the queue.
    void removing(const QList<JobQueue::Id> &ids);
    // At once, for each change of a file's state.
    void stateChanged(JobQueue::Id id, JobQueue::State state);
    // At most once per turn of the event loop: something of the rows changed.
    void changed();

private:
    Entry *entry(Id id);
    void touch(int row);
    void scheduleFlush();
    void reindex(int first);
    void setCount(const Entry &e, State to);
    void countInBatch(const Entry &e, int sign);

    Words m_words;
    std::vector<Entry> m_entries;
    QHash<Id, int> m_rows;
    QHash<FileIdentity, Id> m_sources;
    QHash<FileIdentity, Id> m_planned;
    std::array<int, kStates> m_counts{};
    BatchCounts m_batchCounts;
    quint64 m_batch = 0;
    Id m_nextId = 1;
    int m_dirtyFirst = -1;
    int m_dirtyLast = -1;
    bool m_flushQueued = false;
};
