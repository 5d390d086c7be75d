#pragma once

#include <memory>
#include <optional>

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
    bool sameDirectory = true;
    QString outputFolder;
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
    QString output; // once converted
    QString reason; // once failed or skipped
};

// Converts a list of files one after another. Each job writes a hidden part
// file beside its output, which replaces the output only once the engine has
// ended and the file is checked to hold what was asked for. A job that fails
// is tried three more times, then given up; the batch goes on either way.
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

    bool isRunning() const { return m_running; }
    int convertedCount() const { return m_converted; }
    const QList<FileResult> &results() const { return m_results; }
    // The part file of the job in hand; empty when there is none.
    QString partFile() const;

    // Reads the progress of the job in hand; a timer calls it every second.
    void poll();

signals:
    void refused(const QString &message);
    // The batch starts, and again at each restart of its first file.
    void started();
    // A file's attempt begins, before its output is settled.
    void fileStarted(const QString &input, int converted);
    void jobStarting();
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

    void advance();
    void startAttempt();
    bool settleOutput(const QString &input, const FileSettings &settings, bool bothTracks,
                      QString *output);
    void onJobEnded();
    void endAttempt(const QString &reason);
    void failFile(const QString &reason);
    void skipFile(const QString &reason);
    void stopJob();
    void removePart(const QString &part);
    void reset();
    void setState(int index, FileResult::State state);

    Engine &m_engine;
    BatchQuestions &m_questions;
    QTimer *m_pollTimer = nullptr;
    QList<FileResult> m_results;
    std::unique_ptr<Job> m_job;
    QSet<QString> m_cleanedFolders;
    QString m_output; // settled by the first attempt of the file in hand
    bool m_replacing = false; // a file was at m_output before the first attempt
    bool m_running = false;
    int m_next = 0;
    int m_attempt = 0;
    int m_converted = 0;
    quint64 m_generation = 0;
};
