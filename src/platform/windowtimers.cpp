#include "platform/windowtimers.h"

#include <QTimer>

WindowTimers::WindowTimers(std::function<void(unsigned)> onTimer, QObject *parent)
    : QObject(parent), m_onTimer(std::move(onTimer))
{
}

WindowTimers::~WindowTimers() = default;

unsigned WindowTimers::setTimer(unsigned id, int milliseconds)
{
    auto &timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        connect(timer.get(), &QTimer::timeout, this, [this, id] { m_onTimer(id); });
    }
    timer->start(milliseconds);
    return id;
}

void WindowTimers::killTimer(unsigned id)
{
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

bool WindowTimers::isActive(unsigned id) const
{
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}
