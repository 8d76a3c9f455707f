#include "monitor/Insights.h"
#include "platform/PlatformText.h"

#include "model/Format.h"

#include <cmath>
#include <functional>

namespace voltmere::Insights {

namespace {

using Condition = std::function<bool(const Snapshot &)>;

// How long `holds` has been true, counted back from the newest snapshot over
// ticks no more than streakGapSeconds apart; absent when the newest snapshot
// fails the condition or is stale.
std::optional<double> streakDuration(const std::deque<Snapshot> &snapshots, Timestamp now, const Condition &holds)
{
    if (snapshots.empty()) {
        return std::nullopt;
    }
    const Snapshot &newest = snapshots.back();
    if (!holds(newest) || !(now - newest.date < streakGapSeconds)) {
        return std::nullopt;
    }
    Timestamp start = newest.date;
    for (auto it = std::next(snapshots.rbegin()); it != snapshots.rend(); ++it) {
        if (!holds(*it) || start - it->date > streakGapSeconds) {
            break;
        }
        start = it->date;
    }
    return now - start;
}

bool lastsAtLeast(const std::optional<double> &duration, double seconds)
{
    return duration && *duration >= seconds;
}

Insight overviewAttention(QString text, OverviewAnchor anchor)
{
    return Insight { std::move(text), Insight::Severity::attention, DashboardSection::overview, anchor };
}

Insight batteryInsight(QString text, Insight::Severity severity)
{
    return Insight { std::move(text), severity, DashboardSection::battery, std::nullopt };
}

// Memory pressure at `least` or worse for at least `seconds`, described as `word`.
std::optional<Insight> memoryPressure(const std::deque<Snapshot> &snapshots, Timestamp now, MemoryPressureLevel least,
    double seconds, const QString &word)
{
    const auto duration = streakDuration(
        snapshots, now, [least](const Snapshot &s) { return s.memLevel && rawValue(*s.memLevel) >= rawValue(least); });
    if (!lastsAtLeast(duration, seconds)) {
        return std::nullopt;
    }
    return overviewAttention(QStringLiteral("Memory pressure has been ") + word + QStringLiteral(" for ")
            + Format::durationSpoken(*duration) + QLatin1Char('.'),
        OverviewAnchor::memory);
}

std::optional<Insight> memoryCritical(const std::deque<Snapshot> &snapshots, Timestamp now)
{
    return memoryPressure(snapshots, now, MemoryPressureLevel::critical, 60, QStringLiteral("critical"));
}

std::optional<Insight> memoryElevated(const std::deque<Snapshot> &snapshots, Timestamp now)
{
    return memoryPressure(snapshots, now, MemoryPressureLevel::warning, 120, QStringLiteral("elevated"));
}

// The streak follows the newest top process by pid, so a different process
// taking the top spot starts its own streak.
std::optional<Insight> processHog(const std::deque<Snapshot> &snapshots, Timestamp now)
{
    const Snapshot &newest = snapshots.back();
    if (newest.topProcesses.empty() || newest.topProcesses.front().cpu < 90) {
        return std::nullopt;
    }
    const ProcessCPU &top = newest.topProcesses.front();
    const auto duration = streakDuration(snapshots, now, [pid = top.pid](const Snapshot &s) {
        return std::any_of(s.topProcesses.begin(), s.topProcesses.end(),
            [pid](const ProcessCPU &p) { return p.pid == pid && p.cpu >= 90; });
    });
    if (!lastsAtLeast(duration, 120)) {
        return std::nullopt;
    }
    // Per-core percent: 100 is one core; halves round away from zero.
    const QString cores = top.cpu >= 150
        ? QString::number(std::llround(top.cpu / 100.0)) + QStringLiteral(" full CPU cores")
        : QStringLiteral("a full CPU core");
    return overviewAttention(top.name + QStringLiteral(" has used about ") + cores + QStringLiteral(" for ")
            + Format::durationSpoken(*duration) + QLatin1Char('.'),
        OverviewAnchor::processes);
}

std::optional<Insight> cpuHigh(const std::deque<Snapshot> &snapshots, Timestamp now)
{
    const auto duration
        = streakDuration(snapshots, now, [](const Snapshot &s) { return s.cpuTotal && *s.cpuTotal >= 80; });
    if (!lastsAtLeast(duration, 120)) {
        return std::nullopt;
    }
    const Snapshot &newest = snapshots.back();
    const QString leader
        = newest.topProcesses.empty() ? QString() : QStringLiteral(", led by ") + newest.topProcesses.front().name;
    return overviewAttention(
        QStringLiteral("CPU has been above 80% for ") + Format::durationSpoken(*duration) + leader + QLatin1Char('.'),
        OverviewAnchor::cpu);
}

// The processor within 5 °C of the critical temperature its chip states
// (where the hardware throttles or shuts down), held for two minutes: a
// machine that is hot and loud for a while rather than for a burst.
std::optional<Insight> cpuNearCritical(const std::deque<Snapshot> &snapshots, Timestamp now)
{
    const auto duration
        = streakDuration(snapshots, now, [](const Snapshot &s) { return s.sensors && s.sensors->cpuNearCritical(); });
    if (!lastsAtLeast(duration, 120)) {
        return std::nullopt;
    }
    return overviewAttention(QStringLiteral("The processor has been within 5 °C of its critical ")
            + Format::celsius(snapshots.back().sensors->cpuCriticalCelsius) + QStringLiteral(" for ")
            + Format::durationSpoken(*duration) + QLatin1Char('.'),
        OverviewAnchor::temperatures);
}

// Compares the newest swap reading with the oldest snapshot of the last ten
// minutes only; if that one has no reading the rule does not look further.
std::optional<Insight> swapGrowth(const std::deque<Snapshot> &snapshots, Timestamp now)
{
    const Snapshot &newest = snapshots.back();
    if (!newest.swapUsed) {
        return std::nullopt;
    }
    const auto reference
        = std::find_if(snapshots.begin(), snapshots.end(), [now](const Snapshot &s) { return now - s.date <= 600; });
    if (reference == snapshots.end() || !reference->swapUsed) {
        return std::nullopt;
    }
    const double growth = *newest.swapUsed - *reference->swapUsed;
    if (growth < 1'000'000'000) {
        return std::nullopt;
    }
    return overviewAttention(
        QStringLiteral("Swap grew by ") + Format::bytes(growth) + QStringLiteral(" in the last 10 minutes."),
        OverviewAnchor::swap);
}

std::optional<Insight> batteryRules(
    const BatteryReading &battery, const ChargeReminderLogic::Status &reminder, int reminderTarget, Timestamp now)
{
    if (battery.state == ChargingState::onBattery && battery.timeToEmptyMinutes && *battery.timeToEmptyMinutes <= 20) {
        const int m = *battery.timeToEmptyMinutes;
        const QString minutes = m == 1 ? QStringLiteral("1 minute") : QString::number(m) + QStringLiteral(" minutes");
        return batteryInsight(
            QStringLiteral("About ") + minutes + QStringLiteral(" of battery left."), Insight::Severity::attention);
    }
    if (const auto delivered = reminder.deliveredAt(); delivered && battery.isPluggedIn) {
        const double elapsed = std::max(now - *delivered, 0.0);
        const QString when
            = elapsed < 60 ? QStringLiteral("just now") : Format::durationSpoken(elapsed) + QStringLiteral(" ago");
        return batteryInsight(QStringLiteral("Battery reached your ") + QString::number(reminderTarget)
                + QStringLiteral("% charge reminder ") + when + QLatin1Char('.'),
            Insight::Severity::info);
    }
    if (battery.state == ChargingState::pluggedNotCharging && battery.level && *battery.level <= 94) {
        return batteryInsight(QStringLiteral("Plugged in but not charging at ") + QString::number(*battery.level)
                + QStringLiteral("%. ") + PlatformText::say(PlatformText::Name::chargeHeldInsight),
            Insight::Severity::info);
    }
    return std::nullopt;
}

} // namespace

std::optional<Insight> evaluate(const std::deque<Snapshot> &snapshots, const std::optional<BatteryReading> &battery,
    const ChargeReminderLogic::Status &reminder, int reminderTarget, Timestamp now)
{
    if (!snapshots.empty()) {
        using Rule = std::optional<Insight> (*)(const std::deque<Snapshot> &, Timestamp);
        for (Rule rule : { memoryCritical, memoryElevated, processHog, cpuHigh, cpuNearCritical, swapGrowth }) {
            if (auto insight = rule(snapshots, now)) {
                return insight;
            }
        }
    }
    if (battery) {
        return batteryRules(*battery, reminder, reminderTarget, now);
    }
    return std::nullopt;
}

} // namespace voltmere::Insights
