#include "monitor/Monitor.h"

#include "history/HistoryGap.h"
#include "history/HistoryStore.h"
#include "monitor/Insights.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace voltmere {

namespace {

// Stands in when the program was given no notification service: no
// identity to read settings for, and every request fails visibly.
class UnavailableNotificationCenter final : public NotificationCenter {
public:
    bool hasApplicationIdentity() const override { return false; }
    void getSettings(std::function<void(NotificationSettings)>) override {}
    void requestAuthorization(ErrorCompletion completion) override { completion(reason()); }
    void add(const QString &, const NotificationContent &, ErrorCompletion completion) override
    {
        completion(reason());
    }
    std::optional<QString> openSettings() override { return reason(); }

private:
    static QString reason() { return QStringLiteral("No notification service is available."); }
};

// Runs `work` on the main thread if `monitor` still exists by then. Safe to
// call from any thread: the weak pointer is checked only on the main thread.
template <typename Work>
void onMainThread(const QPointer<Monitor> &monitor, Work work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [monitor, work = std::move(work)]() mutable {
            if (monitor) {
                work(*monitor);
            }
        },
        Qt::QueuedConnection);
}

} // namespace

Monitor::Monitor(Preferences &prefs, HistoryRecorder &history, std::unique_ptr<SamplingEngine> engine,
                 std::unique_ptr<SystemEvents> events, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_prefs(prefs)
    , m_history(history)
    , m_clock(clock)
    , m_engine(std::move(engine))
    , m_events(std::move(events))
    , m_notifications(std::make_unique<UnavailableNotificationCenter>())
{
    // Whoever asked for a deletion (the Settings window) may be gone when
    // it ends; the pages must still stop showing what was deleted.
    if (HistoryStore *store = historyStore()) {
        connect(store, &HistoryStore::deleteFinished, this, [this](const HistoryStore::DeleteResult &result) {
            if (result.deleted) {
                bumpHistoryEpoch();
            }
        });
    }
}

Monitor::Monitor(Preferences &prefs, HistoryRecorder &history, std::unique_ptr<SamplingEngine> engine,
                 std::unique_ptr<SystemEvents> events, std::unique_ptr<NotificationCenter> notifications,
                 const Clock &clock, QObject *parent)
    : Monitor(prefs, history, std::move(engine), std::move(events), clock, parent)
{
    if (notifications) {
        m_notifications = std::move(notifications);
    }
}

Monitor::~Monitor()
{
    m_timer.reset();
}

Monitor &Monitor::shared()
{
    static Monitor *monitor = [] {
        Preferences &prefs = Preferences::shared();
        // Lives for the process, like the Monitor: it is never closed.
        HistoryStore *store = HistoryStore::createAtDefaultLocation().release();
        // Copied before anything is recorded; no pruning happens here.
        store->setRetentionDays(prefs.historyRetentionDays());
        return new Monitor(prefs, *store, SamplingEngine::createForThisMachine(), SystemEvents::createForThisMachine(),
                           NotificationCenter::createForThisMachine());
    }();
    return *monitor;
}

HistoryStore *Monitor::historyStore() const { return dynamic_cast<HistoryStore *>(&m_history); }

void Monitor::start()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_started) {
        return;
    }
    m_started = true;
    m_history.mark(HistoryEvent::start, m_clock.now(), false);
    if (m_events) {
        // Connected with this Monitor as context: the handlers die with it.
        connect(m_events.get(), &SystemEvents::powerSourceChanged, this, &Monitor::refreshBattery);
        connect(m_events.get(), &SystemEvents::powerSourceChanged, this, &Monitor::powerSourceChanged);
        connect(m_events.get(), &SystemEvents::willSleep, this, &Monitor::willSleep);
        connect(m_events.get(), &SystemEvents::didWake, this, &Monitor::didWake);
        m_events->start();
    }
    scheduleTimer();
    refreshNotificationStatus();
    if (m_events) {
        // The user may have changed the permission in the desktop's settings
        // meanwhile; coming back to the program picks that up.
        connect(m_events.get(), &SystemEvents::applicationBecameActive, this, &Monitor::refreshNotificationStatus);
    }
}

void Monitor::stop()
{
    if (m_stopped.exchange(true)) {
        return;
    }
    // No tick may start after the stop event, and the engine's thread must
    // be gone before static objects it could touch are destroyed.
    m_timer.reset();
    if (!m_engine->queue().isCurrent()) {
        m_engine->queue().stop();
    }
    m_history.mark(HistoryEvent::stop, m_clock.now(), false);
    // Written, and folded into the database file itself: the store is
    // never closed, and a copy of the file alone must hold everything.
    m_history.finish();
}

void Monitor::scheduleTimer()
{
    using namespace std::chrono;
    if (m_stopped.load()) {
        return;
    }
    m_timer.reset();
    const auto period = milliseconds(std::llround(m_interval * 1000.0));
    // A fifth of the period, truncated to whole milliseconds.
    const auto leeway = milliseconds(static_cast<long long>(m_interval * 200.0));
    SamplingEngine *engine = m_engine.get();
    const QPointer<Monitor> self(this);
    m_timer = m_engine->queue().scheduleRepeating(period, leeway, [engine, self] {
        Snapshot snapshot = engine->sample();
        onMainThread(self, [snapshot = std::move(snapshot)](Monitor &monitor) { monitor.ingest(snapshot); });
    });
}

void Monitor::ingest(const Snapshot &snapshot)
{
    m_latest = snapshot;
    Q_EMIT latestChanged();

    m_snapshots.push_back(snapshot);
    // Retention is by time (one hour back from the newest), not by count; a
    // snapshot dated exactly at the cutoff stays.
    const Timestamp cutoff = snapshot.date - retainedSeconds;
    const auto firstKept = std::find_if(m_snapshots.begin(), m_snapshots.end(),
                                        [cutoff](const Snapshot &s) { return s.date >= cutoff; });
    m_snapshots.erase(m_snapshots.begin(), firstKept);
    Q_EMIT snapshotsChanged();

    const auto staleSleep = std::remove_if(m_sleepIntervals.begin(), m_sleepIntervals.end(),
                                           [cutoff](const SleepInterval &i) { return i.end < cutoff; });
    if (staleSleep != m_sleepIntervals.end()) {
        m_sleepIntervals.erase(staleSleep, m_sleepIntervals.end());
        Q_EMIT sleepIntervalsChanged();
    }

    if (snapshot.selfCPUSeconds && snapshot.interval > 0) {
        const bool closed = m_visibleSurfaces.isEmpty();
        UsageAccumulator &accumulator = closed ? m_selfClosed : m_selfOpen;
        accumulator.cpuSeconds += *snapshot.selfCPUSeconds;
        accumulator.wallSeconds += snapshot.interval;
        if (closed) {
            Q_EMIT selfClosedChanged();
        } else {
            Q_EMIT selfOpenChanged();
        }
    }

    applyBattery(snapshot.battery);
    m_history.record(snapshot);
    updateInsight();
}

void Monitor::refreshBattery()
{
    SamplingEngine *engine = m_engine.get();
    const QPointer<Monitor> self(this);
    m_engine->queue().async([engine, self] {
        auto reading = engine->readBattery();
        onMainThread(self, [reading = std::move(reading)](Monitor &monitor) {
            monitor.applyBattery(reading);
            monitor.updateInsight();
        });
    });
}

void Monitor::applyBattery(const std::optional<BatteryReading> &reading)
{
    if (m_hasBattery != reading.has_value()) {
        m_hasBattery = reading.has_value();
        Q_EMIT hasBatteryChanged();
    }
    if (m_battery != reading) {
        m_battery = reading;
        Q_EMIT batteryChanged();
    }
    evaluateReminder();
}

void Monitor::evaluateReminder()
{
    ChargeReminderLogic reminder = m_reminder;
    const int target = m_prefs.reminderTarget();
    const bool due = reminder.evaluate(m_prefs.reminderEnabled(), target, m_battery, m_clock.now());
    if (reminder != m_reminder) {
        m_reminder = reminder;
        Q_EMIT reminderChanged();
    }
    if (due) {
        const int level = m_battery && m_battery->level ? *m_battery->level : target;
        post({QStringLiteral("Battery reached %1%").arg(target),
              QStringLiteral("Charge reminder: the battery is at %1% and still plugged in. You can unplug now.")
                  .arg(level),
              NotificationContent::Sound::systemDefault},
             chargeReminderId);
    }
}

void Monitor::updateInsight()
{
    setInsight(Insights::evaluate(m_snapshots, m_battery, m_reminder.status, m_prefs.reminderTarget(), m_clock.now()));
}

void Monitor::refreshNotificationStatus()
{
    // Without an identity the settings cannot be read; the permission keeps
    // its value (unknown from the start).
    if (!m_notifications->hasApplicationIdentity()) {
        return;
    }
    const QPointer<Monitor> self(this);
    m_notifications->getSettings([self](NotificationSettings settings) {
        onMainThread(self, [settings](Monitor &monitor) {
            const NotificationPermission permission = notificationPermissionFor(settings);
            if (monitor.m_notificationPermission != permission) {
                monitor.m_notificationPermission = permission;
                Q_EMIT monitor.notificationPermissionChanged();
            }
        });
    });
}

void Monitor::requestNotificationPermission()
{
    const QPointer<Monitor> self(this);
    m_notifications->requestAuthorization([self](std::optional<QString> error) {
        onMainThread(self, [error = std::move(error)](Monitor &monitor) {
            monitor.setLastNotificationError(error);
            monitor.refreshNotificationStatus();
        });
    });
}

void Monitor::sendTestNotification()
{
    post({QStringLiteral("Charge reminder test"),
          QStringLiteral("This is how Voltmere will tell you the battery reached %1%.").arg(m_prefs.reminderTarget()),
          NotificationContent::Sound::none},
         chargeReminderTestId);
}

void Monitor::post(const NotificationContent &content, const QString &identifier)
{
    const QPointer<Monitor> self(this);
    m_notifications->add(identifier, content, [self](std::optional<QString> error) {
        onMainThread(self, [error = std::move(error)](Monitor &monitor) { monitor.setLastNotificationError(error); });
    });
}

bool Monitor::openNotificationSettings()
{
    // Success says nothing about notification requests, so it leaves an
    // earlier request's error in place.
    if (auto error = m_notifications->openSettings()) {
        setLastNotificationError(error);
        return false;
    }
    return true;
}

void Monitor::setLastNotificationError(const std::optional<QString> &error)
{
    if (m_lastNotificationError != error) {
        m_lastNotificationError = error;
        Q_EMIT lastNotificationErrorChanged();
    }
}

void Monitor::setInsight(const std::optional<Insight> &insight)
{
    if (m_insight != insight) {
        m_insight = insight;
        Q_EMIT insightChanged();
    }
}

void Monitor::willSleep()
{
    const Timestamp now = m_clock.now();
    m_sleepStart = now;
    // Pending readings must be on disk before the machine sleeps (a sleep
    // can end in a flat battery), so this waits for the write; the sleep
    // is held back until it returns.
    m_history.mark(HistoryEvent::sleep, now, false);
    m_history.flush(true);
}

void Monitor::didWake()
{
    const Timestamp now = m_clock.now();
    // A wall clock set back during sleep can put the start after the wake;
    // there is no range to record then, but the rest of the wake still runs.
    if (m_sleepStart && *m_sleepStart <= now) {
        m_sleepIntervals.push_back({*m_sleepStart, now});
        Q_EMIT sleepIntervalsChanged();
    }
    m_sleepStart.reset();
    m_history.mark(HistoryEvent::wake, now, false);
    SamplingEngine *engine = m_engine.get();
    m_engine->queue().async([engine] { engine->resetBaselines(); });
    refreshBattery();
}

void Monitor::setSurfaceVisible(const QString &surface, bool visible)
{
    const bool changed = visible ? !m_visibleSurfaces.contains(surface) : m_visibleSurfaces.contains(surface);
    if (!changed) {
        return;
    }
    if (visible) {
        m_visibleSurfaces.insert(surface);
    } else {
        m_visibleSurfaces.remove(surface);
    }
    Q_EMIT visibleSurfacesChanged();
    const double period = m_visibleSurfaces.isEmpty() ? idleInterval : visibleInterval;
    if (period != m_interval) {
        m_interval = period;
        Q_EMIT intervalChanged();
        if (m_started) {
            scheduleTimer();
        }
    }
}

void Monitor::setSurfaceOpen(const QString &surface, bool open)
{
    if (open && !m_openSurfaces.contains(surface)) {
        m_openSurfaces.insert(surface);
        Q_EMIT openSurfacesChanged();
    } else if (!open && m_openSurfaces.contains(surface)) {
        m_openSurfaces.remove(surface);
        Q_EMIT openSurfacesChanged();
    }
}

std::vector<Snapshot> Monitor::snapshots(int lastMinutes) const
{
    if (!m_latest) {
        return {};
    }
    const Timestamp cutoff = m_latest->date - lastMinutes * 60.0;
    const auto first = std::find_if(m_snapshots.begin(), m_snapshots.end(),
                                    [cutoff](const Snapshot &s) { return s.date >= cutoff; });
    return {first, m_snapshots.end()};
}

QString Monitor::gapLabel(Timestamp a, Timestamp b) const
{
    static const QString asleep = label(HistoryGap::Reason::asleep);
    static const QString noReadings = label(HistoryGap::Reason::noReadings);
    if (a > b) {
        std::swap(a, b);
    }
    for (const SleepInterval &sleep : m_sleepIntervals) {
        if (sleep.start <= b && sleep.end >= a) {
            return asleep;
        }
    }
    const Snapshot *before = nullptr;
    const Snapshot *after = nullptr;
    for (const Snapshot &s : m_snapshots) {
        if (s.date <= a) {
            before = &s;
        }
        if (!after && s.date >= b) {
            after = &s;
        }
    }
    if (before && after && before->awake && after->awake && *before->awake <= *after->awake) {
        const double gap = b - a;
        if (gap > 0) {
            // The awake clock stops during sleep, so wall time minus awake
            // time is the time asleep, even for sleeps nobody announced.
            const double slept = gap - (*after->awake - *before->awake);
            if (gap / 2 >= 10) {
                if (slept > gap / 2) {
                    return asleep;
                }
            } else if (slept > 10) {
                return asleep;
            }
        }
    }
    return noReadings;
}

void Monitor::setSection(DashboardSection section)
{
    if (m_section != section) {
        m_section = section;
        Q_EMIT sectionChanged();
    }
}

void Monitor::setOverviewAnchor(std::optional<OverviewAnchor> anchor)
{
    if (m_overviewAnchor != anchor) {
        m_overviewAnchor = anchor;
        Q_EMIT overviewAnchorChanged();
    }
}

void Monitor::bumpHistoryEpoch()
{
    ++m_historyEpoch;
    Q_EMIT historyEpochChanged();
}

} // namespace voltmere
