#pragma once

#include <deque>
#include <memory>
#include <utility>

#include <QString>
#include <QStringList>

#include "convert/player.h"

// The record every scripted player of one script writes to, and the script
// that the players follow: each addTarget takes the next job's (p, t) ticks.
struct PlayerScript
{
    struct Job
    {
        std::deque<std::pair<float, int>> ticks; // (position, time) per poll
        bool finishedNormally = false;
        bool refuse = false; // addTarget throws
        bool writeOutput = false; // addTarget writes a few bytes to the destination
    };
    struct Call
    {
        QString uri;
        QStringList options;
        int mode = 0;
        int position = 0;
    };

    std::deque<Job> jobs;
    QList<Call> calls;
    int created = 0;
    int destroyed = 0;
    int stops = 0;
    int clears = 0;

    // A job that ends at its first poll without any progress.
    static Job failing() { return Job{{{-1.0f, -1}}, false, false, false}; }
    // A job that writes a partial output and ends without progress.
    static Job failingWithOutput() { return Job{{{-1.0f, -1}}, false, false, true}; }
    // A job that reports progress once and then ends.
    static Job converting(float p = 0.5f, int t = 3)
    {
        return Job{{{p, t}, {-1.0f, -1}}, true, false, true};
    }
    // The destination inside an option, unescaped.
    static QString destination(const QString &option);
};

class ScriptedPlayer final : public Player
{
public:
    explicit ScriptedPlayer(std::shared_ptr<PlayerScript> script);
    ~ScriptedPlayer() override;

    void addTarget(const QString &uri, const QStringList &options, int mode, int position) override;
    void stop() override;
    void playlistClear() override;
    float position() override;
    int time() override;
    bool finishedNormally() override;

    static PlayerFactory factory(std::shared_ptr<PlayerScript> script);

private:
    std::pair<float, int> current();

    std::shared_ptr<PlayerScript> m_script;
    PlayerScript::Job m_job;
    bool m_active = false;
    bool m_timeRead = false;
    std::pair<float, int> m_tick{-1.0f, -1};
};
