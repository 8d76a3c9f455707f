#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class QThread;
class QTimer;

namespace voltmere {

class SerialQueue;

// A repeating timer that lives on a SerialQueue. Destroying the handle
// cancels it; no handler call starts after the cancellation has run on the
// queue (the queue is serial, so "cancel, then reschedule" keeps its order).
class QueueTimer {
public:
    ~QueueTimer();
    QueueTimer(const QueueTimer &) = delete;
    QueueTimer &operator=(const QueueTimer &) = delete;

    std::chrono::milliseconds period() const { return m_period; }
    std::chrono::milliseconds leeway() const { return m_leeway; }

private:
    friend class SerialQueue;
    QueueTimer(SerialQueue &queue, std::chrono::milliseconds period, std::chrono::milliseconds leeway);

    SerialQueue &m_queue;
    std::chrono::milliseconds m_period;
    std::chrono::milliseconds m_leeway;
    // Owned by the queue's thread; created and deleted there.
    std::shared_ptr<QTimer *> m_timer;
};

// A serial work queue: one thread with its own event loop, named after the
// queue's label and run at low priority. Work runs one item at a time in
// submission order, which is what lets queue-owned state go without locks.
class SerialQueue {
public:
    explicit SerialQueue(const QString &label);
    // Runs what was already submitted, then stops the thread.
    ~SerialQueue();
    // Runs what was already submitted and ends the thread now, so nothing of
    // this queue runs while the program's static objects are torn down.
    // Later submissions are dropped. Idempotent; not callable on the queue.
    void stop();
    bool isStopped() const { return m_stopped.load(); }
    SerialQueue(const SerialQueue &) = delete;
    SerialQueue &operator=(const SerialQueue &) = delete;

    QString label() const;

    // Submits work and returns at once.
    void async(std::function<void()> work);
    // Runs work on the queue and returns when it has run. Called on the
    // queue itself it runs inline instead of deadlocking.
    void sync(const std::function<void()> &work);
    // True when the calling thread is this queue's thread.
    bool isCurrent() const;

    // A timer whose handler runs on this queue: first call at once, then
    // every `period`. `leeway` is how late the kernel may fire it so wakeups
    // can be coalesced (applied as the queue thread's timer slack).
    std::unique_ptr<QueueTimer> scheduleRepeating(std::chrono::milliseconds period, std::chrono::milliseconds leeway,
                                                  std::function<void()> handler);

    // The object queued calls are delivered to; lives on the queue's thread.
    QObject *context() const { return m_context; }

private:
    QThread *m_thread = nullptr;
    QObject *m_context = nullptr;
    std::atomic<bool> m_stopped { false };
};

} // namespace voltmere
