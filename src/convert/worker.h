#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include <QObject>
#include <QPointer>

class QThreadPool;

// Runs file-system work that can wait (a hung share, a slow disk) off the
// thread this object lives on, and hands each result to `done` on that
// thread while `context` lives. Results that arrive after the worker or the
// context is gone are dropped; a task that never returns is abandoned at
// exit rather than waited for.
class Worker final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Worker)

public:
    explicit Worker(QObject *parent = nullptr);
    ~Worker() override;

    template <typename Result>
    void run(QObject *context, std::function<Result()> task, std::function<void(Result)> done)
    {
        ++m_pending;
        QPointer<QObject> receiver(context);
        post([mailbox = m_mailbox, task = std::move(task), done = std::move(done),
              receiver]() mutable {
            auto result = std::make_shared<Result>(task());
            const std::lock_guard lock(mailbox->mutex);
            if (Worker *worker = mailbox->worker)
                QMetaObject::invokeMethod(
                    worker,
                    [worker, done = std::move(done), result, receiver] {
                        --worker->m_pending;
                        if (receiver)
                            done(std::move(*result));
                        if (worker->m_pending == 0)
                            emit worker->idle();
                    },
                    Qt::QueuedConnection);
        });
    }

    // Tasks whose results have not been handed back yet.
    int pending() const { return m_pending; }

signals:
    void idle();

private:
    struct Mailbox
    {
        std::mutex mutex;
        Worker *worker = nullptr;
    };
    void post(std::function<void()> task);

    std::shared_ptr<Mailbox> m_mailbox;
    QThreadPool *m_pool = nullptr;
    int m_pending = 0;
};
