#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QSet>
#include <QString>

#include "convert/filesettings.h"
#include "convert/jobqueue.h"

class Engine;
class Player;
namespace jobfiles {
struct Finished;
struct Prepared;
}
class QTimer;
class WorkFolder;
class Worker;

// What a running batch asks the user: only for an unrelated file at an
// output, under the rule "ask". The window answers with its boxes and
// dialogs; a front end that cannot ask never uses that rule.
class BatchQuestions
{
public:
    virtual ~BatchQuestions() = default;

    // Both track checks are ticked. Then the save dialog offered for an
    // existing output starts from the output's name, otherwise from
    // "<input>_new_<extension>". Asked at each attempt.
    virtual bool bothTracksChecked() = 0;
    // True to overwrite the existing output.
    virtual bool mayOverwrite(const QString &output) = 0;
    // Another name for the output; nothing skips the file.
    virtual std::optional<QString> otherOutputName(const QString &input, const QString &output,
                                                   bool bothTracks) = 0;
};

// Converts the queue's waiting files in list order, up to maxJobs() at
// once, and keeps each file's state in the queue. Each job settles its
// output and writes a part file in a private work folder beside it; the
// part takes the output's name only once the engine has ended and the file
// is checked to hold what was asked for. What can wait on the file system
// (the source's check, the work folder, the output's check and commit)
// runs on the worker.
// A job that fails is tried three more times, then given up; the batch
// goes on either way. Questions and reports that wait for the user come
// one at a time: what arises while one is open waits its turn.
class Batch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Batch)

public:
    static constexpr int kRestarts = 3;
    using Id = JobQueue::Id;
    // The reason of a file that a stop ended in hand.
    static QString stoppedReason();

    Batch(Engine &engine, JobQueue &queue, Worker &worker,
          std::function<FileSettings()> settings, QObject *parent = nullptr);
    ~Batch() override;

    void setQuestions(BatchQuestions *questions) { m_questions = questions; }

    // False, with nothing started, for no files, a running batch or
    // settings that cannot be used (refused() says why).
    bool start(const QList<Id> &ids);
    // Files added while the batch runs join it at their place in the list.
    void join(const QList<Id> &ids);
    // Ends at once and reports the count; a file in hand keeps what was
    // written so far unless that would replace a file that was there before.
    void stop();
    // Ends at once without a report.
    void abandon();
    // Starts no further file; the batch ends when the jobs in hand have.
    void stopAfterCurrent();

    // Jobs at once, at least 1; a running batch takes a change at its next file.
    void setMaxJobs(int jobs);
    int maxJobs() const { return m_maxJobs; }
    // A job whose engine reads nothing for this long is given up; 0 waits
    // for ever.
    void setStallTimeout(int seconds);
    int stallTimeout() const { return m_stallSeconds; }
    // Milliseconds of a steady clock; tests turn it by hand.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    bool isRunning() const { return m_running; }
    bool isStoppingAfterCurrent() const { return m_stopAfterCurrent; }
    int convertedCount() const { return m_converted; }
    int jobsInHand() const { return int(m_jobs.size()); }
    // The files in hand, oldest first.
    QList<Id> inHand() const;
    // The part file of the oldest job in hand; empty when there is none.
    QString partFile() const;
    // Outputs this batch has written or is writing: no other file takes them.
    const QSet<FileIdentity> &claimed() const { return m_claimed; }

    // Reads the progress of the jobs in hand; a timer calls it every second.
    void poll();

signals:
    void refused(const QString &message);
    // The batch starts, and again at each restart of its first file.
    void started();
    // A file's attempt begins, before its output is settled.
    void fileStarted(JobQueue::Id id, const QString &input, int converted);
    void jobStarting();
    // Of the oldest job in hand.
    void progressChanged(int percent);
    void handOverFailed(const QString &input, int code);
    void givenUp(const QString &input);
    void deleteFailed(const QString &path);
    // The end of a batch that ran to its end or was stopped, then finished().
    void completed(int converted, bool stopped);
    void finished();

private:
    struct Job;
    class Modal;

    void advance();
    std::optional<Id> nextWaiting();
    void startFile(std::unique_ptr<Job> job);
    void prepare(Job &job, const QString &name, bool overwrite);
    void onPrepared(quint64 serial, const jobfiles::Prepared &prepared);
    void settle(quint64 serial, const jobfiles::Prepared &prepared);
    void askAboutExisting(Job &job, const QString &output);
    void startEngine(Job &job);
    void onJobEnded(Player *player);
    void onChecked(quint64 serial, Id id, const jobfiles::Finished &finished);
    void retryOrGiveUp(std::unique_ptr<Job> job, const QString &reason);
    void finishFile(Id id, JobQueue::State state, const QString &reason);
    void failFile(Id id, const QString &reason);
    void stopJob(std::unique_ptr<Job> job, const QString &reason);
    void close(Job &job, bool keepPartial);
    void stopAllJobs();
    void removeWork(std::shared_ptr<WorkFolder> work);
    void reset();
    void report(std::function<void()> report);
    void onRemoving(const QList<Id> &ids);
    std::unique_ptr<Job> take(quint64 serial);
    Job *find(quint64 serial);

    Engine &m_engine;
    JobQueue &m_queue;
    Worker &m_worker;
    std::function<FileSettings()> m_settings;
    BatchQuestions *m_questions = nullptr;
    std::function<qint64()> m_clock;
    QTimer *m_pollTimer = nullptr;
    std::vector<std::unique_ptr<Job>> m_jobs; // oldest first
    std::deque<std::function<void()>> m_waitingReports;
    QSet<QString> m_sweptFolders;
    QSet<FileIdentity> m_claimed;
    Id m_firstFile = 0;
    int m_cursor = 0; // no waiting file before this row
    int m_maxJobs = 1;
    int m_stallSeconds = 0;
    bool m_running = false;
    bool m_stopAfterCurrent = false;
    bool m_advancing = false;
    bool m_modal = false; // a question or a report is with the user
    int m_converted = 0;
    quint64 m_generation = 0;
    quint64 m_serial = 0;
    quint64 m_settling = 0; // the attempt whose output is being settled
};
