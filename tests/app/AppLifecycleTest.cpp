#include "TestMonitor.h"

#include "app/AppLifecycle.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace voltmere {
namespace {

// Runs in a child process of its own (a death test), because the event loop
// of a process announces that it is about to quit only once.
void quitBySignal(int signalNumber)
{
    test::TestMonitor fixture;
    fixture.monitor->start();
    AppLifecycle::stopMonitorOnQuit(*QCoreApplication::instance(), *fixture.monitor);
    // Should the signal not end the loop, this ends it with a failure code.
    QTimer::singleShot(10000, [] { std::_Exit(3); });
    QTimer::singleShot(0, [signalNumber] { std::raise(signalNumber); });
    QCoreApplication::exec();

    const auto &marks = fixture.history.marks;
    const bool stopped = !marks.empty() && marks.back().event == HistoryEvent::stop;
    const bool flushedAndWaited = !fixture.history.flushes.empty() && fixture.history.flushes.back();
    std::_Exit(stopped && flushedAndWaited ? 0 : 1);
}

TEST(AppLifecycleDeathTest, SigtermWritesTheStopEventAndWaitsForTheFlush)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(quitBySignal(SIGTERM), ::testing::ExitedWithCode(0), "");
}

TEST(AppLifecycleDeathTest, SigintDoesTheSame)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(quitBySignal(SIGINT), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace voltmere
