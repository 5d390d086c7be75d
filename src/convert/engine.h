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

// What the check of a finished file found.
struct OutputVerdict
{
    QString fault; // empty when the file holds what was asked for, else why not
    QString note;  // said of a good file, such as a track its source left empty
};

// The transcoding engine: players for jobs, and a look at sources and at
// finished files.
class Engine
{
public:
    virtual ~Engine() = default;

    virtual std::unique_ptr<Player> createPlayer() = 0;
    // Whether the file holds what was asked for, in words a user understands.
    virtual OutputVerdict checkOutput(const QString &file, const OutputExpectation &expected) = 0;
    // The length the source's container declares, in milliseconds; 0 when
    // the engine cannot tell. May wait on the file: called on a worker.
    virtual qint64 sourceLength(const QString &path)
    {
        Q_UNUSED(path);
        return 0;
    }
    // The rate of the source's pictures as its container gives it, 0 when
    // the engine cannot tell. May wait on the file: called on a worker.
    virtual double frameRate(const QString &path)
    {
        Q_UNUSED(path);
        return 0;
    }
};
