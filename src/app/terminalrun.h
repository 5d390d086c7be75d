#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

#include "convert/batch.h"

class Engine;
class TerminalOptions;

// A batch run from the command line: the options answer the batch's
// questions, and the run reports on the error output, one line per file,
// with a live progress line when that output is a terminal. The standard
// output carries only the converted files' paths.
class TerminalRun final : public QObject, public BatchQuestions
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminalRun)

public:
    // Exit statuses besides 0 (every file converted) and 128 + a stop
    // signal's number. A closed standard output stops the run with 1.
    static constexpr int kNotAllConverted = 1;
    static constexpr int kBadArguments = 2;

    TerminalRun(Engine &engine, const TerminalOptions &options, QObject *parent = nullptr);
    ~TerminalRun() override;

    // Converts the options' files in an event loop of its own; returns the
    // exit status.
    int exec();

    FileSettings settingsForNextFile() override;
    bool bothTracksChecked() override;
    bool mayOverwrite(const QString &output) override;
    std::optional<QString> otherOutputName(const QString &input, const QString &output,
                                           bool bothTracks) override;

private:
    // What the run knows of a file's output, for its report.
    struct Output
    {
        QString path;
        bool wasThere = false;
        QString skipReason;
        QElapsedTimer clock; // since the file's latest attempt began
    };

    void onFileStarted(const QString &input);
    void onFileChanged(int index);
    void onStopSignal(int signalNumber);
    void onOutputClosed();
    bool stopping() const { return m_stopSignal != 0 || m_outputClosed; }
    void showLiveLine();
    void printSummary(bool stopped);
    void clearLiveLine();

    const TerminalOptions &m_options;
    Batch m_batch;
    QHash<QString, Output> m_outputs; // by input
    QList<bool> m_reported;
    QString m_current; // whose output is being settled
    int m_stopSignal = 0;
    bool m_outputClosed = false;
    int m_stopped = 0; // files the stop ended in hand
    bool m_live = false;
    bool m_liveShown = false;
};
