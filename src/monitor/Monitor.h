#pragma once

#include "history/HistoryRecorder.h"
#include "model/BatteryReading.h"
#include "model/DashboardSection.h"
#include "model/Insight.h"
#include "model/OverviewAnchor.h"
#include "model/Snapshot.h"
#include "monitor/ChargeReminderLogic.h"
#include "monitor/NotificationPermission.h"
#include "platform/Clock.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace voltmere {

class HistoryStore;
class NotificationCenter;
class Preferences;
class QueueTimer;
class SamplingEngine;
class SystemEvents;

// The one observable object every surface reads: it runs the sampling
// schedule, keeps the last hour of snapshots and the derived state, and hands
// every snapshot to the history. All of its state lives on the main thread;
// each observed field has a <field>Changed() signal that fires only when an
// assignment changes the value (snapshots and latest fire on every tick).
class Monitor : public QObject {
    Q_OBJECT
public:
    struct UsageAccumulator {
        double cpuSeconds = 0;  // CPU seconds this program used
        double wallSeconds = 0; // awake seconds covered by those ticks
        bool operator==(const UsageAccumulator &) const = default;
    };

    // A system sleep seen while running (closed range, wall clock).
    struct SleepInterval {
        Timestamp start = 0;
        Timestamp end = 0;
        bool operator==(const SleepInterval &) const = default;
    };

    static constexpr double idleInterval = 5.0;    // seconds, nothing on screen
    static constexpr double visibleInterval = 2.0; // seconds, a surface on screen
    static constexpr double retainedSeconds = 3600.0;

    Monitor(Preferences &prefs, HistoryRecorder &history, std::unique_ptr<SamplingEngine> engine,
            std::unique_ptr<SystemEvents> events, const Clock &clock = Clock::system(), QObject *parent = nullptr);
    // With the notification service to use; without one (above) the program
    // behaves as if no service can be reached: the permission stays unknown
    // and every request fails with a recorded error.
    Monitor(Preferences &prefs, HistoryRecorder &history, std::unique_ptr<SamplingEngine> engine,
            std::unique_ptr<SystemEvents> events, std::unique_ptr<NotificationCenter> notifications,
            const Clock &clock = Clock::system(), QObject *parent = nullptr);
    ~Monitor() override;

    // The program's instance, built on first use with the shared preferences,
    // the default history store and this machine's readers.
    static Monitor &shared();

    // Begins monitoring: start event, system events, timer (first tick at once).
    // Idempotent, and there is no restart after stop().
    void start();
    // Ends sampling for good (the timer and the engine's thread stop), then
    // writes the stop event and blocks until the history has written
    // everything and left its file complete on its own. Only the first call does anything, so every way the
    // program ends may call it. Callable from any thread: a lost display is
    // reported on whichever thread noticed it.
    void stop();
    bool isStopped() const { return m_stopped.load(); }

    // Surface reporting: a change between "nothing visible" and "something
    // visible" switches the period between 5 s and 2 s and reschedules.
    void setSurfaceVisible(const QString &surface, bool visible);
    void setSurfaceOpen(const QString &surface, bool open);

    // The tail of the hour covering `lastMinutes` before the newest snapshot.
    std::vector<Snapshot> snapshots(int lastMinutes) const;
    // Names a hole between two consecutive snapshot dates a <= b.
    QString gapLabel(Timestamp a, Timestamp b) const;

    // One tick on the main thread, in the fixed order: publish, append, trim,
    // self usage, battery, history, insight.
    void ingest(const Snapshot &snapshot);
    // Reads the battery on the engine's queue and applies it here.
    void refreshBattery();
    void applyBattery(const std::optional<BatteryReading> &reading);
    // Recompute the derived state from the whole state; views call these
    // right after changing a reminder preference.
    void evaluateReminder();
    void updateInsight();

    // Notifications. Completions of the service arrive on its threads and
    // only hand their result back here.
    // Re-reads the permission (at start, on activation, after a request).
    void refreshNotificationStatus();
    // Asks the system for permission to show alerts with sound.
    void requestNotificationPermission();
    // Posts "charge-reminder-test" for the present target, without sound.
    void sendTestNotification();
    // Submits `content` under `identifier`, delivered at once; the outcome
    // lands in lastNotificationError.
    void post(const NotificationContent &content, const QString &identifier);
    // Opens the desktop's notification settings. On failure the reason is
    // put in lastNotificationError and false is returned.
    bool openNotificationSettings();

    static inline const QString chargeReminderId = QStringLiteral("charge-reminder");
    static inline const QString chargeReminderTestId = QStringLiteral("charge-reminder-test");

    void willSleep();
    void didWake();

    const std::deque<Snapshot> &snapshots() const { return m_snapshots; }
    const std::optional<Snapshot> &latest() const { return m_latest; }
    const std::optional<BatteryReading> &battery() const { return m_battery; }
    bool hasBattery() const { return m_hasBattery; }
    const std::optional<Insight> &insight() const { return m_insight; }
    const std::vector<SleepInterval> &sleepIntervals() const { return m_sleepIntervals; }
    double interval() const { return m_interval; }
    const QSet<QString> &visibleSurfaces() const { return m_visibleSurfaces; }
    const QSet<QString> &openSurfaces() const { return m_openSurfaces; }
    UsageAccumulator selfClosed() const { return m_selfClosed; }
    UsageAccumulator selfOpen() const { return m_selfOpen; }
    const ChargeReminderLogic &reminder() const { return m_reminder; }
    NotificationPermission notificationPermission() const { return m_notificationPermission; }
    const std::optional<QString> &lastNotificationError() const { return m_lastNotificationError; }
    DashboardSection section() const { return m_section; }
    void setSection(DashboardSection section);
    std::optional<OverviewAnchor> overviewAnchor() const { return m_overviewAnchor; }
    void setOverviewAnchor(std::optional<OverviewAnchor> anchor);
    int historyEpoch() const { return m_historyEpoch; }
    // Raised when the history store has deleted all stored history.
    void bumpHistoryEpoch();

    Preferences &prefs() const { return m_prefs; }
    HistoryRecorder &history() const { return m_history; }
    // The database behind the history, for the views' queries, deletion and
    // open error; null when the history is something else (tests).
    HistoryStore *historyStore() const;
    SamplingEngine &engine() const { return *m_engine; }
    const Clock &clock() const { return m_clock; }
    bool isStarted() const { return m_started; }

Q_SIGNALS:
    void snapshotsChanged();
    void latestChanged();
    void batteryChanged();
    void hasBatteryChanged();
    // The system reported a change of a power supply (plugged, unplugged, a
    // changed setting); the battery is read again after it. Once started.
    void powerSourceChanged();
    void insightChanged();
    void sleepIntervalsChanged();
    void intervalChanged();
    void visibleSurfacesChanged();
    void openSurfacesChanged();
    void selfClosedChanged();
    void selfOpenChanged();
    void reminderChanged();
    void notificationPermissionChanged();
    void lastNotificationErrorChanged();
    void sectionChanged();
    void overviewAnchorChanged();
    void historyEpochChanged();

private:
    void scheduleTimer();
    void setInsight(const std::optional<Insight> &insight);
    void setLastNotificationError(const std::optional<QString> &error);

    Preferences &m_prefs;
    HistoryRecorder &m_history;
    const Clock &m_clock;
    std::unique_ptr<SamplingEngine> m_engine;
    std::unique_ptr<SystemEvents> m_events;
    std::unique_ptr<NotificationCenter> m_notifications;
    std::unique_ptr<QueueTimer> m_timer; // destroyed before the engine and its queue

    std::deque<Snapshot> m_snapshots;
    std::optional<Snapshot> m_latest;
    std::optional<BatteryReading> m_battery;
    bool m_hasBattery = true;
    std::optional<Insight> m_insight;
    std::vector<SleepInterval> m_sleepIntervals;
    double m_interval = idleInterval;
    QSet<QString> m_visibleSurfaces;
    QSet<QString> m_openSurfaces;
    UsageAccumulator m_selfClosed;
    UsageAccumulator m_selfOpen;
    ChargeReminderLogic m_reminder;
    NotificationPermission m_notificationPermission = NotificationPermission::unknown;
    std::optional<QString> m_lastNotificationError;
    DashboardSection m_section = DashboardSection::overview;
    std::optional<OverviewAnchor> m_overviewAnchor;
    int m_historyEpoch = 0;
    std::optional<Timestamp> m_sleepStart;
    bool m_started = false;
    std::atomic<bool> m_stopped { false };
};

} // namespace voltmere
