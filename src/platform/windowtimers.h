#pragma once

#include <functional>
#include <map>
#include <memory>

#include <QObject>

class QTimer;

// Window timers with ids chosen by the program (2, 3, ...): each tick calls
// the handler with the timer's id, like a window's timer message.
class WindowTimers final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowTimers)

public:
    explicit WindowTimers(std::function<void(unsigned)> onTimer, QObject *parent = nullptr);
    ~WindowTimers() override;

    // Starts or restarts timer `id`; returns the id (never 0).
    unsigned setTimer(unsigned id, int milliseconds);
    void killTimer(unsigned id);
    bool isActive(unsigned id) const;

private:
    std::function<void(unsigned)> m_onTimer;
    std::map<unsigned, std::unique_ptr<QTimer>> m_timers;
};
