#pragma once

#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <future>

namespace voltmere::test {

// Every thread of Qt's global pool kept busy, as painting and other work of
// the toolkit can keep it: until released, and never longer than `limit`
// (a window painted meanwhile waits for these threads).
class BusyGlobalPool {
public:
    explicit BusyGlobalPool(std::chrono::milliseconds limit = std::chrono::seconds(4))
    {
        QThreadPool &pool = *QThreadPool::globalInstance();
        std::shared_future<void> released = m_release.get_future().share();
        for (int i = 0; i < pool.maxThreadCount(); ++i) {
            pool.start([this, released, limit] {
                ++m_busy;
                released.wait_for(limit);
            });
        }
    }
    ~BusyGlobalPool()
    {
        release();
        QThreadPool::globalInstance()->waitForDone();
    }
    BusyGlobalPool(const BusyGlobalPool &) = delete;
    BusyGlobalPool &operator=(const BusyGlobalPool &) = delete;

    // Every thread has started its wait.
    bool allBusy() const { return m_busy.load() == QThreadPool::globalInstance()->maxThreadCount(); }
    void release()
    {
        if (!m_released.exchange(true)) {
            m_release.set_value();
        }
    }

private:
    std::promise<void> m_release;
    std::atomic<bool> m_released { false };
    std::atomic<int> m_busy { 0 };
};

} // namespace voltmere::test
