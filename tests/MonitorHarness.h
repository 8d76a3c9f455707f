#pragma once

#include "EventLoop.h"
#include "FakeClock.h"
#include "FakeHistoryRecorder.h"
#include "FakeNotificationCenter.h"
#include "FakeReaders.h"
#include "FakeSystemEvents.h"

#include "monitor/Monitor.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace voltmere::test {

// A Monitor over fake readers, events, history and notification service,
// with preferences in a temporary store. The test keeps raw pointers to the
// fakes the Monitor owns. A test may hand in a real notification service
// instead; `notifications` is then null.
struct MonitorHarness {
    explicit MonitorHarness(std::unique_ptr<NotificationCenter> realCenter = nullptr)
        : store(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(store)
    {
        SamplingEngine::Readers readers;
        auto cpuReader = std::make_unique<FakeCPU>(&log);
        cpu = cpuReader.get();
        auto batteryReader = std::make_unique<FakeBattery>();
        battery = batteryReader.get();
        readers.cpu = std::move(cpuReader);
        readers.battery = std::move(batteryReader);
        auto engine = std::make_unique<SamplingEngine>(std::move(readers), 4.0, clock);
        auto fakeEvents = std::make_unique<FakeSystemEvents>();
        events = fakeEvents.get();
        std::unique_ptr<NotificationCenter> center = std::move(realCenter);
        if (!center) {
            auto fake = std::make_unique<FakeNotificationCenter>();
            notifications = fake.get();
            center = std::move(fake);
        }
        monitor = std::make_unique<Monitor>(
            prefs, history, std::move(engine), std::move(fakeEvents), std::move(center), clock);
    }

    // Lets queued work run: the engine's queue first, then the main thread's
    // events (where the snapshots and completions land).
    void settle()
    {
        monitor->engine().queue().sync([] {});
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // How many ticks the engine has sampled so far.
    int ticks()
    {
        monitor->engine().queue().sync([] {});
        return static_cast<int>(std::count(log.calls.begin(), log.calls.end(), "cpu"));
    }

    static bool waitFor(const std::function<bool()> &done, int ms = 5000) { return test::waitFor(done, ms); }

    QTemporaryDir dir;
    QSettings store;
    Preferences prefs;
    FakeClock clock;
    FakeHistoryRecorder history;
    ReaderLog log;
    FakeCPU *cpu = nullptr;
    FakeBattery *battery = nullptr;
    FakeSystemEvents *events = nullptr;
    FakeNotificationCenter *notifications = nullptr;
    std::unique_ptr<Monitor> monitor;
};

} // namespace voltmere::test
