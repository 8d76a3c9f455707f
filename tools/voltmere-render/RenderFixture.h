#pragma once

#include "history/HistoryRecorder.h"
#include "monitor/Monitor.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QDateTime>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
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
        , monitor(prefs, history, std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 8.0, clock),
                  std::make_unique<NoSystemEvents>(), std::move(notifications), clock)
    {
    }
    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    NoHistory history;
    FixedClock clock;
    Monitor monitor;
};

// Holds the fixture for as long as the view it feeds.
class FixtureHost final : public QWidget {
public:
    FixtureHost(std::unique_ptr<Fixture> fixture, const std::function<QWidget *(Fixture &)> &build)
        : m_fixture(std::move(fixture))
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(build(*m_fixture), 0, Qt::AlignLeft | Qt::AlignTop);
    }
    ~FixtureHost() override
    {
        // The views go before the Monitor they read.
        qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    }

private:
    std::unique_ptr<Fixture> m_fixture;
};

} // namespace voltmere::render
