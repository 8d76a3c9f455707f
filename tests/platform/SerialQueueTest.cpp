#include "platform/SerialQueue.h"

#include "EventLoop.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace voltmere {
namespace {

using namespace std::chrono_literals;

using test::waitFor;

TEST(SerialQueueTest, RunsWorkInSubmissionOrderOnItsOwnThread)
{
    SerialQueue queue(QStringLiteral("test.order"));
    std::vector<int> order;
    QThread *worker = nullptr;
    for (int i = 0; i < 100; ++i) {
        queue.async([&order, &worker, i] {
            order.push_back(i);
            worker = QThread::currentThread();
        });
    }
    queue.sync([] {});
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    }
    EXPECT_NE(worker, QThread::currentThread());
    EXPECT_EQ(worker->objectName(), "test.order");
}

TEST(SerialQueueTest, SyncOnTheQueueItselfRunsInline)
{
    SerialQueue queue(QStringLiteral("test.inline"));
    bool ranInner = false;
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        queue.sync([&] { ranInner = true; });
    });
    EXPECT_TRUE(ranInner);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueueTest, DestructionRunsWhatWasAlreadySubmitted)
{
    std::atomic<int> ran = 0;
    {
        SerialQueue queue(QStringLiteral("test.drain"));
        for (int i = 0; i < 10; ++i) {
            queue.async([&ran] {
                QThread::msleep(2);
                ++ran;
            });
        }
    }
    EXPECT_EQ(ran.load(), 10);
}

TEST(SerialQueueTest, TimerFiresAtOnceThenRepeatsUntilCancelled)
{
    SerialQueue queue(QStringLiteral("test.timer"));
    std::atomic<int> fired = 0;
    auto timer = queue.scheduleRepeating(20ms, 4ms, [&fired] { ++fired; });
    EXPECT_EQ(timer->period(), 20ms);
    EXPECT_EQ(timer->leeway(), 4ms);
    // The first call does not wait a period.
    queue.sync([] {});
    EXPECT_GE(fired.load(), 1);
    EXPECT_TRUE(waitFor([&] { return fired.load() >= 3; }));

    timer.reset();
    queue.sync([] {});
    const int afterCancel = fired.load();
    QThread::msleep(80);
    queue.sync([] {});
    EXPECT_EQ(fired.load(), afterCancel);
}

TEST(SerialQueueTest, ReschedulingReplacesTheOldTimer)
{
    SerialQueue queue(QStringLiteral("test.reschedule"));
    std::atomic<int> slow = 0;
    std::atomic<int> fast = 0;
    auto timer = queue.scheduleRepeating(10s, 2s, [&slow] { ++slow; });
    timer.reset();
    timer = queue.scheduleRepeating(10ms, 2ms, [&fast] { ++fast; });
    EXPECT_TRUE(waitFor([&] { return fast.load() >= 2; }));
    EXPECT_EQ(slow.load(), 1); // only its immediate first call
}

} // namespace
} // namespace voltmere
