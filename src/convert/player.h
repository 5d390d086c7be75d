#pragma once

#include <functional>
#include <memory>
#include <stdexcept>

#include <QString>
#include <QStringList>

// A call the engine rejected; code is the number shown to the user.
class EngineError : public std::runtime_error
{
public:
    EngineError(const std::string &what, int code) : std::runtime_error(what), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// The player operations the conversion uses. Position and Time read -1
// whenever no item is in progress (never started, ended, failed, stopped).
class Player
{
public:
    virtual ~Player() = default;

    // Replaces the playlist with the item and starts it at once (mode 10,
    // position -666). Throws EngineError when the engine refuses.
    virtual void addTarget(const QString &uri, const QStringList &options, int mode,
                           int position) = 0;
    virtual void stop() = 0;
    virtual void playlistClear() = 0;
    virtual float position() = 0;
    virtual int time() = 0;

    // True once the item reached its end having been converted, decided from
    // the engine's own events rather than from a poll: a short clip can be
    // through before any poll sees progress.
    virtual bool finishedNormally() = 0;
};

using PlayerFactory = std::function<std::unique_ptr<Player>()>;
