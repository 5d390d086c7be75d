#pragma once

#include <stdexcept>

#include <QObject>
#include <QSize>
#include <QString>

// A call the engine rejected; code is the number shown to the user.
class EngineError : public std::runtime_error
{
public:
    EngineError(const std::string &what, int code) : std::runtime_error(what), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// One conversion in the engine. position() and time() read -1 whenever no
// item is in progress (never started, ended, failed, stopped).
class Player : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts converting input with the stream-output option. Throws
    // EngineError when the engine refuses.
    virtual void start(const QString &input, const QString &option) = 0;
    // Ends the item; what was written so far is closed and whole when it
    // returns. May wait for the engine: it is called on a worker thread, and
    // the player is not otherwise used from then on.
    virtual void stop() = 0;
    virtual float position() = 0;
    // Whole seconds.
    virtual int time() = 0;

    // After ended(): true when the item was read to its end with progress.
    // The output is closed by then.
    virtual bool finishedNormally() = 0;
    // How far into the source the engine got, in milliseconds.
    virtual qint64 readMilliseconds() = 0;
    // The source's length; 0 until the engine knows it.
    virtual qint64 lengthMilliseconds() = 0;
    // After ended(): what the engine's own log says went wrong with the
    // item (the output could not be written, the source could not be read,
    // too much of it could not be decoded), in words a user understands;
    // empty when nothing did.
    virtual QString logFault() = 0;
    // After ended(): the source's picture size when the encoder refused it,
    // else empty.
    virtual QSize refusedPicture() { return {}; }

signals:
    // The engine let go of the item, by reaching its end or failing; emitted
    // on the thread the player lives in, never from inside start() or stop().
    void ended();
};
