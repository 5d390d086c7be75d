#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a signal of the event loop. The handler only writes
// the signal's number into a pipe whose other end the loop watches, since
// nothing else may run inside a signal handler. One object at a time; the
// handlers are reset to the default when it goes.
class StopSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StopSignals)

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};
