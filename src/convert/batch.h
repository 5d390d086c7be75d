#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include "convert/outputnaming.h"

class Engine;
class Player;
class QTimer;

// What one file is converted with, read when its turn comes.
struct FileSettings
{
    ConversionSettings conversion;
    TrackChoice tracks;
    bool sameDirectory = true;
    QString outputFolder;
    // The output gets its source's modification time.
    bool keepDates = false;
};

// What a running batch needs to ask; the window answers with its boxes and
// dialogs, a terminal run from its options.
class BatchQuestions
{
public:
    virtual ~BatchQuestions() = default;

    virtual FileSettings settingsForNextFile() = 0;
    // Both track checks are ticked. Then the save dialog offered for an
    // existing output starts from the output's name, otherwise from
    // "<input>_new_<extension>". Asked at each attempt, after the batch
    // has started.
    virtual bool bothTracksChecked() = 0;
    // True to overwrite the existing output.
    virtual bool mayOverwrite(const QString &output) = 0;
    // Another name for the output; nothing skips the file.
    virtual std::optional<QString> otherOutputName(const QString &input, const QString &output,
                                                   bool bothTracks) = 0;
};

struct FileResult
{
    enum class State { Waiting, Converting, Converted, Failed, Skipped };

    QString input;
    State state = State::Waiting;
    int percent = 0;
    qint64 durationMs = 0; // of the source, once the engine knows it
    QString output;        // once converted
    QString reason;        // once failed or skipped
};

// Converts a list of files in list order, up to maxJobs() of them at once.
// Each job writes a hidden part file beside its output, which replaces the
// output only once the engine has ended and the file is checked to hold what
// was asked for. A job that fails is tried three more times, then given up;
// the batch goes on either way. Questions and reports that wait for the user
// come one at a time: what arises while one is open waits its turn.
class Batch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Batch)

public:
    static constexpr int kRestarts = 3;

    Batch(Engine &engine, BatchQuestions &questions, QObject *parent = nullptr);
    ~Batch() override;

    // False, with nothing started, for an empty list, a running batch or
    // settings that cannot be used (refused() says why).
    bool start(const QStringList &inputs);
    // Files added while the batch runs join its queue at the end.
    void append(const QStringList &inputs);
    // Removed files leave the queue; the one in hand is stopped as by
    // stop(), and the batch goes on with the rest.
    void remove(const QStringList &inputs);
    // Ends at once and reports the count; the file in hand keeps what was
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

    bool isRunning() const { return m_running; }
    bool isStoppingAfterCurrent() const { return m_stopAfterCurrent; }
    int convertedCount() const { return m_converted; }
    const QList<FileResult> &results() const { return m_results; }
    // The part file of the oldest job in hand; empty when there is none.
    QString partFile() const;
    int jobsInHand() const { return int(m_jobs.size()); }

    // Reads the progress of the jobs in hand; a timer calls it every second.
    void poll();

signals:
    void refused(const QString &message);
    // The batch starts, and again at each restart of its first file.
    void started();
    // A file's attempt begins, before its output is settled.
    void fileStarted(const QString &input, int converted);
    void jobStarting();
    // Of the oldest job in hand.
    void progressChanged(int percent);
    void fileChanged(int index);
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
    void startFile(std::unique_ptr<Job> job);
    bool settleOutput(Job &job, const FileSettings &settings, bool bothTracks);
    void onJobEnded(Player *player);
    void retryOrGiveUp(std::unique_ptr<Job> job, const QString &reason);
    void failFile(int index, const QString &reason);
    void stopJob(std::unique_ptr<Job> job, const QString &reason);
    void stopAllJobs();
    void removePart(const QString &part);
    void reset();
    void setState(int index, FileResult::State state);
    void report(std::function<void()> report);
    bool reserved(const QString &output) const;

    Engine &m_engine;
    BatchQuestions &m_questions;
    QTimer *m_pollTimer = nullptr;
    QList<FileResult> m_results;
    std::vector<std::unique_ptr<Job>> m_jobs; // oldest first
    std::deque<std::function<void()>> m_waitingReports;
    QSet<QString> m_cleanedFolders;
    int m_maxJobs = 1;
    int m_stallSeconds = 0;
    bool m_running = false;
    bool m_stopAfterCurrent = false;
    bool m_advancing = false;
    bool m_modal = false; // a question or a report is with the user
    int m_next = 0;       // the first file not yet taken
    int m_converted = 0;
    quint64 m_generation = 0;
    quint64 m_serial = 0;
};
