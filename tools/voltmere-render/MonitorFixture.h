#pragma once

#include "app/Preferences.h"
#include "history/HistoryRecorder.h"
#include "monitor/Monitor.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemEvents.h"
#include "sampling/SamplingEngine.h"

#include <QDateTime>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace voltmere::render {

// 14:32:05 local time on a fixed day, so the pictures do not change from run to run.
inline Timestamp fixedNow()
{
    return static_cast<Timestamp>(QDateTime(QDate(2026, 3, 12), QTime(14, 32, 5)).toSecsSinceEpoch());
}

class FixedClock final : public Clock {
public:
    Timestamp now() const override { return fixedNow(); }
    std::uint64_t awakeNanoseconds() const override { return 0; }
};

class NoHistory final : public HistoryRecorder {
public:
    void mark(HistoryEvent, Timestamp, bool) override {}
    void record(const Snapshot &) override {}
    void flush(bool) override {}
};

class NoSystemEvents final : public SystemEvents {
public:
    void start() override {}
};

// A Monitor that never samples: the pictures feed it snapshots by hand. With
// `notifications` the permission can be read from it; without, it stays unknown.
struct Fixture {
    explicit Fixture(std::unique_ptr<NotificationCenter> notifications = nullptr)
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(settings)
        , monitor(notifications
                      ? std::make_unique<Monitor>(prefs, history,
                                                  std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 8.0, clock),
                                                  std::make_unique<NoSystemEvents>(), std::move(notifications), clock)
                      : std::make_unique<Monitor>(prefs, history,
                                                  std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 8.0, clock),
                                                  std::make_unique<NoSystemEvents>(), clock))
    {
    }
    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    NoHistory history;
    FixedClock clock;
    std::unique_ptr<Monitor> monitor;
};

} // namespace voltmere::render
