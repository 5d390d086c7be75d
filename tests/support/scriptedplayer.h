#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include <QHash>
#include <QString>
#include <QStringList>

#include "convert/engine.h"
#include "convert/player.h"

// The record every scripted player of one script writes to, and the script
// the players follow: each start takes the next job.
struct PlayerScript
{
    struct Job
    {
        // What successive polls read as (position, time); (-1, -1) is the
        // engine letting go of the item, which then ends.
        std::deque<std::pair<float, int>> ticks;
        bool finishedNormally = false;
        bool refuse = false;      // start throws
        bool writeOutput = false; // start writes a few bytes to the destination
        QString fault;            // what the check of the finished file finds
        // A file the engine gave up on fails its check as cut short, unless it is whole.
        bool wholeOutput = false;
    };
    struct Call
    {
        QString uri;
        QString option;
    };

    std::deque<Job> jobs;
    // Every start of a file of this name takes this job instead.
    QHash<QString, Job> perFile;
    QList<Call> calls;
    std::mutex checking; // checks run on the worker
    QStringList checked; // files the engine was asked to check
    QHash<QString, QString> faults; // of each job's destination
    int created = 0;
    int destroyed = 0;
    std::atomic<int> stops = 0; // players stop on the worker

    // Ends at once without any progress.
    static Job failing() { return Job{{{-1.0f, -1}}, false, false, false, {}}; }
    // Writes a partial output and ends without progress.
    static Job failingWithOutput() { return Job{{{-1.0f, -1}}, false, false, true, {}}; }
    // Reports progress once, then ends having converted.
    static Job converting(float p = 0.5f, int t = 3)
    {
        return Job{{{p, t}, {-1.0f, -1}}, true, false, true, {}};
    }
    // The destination inside an option, unescaped.
    static QString destination(const QString &option);
};

class ScriptedPlayer final : public Player
{
    Q_OBJECT

public:
    explicit ScriptedPlayer(std::shared_ptr<PlayerScript> script);
    ~ScriptedPlayer() override;

    void start(const QString &input, const QString &option) override;
    void stop() override;
    float position() override;
    int time() override;
    bool finishedNormally() override;
    qint64 readMilliseconds() override;
    qint64 lengthMilliseconds() override { return 0; }
    QString logFault() override { return {}; }

private:
    void end();

    std::shared_ptr<PlayerScript> m_script;
    PlayerScript::Job m_job;
    QString m_destination;
    bool m_active = false;
    bool m_timeRead = false;
    std::pair<float, int> m_tick{-1.0f, -1};
    int m_lastTime = 0;
};

// Players from the script; a finished file is whole unless its job says
// otherwise or it is empty.
class ScriptedEngine final : public Engine
{
public:
    explicit ScriptedEngine(std::shared_ptr<PlayerScript> script) : m_script(std::move(script)) {}

    std::unique_ptr<Player> createPlayer() override;
    OutputVerdict checkOutput(const QString &file, const OutputExpectation &expected) override;

private:
    std::shared_ptr<PlayerScript> m_script;
};
