#include "TestMonitor.h"

#include "app/AppLifecycle.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <vector>
#include <cstdlib>

namespace voltmere {
namespace {

// Runs in a child process of its own (a death test), because the event loop
// of a process announces that it is about to quit only once.
// Exits 0 when the loop ended with exactly one stop event followed by a
// waited-for flush.
void quitBySignals(std::vector<int> signalNumbers, bool quitAfterwards = false)
{
    test::TestMonitor fixture;
    fixture.monitor->start();
    AppLifecycle::stopMonitorOnQuit(*QCoreApplication::instance(), *fixture.monitor);
    // Should the signal not end the loop, this ends it with a failure code.
    QTimer::singleShot(10000, [] { std::_Exit(3); });
    QTimer::singleShot(0, [signalNumbers] {
        for (int signalNumber : signalNumbers) {
            std::raise(signalNumber);
        }
    });
    if (quitAfterwards) {
        QTimer::singleShot(200, [] { QCoreApplication::quit(); });
    }
    QCoreApplication::exec();
    QCoreApplication::processEvents(); // a second signal still in the pipe

    const auto &marks = fixture.history.marks;
    const auto stops = std::count_if(marks.begin(), marks.end(), [](const auto &m) { return m.event == HistoryEvent::stop; });
    const bool stopped = stops == 1 && marks.back().event == HistoryEvent::stop;
    const bool flushedAndWaited = fixture.history.flushes == std::vector<bool>{true};
    std::_Exit(stopped && flushedAndWaited ? 0 : 1);
}

void quitBySignal(int signalNumber) { quitBySignals({signalNumber}); }

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

// What a session scope sends at logout: both signals, one stop.
TEST(AppLifecycleDeathTest, SigtermThenSighupStopsOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(quitBySignals({SIGTERM, SIGHUP}), ::testing::ExitedWithCode(0), "");
}

TEST(AppLifecycleDeathTest, SigpipeDoesNotEndTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(quitBySignals({SIGPIPE}, true), ::testing::ExitedWithCode(0), "");
}

TEST(AppLifecycleTest, RecognisesTheToolkitsDisplayLossMessages)
{
    EXPECT_TRUE(AppLifecycle::isDisplayLost("The X11 connection broke (error 1). Did the X11 server die?"));
    EXPECT_TRUE(AppLifecycle::isDisplayLost("The Wayland connection broke. Did the Wayland compositor die?"));
    EXPECT_FALSE(AppLifecycle::isDisplayLost("QXcbConnection: XCB error: 3 (BadWindow)"));
}

TEST(AppLifecycleTest, AWaylandSessionWithXWaylandRunsOnX11SoThePanelCanBePlaced)
{
    using AppLifecycle::displayPlatform;
    EXPECT_STREQ(displayPlatform(nullptr, ":0", "wayland-0"), "xcb");
    EXPECT_EQ(displayPlatform(nullptr, nullptr, "wayland-0"), nullptr) << "Wayland alone: the toolkit's choice";
    EXPECT_EQ(displayPlatform(nullptr, ":0", nullptr), nullptr);
    EXPECT_STREQ(displayPlatform(nullptr, nullptr, nullptr), "offscreen");
    EXPECT_STREQ(displayPlatform("", "", ""), "offscreen");
    EXPECT_EQ(displayPlatform("wayland", ":0", "wayland-0"), nullptr) << "the user's choice stands";
}

} // namespace
} // namespace voltmere
