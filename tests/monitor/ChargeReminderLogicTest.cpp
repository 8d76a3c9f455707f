#include "model/Format.h"
#include "monitor/ChargeReminderLogic.h"
#include "monitor/ReminderText.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using Kind = ChargeReminderLogic::Status::Kind;

BatteryReading plugged(std::optional<int> level)
{
    BatteryReading reading;
    reading.level = level;
    reading.isPluggedIn = true;
    return reading;
}

BatteryReading unplugged(int level)
{
    BatteryReading reading;
    reading.level = level;
    return reading;
}

// Drives one reminder through a sequence of readings and counts deliveries.
class ChargeReminderLogicTest : public ::testing::Test {
protected:
    Kind feed(const std::optional<BatteryReading> &battery)
    {
        now += 5;
        if (logic.evaluate(enabled, target, battery, now)) {
            ++notifications;
        }
        return logic.status.kind();
    }

    ChargeReminderLogic logic;
    bool enabled = true;
    int target = 80;
    double now = 1'800'000'000;
    int notifications = 0;
};

TEST_F(ChargeReminderLogicTest, StartsOffWithClearedFlags)
{
    EXPECT_EQ(logic.status, ChargeReminderLogic::Status::off());
    EXPECT_FALSE(logic.sawBelowTarget);
    EXPECT_FALSE(logic.fired);
    EXPECT_FALSE(logic.lastTarget);
}

TEST_F(ChargeReminderLogicTest, ArmsBelowTargetAndDeliversOnceOnReachingIt)
{
    EXPECT_EQ(feed(plugged(60)), Kind::armed);
    EXPECT_EQ(feed(plugged(79)), Kind::armed);
    EXPECT_EQ(feed(plugged(80)), Kind::delivered);
    const double deliveredAt = now;
    EXPECT_EQ(feed(plugged(81)), Kind::delivered);
    EXPECT_EQ(feed(plugged(100)), Kind::delivered);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(logic.status.deliveredAt(), deliveredAt);
}

TEST_F(ChargeReminderLogicTest, AboveTargetAtPlugInArmsWhenTheLevelFalls)
{
    EXPECT_EQ(feed(plugged(85)), Kind::aboveTargetAtPlugIn);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(feed(plugged(79)), Kind::armed);
    EXPECT_EQ(feed(plugged(80)), Kind::delivered);
    EXPECT_EQ(notifications, 1);
}

TEST_F(ChargeReminderLogicTest, UnpluggingStartsANewPlugInPeriod)
{
    feed(plugged(70));
    feed(plugged(80));
    EXPECT_EQ(feed(unplugged(80)), Kind::waitingForPower);
    EXPECT_FALSE(logic.sawBelowTarget);
    EXPECT_FALSE(logic.fired);
    EXPECT_EQ(feed(plugged(75)), Kind::armed);
    EXPECT_EQ(feed(plugged(80)), Kind::delivered);
    EXPECT_EQ(notifications, 2);
}

TEST_F(ChargeReminderLogicTest, UnpluggedFromTheStartWaitsForPower)
{
    EXPECT_EQ(feed(unplugged(40)), Kind::waitingForPower);
    EXPECT_EQ(feed(plugged(90)), Kind::aboveTargetAtPlugIn);
}

TEST_F(ChargeReminderLogicTest, LoweringTheTargetWhileArmedClearsTheFlags)
{
    feed(plugged(70));
    target = 60;
    EXPECT_EQ(feed(plugged(70)), Kind::aboveTargetAtPlugIn);
    EXPECT_EQ(logic.lastTarget, 60);
    EXPECT_EQ(notifications, 0);
}

TEST_F(ChargeReminderLogicTest, RaisingTheTargetAfterDeliveryRearms)
{
    feed(plugged(70));
    feed(plugged(80));
    target = 90;
    EXPECT_EQ(feed(plugged(82)), Kind::armed);
    EXPECT_FALSE(logic.fired);
    EXPECT_EQ(feed(plugged(90)), Kind::delivered);
    EXPECT_EQ(notifications, 2);
}

TEST_F(ChargeReminderLogicTest, SwitchingOffAndOnAboveTargetDoesNotNotify)
{
    feed(plugged(70));
    feed(plugged(85)); // delivered
    enabled = false;
    EXPECT_EQ(feed(plugged(85)), Kind::off);
    EXPECT_FALSE(logic.fired);
    EXPECT_FALSE(logic.sawBelowTarget);
    enabled = true;
    EXPECT_EQ(feed(plugged(85)), Kind::aboveTargetAtPlugIn);
    EXPECT_EQ(notifications, 1);
}

TEST_F(ChargeReminderLogicTest, AMissingReadingKeepsTheFlags)
{
    feed(plugged(70));
    EXPECT_EQ(feed(std::nullopt), Kind::noBatteryReading);
    EXPECT_TRUE(logic.sawBelowTarget);
    EXPECT_EQ(feed(plugged(std::nullopt)), Kind::noBatteryReading);
    EXPECT_EQ(feed(plugged(80)), Kind::delivered);
    EXPECT_EQ(notifications, 1);
}

TEST_F(ChargeReminderLogicTest, AMissingReadingAfterDeliveryDoesNotNotifyAgain)
{
    feed(plugged(70));
    feed(plugged(80));
    const auto delivered = logic.status;
    EXPECT_EQ(feed(std::nullopt), Kind::noBatteryReading);
    // The level is back: the status is the delivery again, with its time.
    EXPECT_EQ(feed(plugged(85)), Kind::delivered);
    EXPECT_EQ(logic.status, delivered);
    feed(std::nullopt);
    EXPECT_EQ(feed(plugged(78)), Kind::delivered);
    EXPECT_EQ(notifications, 1);
}

TEST_F(ChargeReminderLogicTest, OffIgnoresTheBatteryEntirely)
{
    enabled = false;
    EXPECT_EQ(feed(std::nullopt), Kind::off);
    EXPECT_EQ(feed(plugged(50)), Kind::off);
    EXPECT_FALSE(logic.sawBelowTarget);
}

TEST(ChargeReminderStatusTest, DeliveredComparesItsTime)
{
    using Status = ChargeReminderLogic::Status;
    EXPECT_EQ(Status::delivered(10), Status::delivered(10));
    EXPECT_NE(Status::delivered(10), Status::delivered(11));
    EXPECT_NE(Status::delivered(10), Status::armed());
    EXPECT_FALSE(Status::armed().deliveredAt());
}

TEST(ReminderTextTest, ShortTexts)
{
    using Status = ChargeReminderLogic::Status;
    const std::vector<std::pair<Status, QString>> rows {
        { Status::delivered(1'800'000'000), QStringLiteral("80% \u00B7 reached") },
        { Status::off(), QStringLiteral("Off") },
        { Status::waitingForPower(), QStringLiteral("80% \u00B7 waiting for power") },
        { Status::armed(), QStringLiteral("80% \u00B7 armed") },
        { Status::aboveTargetAtPlugIn(), QStringLiteral("80% \u00B7 already above") },
        { Status::noBatteryReading(), QStringLiteral("No battery reading") },
    };
    for (const auto &[status, text] : rows) {
        EXPECT_EQ(ReminderText::shortText(status, 80), text);
    }
    EXPECT_EQ(ReminderText::shortText(Status::armed(), 100), QStringLiteral("100% \u00B7 armed"));
}

TEST(ReminderTextTest, LongTexts)
{
    using Status = ChargeReminderLogic::Status;
    const double now = 1'800'000'000;
    EXPECT_EQ(ReminderText::longText(Status::off(), 80, now), QStringLiteral("Off."));
    EXPECT_EQ(ReminderText::longText(Status::waitingForPower(), 80, now),
        QStringLiteral("Waiting for the power adapter. You'll get one notification when the battery reaches "
                       "80% while plugged in."));
    EXPECT_EQ(ReminderText::longText(Status::armed(), 75, now),
        QStringLiteral("Plugged in and charging toward 75%. You'll get one notification when it gets there."));
    EXPECT_EQ(ReminderText::longText(Status::aboveTargetAtPlugIn(), 80, now),
        QStringLiteral("The battery was already at or above 80% when plugged in, so there's nothing to remind "
                       "you about this time."));
    EXPECT_EQ(ReminderText::longText(Status::noBatteryReading(), 80, now),
        QStringLiteral("The battery isn't reporting a charge level, so the reminder can't run."));
}

TEST(ReminderTextTest, LongDeliveredTextNamesTheTimeOfDelivery)
{
    using Status = ChargeReminderLogic::Status;
    const double now = 1'800'000'000;
    const double earlier = now - 60;
    EXPECT_EQ(ReminderText::longText(Status::delivered(earlier), 80, now),
        QStringLiteral("Reached 80% at ") + Format::timestamp(earlier, now)
            + QStringLiteral(". Notification sent; it won't repeat until you unplug."));
    // Two days back the day is named, so the text differs from today's form.
    const double older = now - 2 * 86'400;
    EXPECT_NE(Format::timestamp(older, now), Format::timestamp(older, older));
    EXPECT_TRUE(ReminderText::longText(Status::delivered(older), 80, now).contains(Format::timestamp(older, now)));
}

} // namespace
} // namespace voltmere
