#pragma once

#include <memory>

#include <QString>

class Player;

// What a job asks of the engine's output, checked on the file itself.
struct OutputExpectation
{
    QString source;
    QString mux;
    // Asked for; a stream the source does not have is not expected either.
    bool video = true;
    bool audio = true;
    // What the engine read of the source; the output must cover it.
    qint64 readMilliseconds = 0;
    // The source's length as the engine found it on opening, 0 when unknown;
    // where the source's container gives it, the output must cover it too.
    qint64 sourceMilliseconds = 0;
};

// The transcoding engine: players for jobs, and a look at finished files.
class Engine
{
public:
    virtual ~Engine() = default;

    virtual std::unique_ptr<Player> createPlayer() = 0;
    // Empty when the file holds what was asked for; else why it does not,
    // in words a user understands.
    virtual QString outputFault(const QString &file, const OutputExpectation &expected) = 0;
};
