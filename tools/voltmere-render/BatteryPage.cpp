#include "RenderFixture.h"
#include "Surface.h"

#include "dashboard/view/BatteryView.h"
#include "dashboard/view/ReminderCard.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSemaphore>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace voltmere::render {

namespace {

class FixedLimits final : public ChargeLimitSource {
public:
    explicit FixedLimits(std::vector<BatteryChargeLimits> limits)
        : m_limits(std::move(limits))
    {
    }
    std::vector<BatteryChargeLimits> read() override { return m_limits; }

private:
    std::vector<BatteryChargeLimits> m_limits;
};

// A source whose read answers only once the picture is drawn: the page is
// caught while it is still checking.
class UnansweredLimits final : public ChargeLimitSource {
public:
    ~UnansweredLimits() override { release(); }
    std::vector<BatteryChargeLimits> read() override
    {
        m_gate.acquire();
        return {};
    }
    void release() { m_gate.release(1000); }

private:
    QSemaphore m_gate;
};

// A notification service that always reports the same permission.
class FixedPermission final : public NotificationCenter {
public:
    explicit FixedPermission(std::optional<NotificationSettings> settings)
        : m_settings(settings)
    {
    }
    bool hasApplicationIdentity() const override { return m_settings.has_value(); }
    void getSettings(std::function<void(NotificationSettings)> completion) override
    {
        completion(m_settings.value_or(NotificationSettings{}));
    }
    void requestAuthorization(ErrorCompletion completion) override { completion(std::nullopt); }
    void add(const QString &, const NotificationContent &, ErrorCompletion completion) override
    {
        completion(std::nullopt);
    }
    std::optional<QString> openSettings() override { return std::nullopt; }

private:
    std::optional<NotificationSettings> m_settings;
};

// A day of charge: down from 96 % through the morning, asleep for three
// hours, on the charger from the early afternoon up to 80 % now.
HistorySeries chargeDay()
{
    HistorySeries series;
    series.bucketSeconds = 360;
    const Timestamp to = fixedNow();
    const Timestamp from = to - 24 * 3600.0;
    const int sleepFrom = 60;
    const int sleepTo = 90;
    const int plugAt = 200;
    for (int i = 0; i < 240; ++i) {
        if (i >= sleepFrom && i < sleepTo) {
            continue;
        }
        HistoryBucket bucket;
        bucket.start = from + i * series.bucketSeconds;
        double level;
        if (i < plugAt) {
            level = 96 - (i < sleepFrom ? i * 0.18 : sleepFrom * 0.18 + (i - sleepTo) * 0.48) +
                    1.2 * std::sin(i / 5.0);
        } else {
            level = 96 - sleepFrom * 0.18 - (plugAt - sleepTo) * 0.48 + (i - plugAt) * 1.25;
        }
        bucket.avg = std::clamp(level, 0.0, 100.0);
        bucket.max = bucket.avg + 0.5;
        bucket.maxAt = bucket.start + 180;
        bucket.pluggedFraction = i >= plugAt || i < 12 ? 1.0 : 0.0;
        bucket.segment = i >= sleepTo ? 1 : 0;
        series.buckets.push_back(bucket);
        ++series.sampleCount;
    }
    series.gaps.push_back({from + sleepFrom * series.bucketSeconds - 5, from + sleepTo * series.bucketSeconds + 3,
                           HistoryGap::Reason::asleep});
    return series;
}

// Holds the fixture for as long as the page it feeds.
class PageHost final : public QWidget {
public:
    PageHost(std::unique_ptr<Fixture> fixture, const std::function<QWidget *(Monitor &)> &make)
        : m_fixture(std::move(fixture))
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(make(m_fixture->monitor));
    }
    ~PageHost() override { qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly)); }

private:
    std::unique_ptr<Fixture> m_fixture;
};

QWidget *page(const std::optional<BatteryReading> &reading, bool hasBattery,
              std::optional<std::vector<BatteryChargeLimits>> limits,
              const std::function<void(Preferences &)> &prefs = {})
{
    auto fixture = std::make_unique<Fixture>();
    if (prefs) {
        prefs(fixture->prefs);
    }
    if (hasBattery || reading) {
        Snapshot s;
        s.date = fixedNow();
        s.battery = reading;
        if (reading) {
            fixture->monitor.ingest(s);
        }
    } else {
        Snapshot s;
        s.date = fixedNow();
        fixture->monitor.ingest(s);
    }
    return new PageHost(std::move(fixture), [&](Monitor &monitor) -> QWidget * {
        if (!limits) {
            auto unanswered = std::make_shared<UnansweredLimits>();
            auto *view = new BatteryView(monitor, unanswered, nullptr, chargeDay());
            // The worker waiting for the answer is let go with the page.
            QObject::connect(view, &QObject::destroyed, [unanswered] { unanswered->release(); });
            view->setFixedWidth(980);
            return view;
        }
        auto *view = new BatteryView(monitor, std::make_shared<FixedLimits>(*limits), nullptr, chargeDay());
        // The limits are read on a worker once the page shows; the picture
        // waits for them.
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->show();
        QEventLoop wait;
        QObject::connect(view, &BatteryView::chargeLimitsRead, &wait, &QEventLoop::quit);
        QTimer::singleShot(2000, &wait, &QEventLoop::quit);
        wait.exec();
        // Taken into the picture's layout, it leaves the screen it never
        // reached and shows again with the picture.
        view->setFixedWidth(980);
        return view;
    });
}

QWidget *reminderCard(std::optional<NotificationSettings> permission)
{
    auto fixture = std::make_unique<Fixture>(std::make_unique<FixedPermission>(permission));
    fixture->prefs.setReminderEnabled(true);
    fixture->prefs.setReminderTarget(85);
    BatteryReading r;
    r.level = 62;
    r.state = ChargingState::charging;
    r.isPluggedIn = true;
    Snapshot s;
    s.date = fixedNow();
    s.battery = r;
    fixture->monitor.ingest(s);
    fixture->monitor.refreshNotificationStatus();
    QCoreApplication::processEvents();
    return new PageHost(std::move(fixture), [](Monitor &monitor) -> QWidget * {
        auto *card = new ReminderCard(monitor);
        card->setFixedWidth(470);
        return card;
    });
}

BatteryReading charging()
{
    BatteryReading r;
    r.level = 80;
    r.state = ChargingState::charging;
    r.isPluggedIn = true;
    r.timeToFullMinutes = 45;
    r.adapterWatts = 96;
    r.healthCondition = QStringLiteral("Good");
    r.cycleCount = 312;
    r.designCycleCount = 1000;
    r.designCapacity = 5000;
    r.fullChargeCapacity = 4500;
    r.temperatureC = 30.12;
    r.lowPowerMode = false;
    return r;
}

BatteryReading onBatteryWithWarnings()
{
    BatteryReading r;
    r.level = 23;
    r.state = ChargingState::onBattery;
    r.isPluggedIn = false;
    r.timeToEmptyMinutes = 74;
    r.healthCondition = QStringLiteral("Overheat");
    r.designCapacity = 5000;
    r.fullChargeCapacity = 5200;
    r.temperatureC = 47.3;
    r.lowPowerMode = true;
    return r;
}

BatteryReading fullAtLimit()
{
    BatteryReading r;
    r.level = 80;
    r.state = ChargingState::fullyCharged;
    r.isPluggedIn = true;
    r.adapterWatts = 65;
    r.healthCondition = QStringLiteral("Good");
    r.cycleCount = 88;
    r.designCapacity = 5000;
    r.fullChargeCapacity = 4870;
    r.lowPowerMode = false;
    return r;
}

} // namespace

std::vector<Surface> batteryPageSurfaces()
{
    const QSize pageSize(1028, 1010);
    const auto reminderAt85 = [](Preferences &prefs) {
        prefs.setReminderEnabled(true);
        prefs.setReminderTarget(85);
    };
    return {
        {QStringLiteral("battery-charging-reminder"),
         [=] { return page(charging(), true, std::vector<BatteryChargeLimits>{}, reminderAt85); }, nullptr, pageSize},
        {QStringLiteral("battery-on-battery-warnings"),
         [] { return page(onBatteryWithWarnings(), true, std::vector<BatteryChargeLimits>{}); }, nullptr, pageSize},
        {QStringLiteral("battery-full-firmware-limit"),
         [=] {
             // The reminder aims above the firmware's limit, which the card points out.
             return page(fullAtLimit(), true,
                         std::vector<BatteryChargeLimits>{{QStringLiteral("BAT0"), 80, 75, QStringLiteral("auto")}},
                         reminderAt85);
         },
         nullptr, pageSize},
        {QStringLiteral("battery-limits-checking"),
         [=] { return page(charging(), true, std::nullopt, reminderAt85); }, nullptr, pageSize},
        {QStringLiteral("battery-desktop"),
         [] { return page(std::nullopt, false, std::vector<BatteryChargeLimits>{}); }, nullptr, QSize(1028, 300)},
        {QStringLiteral("battery-skeleton"),
         [] { return page(std::nullopt, true, std::vector<BatteryChargeLimits>{}); }, nullptr, pageSize},
        {QStringLiteral("reminder-card-checking"), [] { return reminderCard(std::nullopt); }, nullptr, {}},
        {QStringLiteral("reminder-card-not-asked"),
         [] {
             return reminderCard(NotificationSettings{NotificationAuthorization::notDetermined,
                                                      NotificationAlertSetting::notSupported});
         },
         nullptr, {}},
        {QStringLiteral("reminder-card-allowed"),
         [] {
             return reminderCard(
                 NotificationSettings{NotificationAuthorization::authorized, NotificationAlertSetting::enabled});
         },
         nullptr, {}},
        {QStringLiteral("reminder-card-off"),
         [] {
             return reminderCard(
                 NotificationSettings{NotificationAuthorization::denied, NotificationAlertSetting::disabled});
         },
         nullptr, {}},
    };
}

} // namespace voltmere::render
