#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace voltmere::test {

// Runs the main thread's event loop until `done()` holds or `milliseconds`
// pass; returns whether it holds. Work queued from other threads (ticks,
// completions) lands here.
template <typename Predicate>
bool waitFor(Predicate done, int milliseconds = 5000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

// Runs the event loop for `milliseconds`, to show that nothing more arrives.
inline void settleFor(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

} // namespace voltmere::test
