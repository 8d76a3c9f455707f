#include "FakeTree.h"

#include "platform/ChargeLimitText.h"
#include "platform/PlatformText.h"
#include "platform/linux/LinuxChargeLimitSource.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

constexpr std::string_view supplies = "sys/class/power_supply/";

void battery(const test::FakeTree &tree, const std::string &name, const std::string &scope = {})
{
    tree.write(std::string(supplies) + name + "/type", "Battery\n");
    if (!scope.empty()) {
        tree.write(std::string(supplies) + name + "/scope", scope + "\n");
    }
}

TEST(LinuxChargeLimitSourceTest, ReadsThresholdsAndTheActiveBehaviourOfSystemBatteriesOnly)
{
    test::FakeTree tree;
    battery(tree, "BAT1");
    tree.write("sys/class/power_supply/BAT1/charge_control_end_threshold", "80\n");
    tree.write("sys/class/power_supply/BAT1/charge_control_start_threshold", "75\n");
    tree.write("sys/class/power_supply/BAT1/charge_behaviour", "auto [inhibit-charge] force-discharge\n");
    battery(tree, "BAT0");
    // A mouse's battery may have a threshold too; it is not this computer's.
    battery(tree, "hidpp_battery_0", "Device");
    tree.write("sys/class/power_supply/hidpp_battery_0/charge_control_end_threshold", "60\n");
    tree.write("sys/class/power_supply/AC/type", "Mains\n");

    const auto limits = LinuxChargeLimitSource(tree.root()).read();
    ASSERT_EQ(limits.size(), 2u);
    // BAT0 has no limit files at all: every field absent, not zero.
    EXPECT_EQ(limits[0], (BatteryChargeLimits{QStringLiteral("BAT0"), std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(limits[1], (BatteryChargeLimits{QStringLiteral("BAT1"), 80, 75, QStringLiteral("inhibit-charge")}));
}

TEST(LinuxChargeLimitSourceTest, OlderNamesGarbageAndMissingFolders)
{
    test::FakeTree tree;
    battery(tree, "BAT0");
    tree.write("sys/class/power_supply/BAT0/charge_stop_threshold", "90\n");
    tree.write("sys/class/power_supply/BAT0/charge_control_start_threshold", "150\n");
    const auto limits = LinuxChargeLimitSource(tree.root()).read();
    ASSERT_EQ(limits.size(), 1u);
    EXPECT_EQ(limits[0].endThreshold, 90);
    EXPECT_EQ(limits[0].startThreshold, std::nullopt);

    EXPECT_EQ(LinuxChargeLimitSource::parseThreshold(" 80 \n"), 80);
    EXPECT_EQ(LinuxChargeLimitSource::parseThreshold("-1"), std::nullopt);
    EXPECT_EQ(LinuxChargeLimitSource::parseThreshold("eighty"), std::nullopt);
    EXPECT_EQ(LinuxChargeLimitSource::activeChoice("[auto] inhibit-charge"), QStringLiteral("auto"));
    EXPECT_EQ(LinuxChargeLimitSource::activeChoice("auto"), QStringLiteral("auto"));
    EXPECT_EQ(LinuxChargeLimitSource::activeChoice("auto inhibit-charge"), std::nullopt);
    EXPECT_EQ(LinuxChargeLimitSource::activeChoice("[] auto"), std::nullopt);

    test::FakeTree empty;
    EXPECT_TRUE(LinuxChargeLimitSource(empty.root()).read().empty());
}

TEST(ChargeLimitTextTest, SaysWhatTheFirmwareEnforcesAndNeverClaimsALimitOfItsOwn)
{
    const BatteryChargeLimits none{QStringLiteral("BAT0"), std::nullopt, std::nullopt, QStringLiteral("auto")};
    const auto absent = ChargeLimitText::enforcedLimit({none});
    // Only the kernel's files were read: a limit the firmware keeps to itself
    // may still hold, so nothing claims the battery charges to full.
    EXPECT_EQ(absent.status, QStringLiteral("Not exposed by the kernel"));
    EXPECT_TRUE(absent.text.startsWith(QStringLiteral("The kernel exposes no charge limit for this battery")));
    EXPECT_TRUE(absent.text.contains(QStringLiteral("may still hold")));
    EXPECT_FALSE(absent.text.contains(QStringLiteral("charges to full")));
    EXPECT_EQ(ChargeLimitText::enforcedLimit({}).status, absent.status);
    EXPECT_EQ(ChargeLimitText::summary({none}),
              QStringLiteral("The kernel exposes no charge limit for this battery, and Voltmere does not offer one."));
    EXPECT_TRUE(ChargeLimitText::summary({none, none}).contains(QStringLiteral("for these batteries")));

    const BatteryChargeLimits at80{QStringLiteral("BAT0"), 80, 75, QStringLiteral("inhibit-charge")};
    const auto present = ChargeLimitText::enforcedLimit({at80});
    EXPECT_EQ(present.status, QStringLiteral("Stops at 80%"));
    EXPECT_TRUE(present.text.startsWith(
        QStringLiteral("The firmware stops charging at 80% and starts again below 75%. Right now the firmware is "
                       "holding the charge")));
    EXPECT_TRUE(present.text.contains(QStringLiteral("not by Voltmere")));
    EXPECT_TRUE(ChargeLimitText::chargeToFull({at80}).text.contains(QStringLiteral("charge limit of 80%")));
    EXPECT_EQ(ChargeLimitText::summary({at80}),
              QStringLiteral("The firmware limits charging to 80%; Voltmere only reads that limit."));

    // Two batteries with different limits are named one by one.
    const BatteryChargeLimits second{QStringLiteral("BAT1"), 90, std::nullopt, std::nullopt};
    EXPECT_EQ(ChargeLimitText::enforcedLimit({at80, second}).status, QStringLiteral("Set by the firmware"));
    EXPECT_EQ(ChargeLimitText::summary({at80, second}),
              QStringLiteral("The firmware limits charging (BAT0 80%, BAT1 90%); Voltmere only reads these limits."));
}

} // namespace
} // namespace voltmere

namespace voltmere {
namespace {

// The Battery page's platform texts: on Linux none of them may name the Mac,
// its system or one of its services.
TEST(LinuxPlatformTextTest, BatteryPageTextsNameNothingThisMachineLacks)
{
    using PlatformText::Name;
    for (Name name : { Name::adapterOnly, Name::noInternalBattery, Name::batteryLevelUnavailable,
             Name::batteryStateUnavailable, Name::batteryHealthUnavailable, Name::cycleCountUnavailable,
             Name::capacityUnavailable, Name::temperatureUnavailable, Name::chargeHeldExplanation,
             Name::capacityAbove100Note, Name::reminderWithoutChargeLevel, Name::lowPowerModeOn }) {
        const QString here = PlatformText::say(name);
        EXPECT_FALSE(here.isEmpty());
        for (const char *foreign : {"Mac", "Apple", "IOPowerSources", "System Settings", "Optimized", "Low Power Mode"}) {
            EXPECT_FALSE(here.contains(QLatin1String(foreign))) << here.toStdString();
        }
    }
    EXPECT_EQ(PlatformText::say(Name::noInternalBattery), QStringLiteral("This computer has no internal battery."));
    EXPECT_EQ(
        PlatformText::say(Name::cycleCountUnavailable), QStringLiteral("The battery doesn't report cycle_count."));
}

} // namespace
} // namespace voltmere
