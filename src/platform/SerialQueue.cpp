#include "platform/SerialQueue.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace voltmere {

namespace {

void applyTimerSlack(std::chrono::milliseconds leeway)
{
#ifdef __linux__
    // The timer slack is per thread; it lets the kernel delay this thread's
    // timer wakeups by up to the leeway so they can share a wakeup with others.
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(leeway).count();
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(std::max<long long>(nanoseconds, 1)), 0, 0, 0);
#else
    (void)leeway;
#endif
}

} // namespace

SerialQueue::SerialQueue(const QString &label)
    : m_thread(new QThread)
    , m_context(new QObject)
{
    m_thread->setObjectName(label);
    m_context->setObjectName(label);
    m_context->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

SerialQueue::~SerialQueue()
{
    if (isCurrent()) {
        m_stopped = true;
        m_thread->quit();
    } else {
        stop();
    }
    delete m_thread;
}

void SerialQueue::stop()
{
    Q_ASSERT(!isCurrent());
    if (m_stopped.load()) {
        return;
    }
    sync([] {});
    // From here on the context object may be gone with its thread.
    m_stopped = true;
    m_thread->quit();
    m_thread->wait();
}

QString SerialQueue::label() const { return m_thread->objectName(); }

void SerialQueue::async(std::function<void()> work)
{
    if (m_stopped.load()) {
        return;
    }
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}

void SerialQueue::sync(const std::function<void()> &work)
{
    if (isCurrent()) {
        work();
        return;
    }
    if (m_stopped.load()) {
        return;
    }
    QMetaObject::invokeMethod(m_context, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

bool SerialQueue::isCurrent() const { return QThread::currentThread() == m_thread; }

std::unique_ptr<QueueTimer> SerialQueue::scheduleRepeating(std::chrono::milliseconds period,
                                                           std::chrono::milliseconds leeway,
                                                           std::function<void()> handler)
{
    std::unique_ptr<QueueTimer> timer(new QueueTimer(*this, period, leeway));
    auto slot = timer->m_timer;
    async([this, slot, period, leeway, handler = std::move(handler)] {
        applyTimerSlack(leeway);
        auto *qtimer = new QTimer(m_context);
        qtimer->setTimerType(Qt::PreciseTimer);
        qtimer->setInterval(period);
        QObject::connect(qtimer, &QTimer::timeout, qtimer, handler);
        *slot = qtimer;
        qtimer->start();
        handler(); // the deadline is "now": the first tick does not wait a period
    });
    return timer;
}

QueueTimer::QueueTimer(SerialQueue &queue, std::chrono::milliseconds period, std::chrono::milliseconds leeway)
    : m_queue(queue)
    , m_period(period)
    , m_leeway(leeway)
    , m_timer(std::make_shared<QTimer *>(nullptr))
{
}

QueueTimer::~QueueTimer()
{
    auto slot = m_timer;
    m_queue.async([slot] {
        delete *slot;
        *slot = nullptr;
    });
}

} // namespace voltmere
