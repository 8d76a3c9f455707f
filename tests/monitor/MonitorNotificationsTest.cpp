#include "MonitorHarness.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::MonitorHarness;

NotificationSettings settings(NotificationAuthorization authorization, NotificationAlertSetting alert)
{
    return { authorization, alert };
}

TEST(NotificationPermissionTest, MapsSettingsOntoTheFourStates)
{
    using A = NotificationAuthorization;
    using S = NotificationAlertSetting;
    const auto later = static_cast<A>(7);
    struct Row {
        A authorization;
        S alert;
        NotificationPermission expected;
    };
    const Row rows[] = {
        { A::notDetermined, S::notSupported, NotificationPermission::notAsked },
        { A::notDetermined, S::enabled, NotificationPermission::allowed }, // enabled alerts always win
        { A::denied, S::notSupported, NotificationPermission::off },
        { A::denied, S::disabled, NotificationPermission::off },
        { A::authorized, S::disabled, NotificationPermission::allowed }, // the authorisation decides
        { A::authorized, S::enabled, NotificationPermission::allowed },
        { A::provisional, S::notSupported, NotificationPermission::allowed },
        { A::ephemeral, S::disabled, NotificationPermission::allowed },
        { later, S::disabled, NotificationPermission::off },
        { later, S::notSupported, NotificationPermission::notAsked },
        { later, S::enabled, NotificationPermission::allowed },
    };
    for (const Row &row : rows) {
        EXPECT_EQ(notificationPermissionFor(settings(row.authorization, row.alert)), row.expected)
            << static_cast<int>(row.authorization) << " " << static_cast<int>(row.alert);
    }
}

class MonitorNotificationsTest : public ::testing::Test {
protected:
    MonitorHarness h;
    Monitor &monitor = *h.monitor;
};

TEST_F(MonitorNotificationsTest, StartReadsThePermission)
{
    h.notifications->settings = settings(NotificationAuthorization::authorized, NotificationAlertSetting::enabled);
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::unknown);
    QSignalSpy changed(&monitor, &Monitor::notificationPermissionChanged);
    monitor.start();
    h.settle();
    EXPECT_EQ(h.notifications->settingsReads, 1);
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::allowed);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(MonitorNotificationsTest, BecomingActivePicksUpAPermissionChangedElsewhere)
{
    h.notifications->settings = settings(NotificationAuthorization::denied, NotificationAlertSetting::disabled);
    monitor.start();
    h.settle();
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::off);

    // The user allows notifications in the desktop's settings, then comes back.
    h.notifications->settings = settings(NotificationAuthorization::authorized, NotificationAlertSetting::enabled);
    QSignalSpy changed(&monitor, &Monitor::notificationPermissionChanged);
    Q_EMIT h.events->applicationBecameActive();
    h.settle();
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::allowed);
    EXPECT_EQ(changed.count(), 1);

    // The same answer again notifies nobody.
    Q_EMIT h.events->applicationBecameActive();
    h.settle();
    EXPECT_EQ(h.notifications->settingsReads, 3);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(MonitorNotificationsTest, WithoutIdentityThePermissionStaysUnknown)
{
    h.notifications->identity = false;
    h.notifications->settings = settings(NotificationAuthorization::authorized, NotificationAlertSetting::enabled);
    h.notifications->addError = QStringLiteral("no identity");
    monitor.start();
    h.settle();
    EXPECT_EQ(h.notifications->settingsReads, 0);
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::unknown);
    // Requests are still attempted and their errors kept.
    monitor.sendTestNotification();
    h.settle();
    EXPECT_EQ(h.notifications->added.size(), 1u);
    EXPECT_EQ(monitor.lastNotificationError(), QStringLiteral("no identity"));
}

TEST_F(MonitorNotificationsTest, RequestingPermissionRecordsTheErrorAndRereads)
{
    h.notifications->authorizationError = QStringLiteral("refused");
    h.notifications->settings = settings(NotificationAuthorization::denied, NotificationAlertSetting::disabled);
    monitor.requestNotificationPermission();
    h.settle();
    EXPECT_EQ(h.notifications->authorizationRequests, 1);
    EXPECT_EQ(monitor.lastNotificationError(), QStringLiteral("refused"));
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::off);

    h.notifications->authorizationError.reset();
    h.notifications->settings = settings(NotificationAuthorization::authorized, NotificationAlertSetting::enabled);
    monitor.requestNotificationPermission();
    h.settle();
    EXPECT_FALSE(monitor.lastNotificationError());
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::allowed);
}

TEST_F(MonitorNotificationsTest, TestNotificationForThePresentTargetWithoutSound)
{
    h.prefs.setReminderTarget(85);
    monitor.sendTestNotification();
    ASSERT_EQ(h.notifications->added.size(), 1u);
    const auto &added = h.notifications->added.front();
    EXPECT_EQ(added.identifier, QStringLiteral("charge-reminder-test"));
    EXPECT_EQ(added.content.title, QStringLiteral("Charge reminder test"));
    EXPECT_EQ(added.content.body, QStringLiteral("This is how Voltmere will tell you the battery reached 85%."));
    EXPECT_EQ(added.content.sound, NotificationContent::Sound::none);
}

TEST_F(MonitorNotificationsTest, AFailedPostFollowedByASuccessfulOneClearsTheError)
{
    h.notifications->completeOnOtherThread = true; // as a real service answers
    h.notifications->addError = QStringLiteral("Notifications are not allowed.");
    QSignalSpy changed(&monitor, &Monitor::lastNotificationErrorChanged);
    monitor.sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return monitor.lastNotificationError().has_value(); }));
    EXPECT_EQ(*monitor.lastNotificationError(), QStringLiteral("Notifications are not allowed."));

    h.notifications->addError.reset();
    monitor.sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return !monitor.lastNotificationError().has_value(); }));
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(MonitorNotificationsTest, ACompletionAfterTheMonitorIsGoneDoesNothing)
{
    h.notifications->addError = QStringLiteral("late");
    monitor.sendTestNotification(); // its result is queued for the main thread
    h.monitor.reset();
    QCoreApplication::processEvents();
    SUCCEED(); // no crash, nothing written to a destroyed Monitor
}

TEST_F(MonitorNotificationsTest, OpeningSettingsReportsAFailure)
{
    EXPECT_TRUE(monitor.openNotificationSettings());
    EXPECT_FALSE(monitor.lastNotificationError());
    h.notifications->openSettingsError = QStringLiteral("No notification settings were found for this desktop.");
    EXPECT_FALSE(monitor.openNotificationSettings());
    EXPECT_EQ(monitor.lastNotificationError(), h.notifications->openSettingsError);
    EXPECT_EQ(h.notifications->settingsOpened, 2);
}

TEST(MonitorWithoutNotificationServiceTest, EveryRequestFailsVisibly)
{
    MonitorHarness h;
    // The constructor without a service: nothing to read, every request fails.
    Monitor monitor(h.prefs, h.history, std::make_unique<SamplingEngine>(SamplingEngine::Readers {}, 1.0, h.clock),
        nullptr, h.clock);
    monitor.refreshNotificationStatus();
    monitor.sendTestNotification();
    h.settle();
    EXPECT_EQ(monitor.notificationPermission(), NotificationPermission::unknown);
    ASSERT_TRUE(monitor.lastNotificationError());
    EXPECT_FALSE(monitor.lastNotificationError()->isEmpty());
}

// The reminder, driven through the Monitor's battery path.
class MonitorReminderTest : public MonitorNotificationsTest {
protected:
    void SetUp() override
    {
        h.prefs.setReminderEnabled(true);
        h.prefs.setReminderTarget(80);
    }

    void pluggedAt(std::optional<int> level)
    {
        BatteryReading reading;
        reading.level = level;
        reading.isPluggedIn = true;
        reading.state = ChargingState::charging;
        monitor.applyBattery(reading);
    }
};

TEST_F(MonitorReminderTest, PostsTheReminderOnceWithItsTextAndSound)
{
    QSignalSpy changed(&monitor, &Monitor::reminderChanged);
    pluggedAt(60);
    EXPECT_EQ(monitor.reminder().status, ChargeReminderLogic::Status::armed());
    pluggedAt(79);
    EXPECT_EQ(changed.count(), 1); // still armed: nothing to publish
    h.clock.advance(5);
    pluggedAt(81);
    EXPECT_EQ(monitor.reminder().status, ChargeReminderLogic::Status::delivered(h.clock.now()));
    pluggedAt(85);
    ASSERT_EQ(h.notifications->added.size(), 1u);
    const auto &added = h.notifications->added.front();
    EXPECT_EQ(added.identifier, QStringLiteral("charge-reminder"));
    EXPECT_EQ(added.content.title, QStringLiteral("Battery reached 80%"));
    EXPECT_EQ(added.content.body,
        QStringLiteral("Charge reminder: the battery is at 81% and still plugged in. You can unplug now."));
    EXPECT_EQ(added.content.sound, NotificationContent::Sound::systemDefault);
}

TEST_F(MonitorReminderTest, AFailedReminderStaysDeliveredAndIsNotRetried)
{
    h.notifications->addError = QStringLiteral("Notifications are off for Voltmere.");
    pluggedAt(70);
    pluggedAt(80);
    h.settle();
    EXPECT_EQ(monitor.reminder().status.kind(), ChargeReminderLogic::Status::Kind::delivered);
    EXPECT_EQ(monitor.lastNotificationError(), h.notifications->addError);
    pluggedAt(90);
    h.settle();
    EXPECT_EQ(h.notifications->added.size(), 1u);
}

TEST_F(MonitorReminderTest, TheInsightFollowsTheReminder)
{
    pluggedAt(70);
    pluggedAt(80);
    monitor.updateInsight();
    ASSERT_TRUE(monitor.insight());
    EXPECT_EQ(monitor.insight()->text, QStringLiteral("Battery reached your 80% charge reminder just now."));
    QSignalSpy changed(&monitor, &Monitor::insightChanged);
    monitor.updateInsight();
    EXPECT_EQ(changed.count(), 0); // the same insight is not published again
    h.clock.advance(120);
    monitor.updateInsight();
    EXPECT_EQ(monitor.insight()->text, QStringLiteral("Battery reached your 80% charge reminder 2 minutes ago."));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(MonitorReminderTest, ATickWithoutBatteryKeepsWhatWasSeen)
{
    pluggedAt(70);
    Snapshot tick;
    tick.date = h.clock.now();
    monitor.ingest(tick); // no battery in this tick
    EXPECT_EQ(monitor.reminder().status, ChargeReminderLogic::Status::noBatteryReading());
    EXPECT_FALSE(monitor.hasBattery());
    pluggedAt(80);
    EXPECT_EQ(monitor.reminder().status.kind(), ChargeReminderLogic::Status::Kind::delivered);
    EXPECT_EQ(h.notifications->added.size(), 1u);
}

} // namespace
} // namespace voltmere
