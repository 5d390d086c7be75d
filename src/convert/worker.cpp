#include "convert/worker.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace {

// Enough that one task stuck on a hung share leaves others going.
constexpr int kThreads = 4;
constexpr int kExitWaitMs = 3000;

} // namespace

Worker::Worker(QObject *parent)
    : QObject(parent), m_mailbox(std::make_shared<Mailbox>()), m_pool(new QThreadPool)
{
    m_mailbox->worker = this;
    m_pool->setMaxThreadCount(kThreads);
}

Worker::~Worker()
{
    {
        const std::lock_guard lock(m_mailbox->mutex);
        m_mailbox->worker = nullptr;
    }
    // A pool whose tasks hang would wait for ever in its destructor: it is
    // let go instead, and ends with the process.
    if (m_pool->waitForDone(kExitWaitMs))
        delete m_pool;
    else
        qWarning("Tarnwick: file-system work still waits; left behind");
    // Objects the tasks handed back for deletion, when no loop runs anymore.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Worker::post(std::function<void()> task)
{
    m_pool->start(std::move(task));
}
