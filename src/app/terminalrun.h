#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include "convert/batch.h"

class Session;
class TerminalOptions;

// A batch run from the command line: the options choose what the session
// converts, and the run reports on the error output, one line per file,
// with a live progress line when that output is a terminal. The standard
// output carries only the converted files' paths. Nobody can be asked, so
// an existing output is skipped unless the options say otherwise.
class TerminalRun final : public QObject, private BatchQuestions
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminalRun)

public:
    // Exit statuses besides 0 (every file converted) and 128 + a stop
    // signal's number. A closed standard output stops the run with 1. A closed standard output stops the run with 1.
    static constexpr int kNotAllConverted = 1;
    static constexpr int kBadArguments = 2;

    TerminalRun(Session &session, const TerminalOptions &options, QObject *parent = nullptr);
    ~TerminalRun() override;

    // Converts the options' files in an event loop of its own; returns the
    // exit status.
    int exec();

private:
    bool bothTracksChecked() override;
    bool mayOverwrite(const QString &output) override;
    std::optional<QString> otherOutputName(const QString &input, const QString &output,
                                           bool bothTracks) override;

    void onStateChanged(JobQueue::Id id, JobQueue::State state);
    void onStopSignal(int signalNumber);
    void onOutputClosed();
    bool stopping() const { return m_stopSignal != 0 || m_outputClosed; }
    void showLiveLine();
    void printStopped();
    void printSummary(bool stopped);
    void clearLiveLine();

    Session &m_session;
    const TerminalOptions &m_options;
    QHash<JobQueue::Id, QElapsedTimer> m_clocks; // since the file's latest attempt began
    int m_stopSignal = 0;
    bool m_outputClosed = false;
    bool m_live = false;
    bool m_liveShown = false;
};
