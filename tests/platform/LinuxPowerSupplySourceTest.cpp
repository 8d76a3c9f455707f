#include "platform/linux/LinuxPowerSupplySource.h"
#include "FakeClock.h"
#include "EventLoop.h"
#include "FakeTree.h"
#include "sampling/BatteryReader.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>

#include <gtest/gtest.h>

#include <map>

namespace voltmere {
namespace {

using test::FakeClock;
using test::FakeTree;

class LinuxPowerSupplySourceTest : public ::testing::Test {
protected:
    void supply(const std::string &name, const std::map<std::string, std::string> &attributes)
    {
        tree.mkdir("sys/class/power_supply/" + name);
        for (const auto &[attribute, value] : attributes) {
            tree.write("sys/class/power_supply/" + name + "/" + attribute, value + "\n");
        }
    }
    std::optional<BatteryReading> read() { return reader.read(); }

    FakeTree tree;
    FakeClock clock;
    BatteryReader reader { std::make_unique<LinuxPowerSupplySource>(
                               tree.root(), QDBusConnection(QStringLiteral("voltmere-no-such-bus"))),
        clock };
};

TEST_F(LinuxPowerSupplySourceTest, NoSuppliesOrOnlyPeripheralBatteriesMeanNoBattery)
{
    EXPECT_FALSE(read()); // no power_supply folder at all
    supply("AC", { { "type", "Mains" }, { "online", "1" } });
    supply("hidpp_battery_0", { { "type", "Battery" }, { "scope", "Device" }, { "capacity", "40" } });
    EXPECT_FALSE(read());
}

// A laptop with an almost empty internal pack and a full swappable one runs
// for hours, not minutes: read as one battery, nothing reads "5 %, 7 min".
TEST_F(LinuxPowerSupplySourceTest, TwoPacksReadAsOneBattery)
{
    supply("AC", { { "type", "Mains" }, { "online", "0" } });
    supply("BAT0",
        { { "type", "Battery" }, { "status", "Discharging" }, { "capacity", "5" }, { "energy_now", "1200000" },
            { "energy_full", "24000000" }, { "energy_full_design", "24000000" }, { "power_now", "10000000" },
            { "voltage_min_design", "12000000" }, { "cycle_count", "410" }, { "health", "Good" }, { "temp", "312" } });
    // The second pack counts charge, not energy: µAh at its design voltage.
    supply("BAT1",
        { { "type", "Battery" }, { "status", "Unknown" }, { "capacity", "100" }, { "charge_now", "6000000" },
            { "charge_full", "6000000" }, { "charge_full_design", "6500000" }, { "current_now", "0" },
            { "voltage_min_design", "12000000" }, { "cycle_count", "35" }, { "health", "Over voltage" },
            { "temp", "287" } });
    const auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->level, 76); // 73.2 of 96 Wh
    EXPECT_EQ(reading->state, ChargingState::onBattery);
    EXPECT_EQ(reading->timeToEmptyMinutes, 439); // 73.2 Wh at 10 W
    EXPECT_EQ(reading->designCapacity, 2000 + 6500); // mAh, summed
    EXPECT_EQ(reading->fullChargeCapacity, 2000 + 6000);
    EXPECT_EQ(reading->cycleCount, 410);
    EXPECT_DOUBLE_EQ(*reading->temperatureC, 31.2);
    EXPECT_EQ(reading->healthCondition, QStringLiteral("Over voltage"));

    // Either pack charging means power comes in.
    supply("AC", { { "type", "Mains" }, { "online", "1" } });
    supply("BAT1", { { "status", "Charging" }, { "current_now", "1000000" }, { "voltage_now", "12000000" } });
    supply("BAT0", { { "status", "Not charging" } });
    clock.advance(61);
    const auto charging = read();
    ASSERT_TRUE(charging);
    EXPECT_EQ(charging->state, ChargingState::charging);
}

TEST_F(LinuxPowerSupplySourceTest, ChargingFromChargeCountersWithEstimateFromCurrent)
{
    supply("AC", { { "type", "Mains" }, { "online", "1" } });
    supply("BAT0",
        { { "type", "Battery" }, { "status", "Charging" }, { "charge_now", "3000000" }, { "charge_full", "4000000" },
            { "charge_full_design", "4500000" }, { "current_now", "-2000000" }, // signed by direction on some drivers
            { "cycle_count", "0" }, { "health", "Good" }, { "temp", "301" } });
    const auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->level, 75);
    EXPECT_EQ(reading->state, ChargingState::charging);
    EXPECT_TRUE(reading->isPluggedIn);
    EXPECT_EQ(reading->timeToFullMinutes, 30); // 1 Ah to go at 2 A
    EXPECT_FALSE(reading->timeToEmptyMinutes);
    EXPECT_FALSE(reading->cycleCount); // 0 means the driver doesn't know
    EXPECT_EQ(reading->designCapacity, 4500);
    EXPECT_EQ(reading->fullChargeCapacity, 4000);
    EXPECT_DOUBLE_EQ(*reading->temperatureC, 30.1);
    EXPECT_EQ(reading->healthCondition, QStringLiteral("Good"));
    EXPECT_EQ(reading->lowPowerMode, false);
    EXPECT_FALSE(reading->adapterWatts); // a Mains supply that states no power
}

TEST_F(LinuxPowerSupplySourceTest, DischargingFromEnergyCountersConvertedToMilliampHours)
{
    supply("AC", { { "type", "Mains" }, { "online", "0" } });
    supply("BAT1",
        { { "type", "Battery" }, { "scope", "System" }, { "status", "Discharging" }, { "energy_now", "28500000" },
            { "energy_full", "57000000" }, { "energy_full_design", "60000000" }, { "power_now", "14250000" },
            { "voltage_min_design", "11400000" }, { "cycle_count", "312" } });
    const auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->level, 50);
    EXPECT_EQ(reading->state, ChargingState::onBattery);
    EXPECT_EQ(reading->timeToEmptyMinutes, 120); // 28.5 Wh at 14.25 W
    EXPECT_EQ(reading->fullChargeCapacity, 5000); // 57 Wh ÷ 11.4 V
    EXPECT_EQ(reading->designCapacity, 5263);
    EXPECT_EQ(reading->cycleCount, 312);
    EXPECT_FALSE(reading->temperatureC);
}

TEST_F(LinuxPowerSupplySourceTest, KernelEstimatesAndPercentageWinAndFullOnAdapter)
{
    supply("ucsi-source-psy-1",
        { { "type", "USB" }, { "online", "1" }, { "voltage_max", "20000000" }, { "current_max", "3250000" } });
    supply("BAT0",
        { { "type", "Battery" }, { "status", "Full" }, { "capacity", "100" }, { "charge_now", "10" },
            { "charge_full", "20" } });
    auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->level, 100);
    EXPECT_EQ(reading->state, ChargingState::fullyCharged);
    EXPECT_EQ(reading->adapterWatts, 65);

    supply("ucsi-source-psy-1", { { "online", "0" } });
    supply("BAT0", { { "status", "Discharging" }, { "capacity", "97" }, { "time_to_empty_now", "5400" } });
    reading = read();
    EXPECT_EQ(reading->state, ChargingState::onBattery);
    EXPECT_EQ(reading->timeToEmptyMinutes, 90);
    EXPECT_FALSE(reading->adapterWatts);
}

TEST_F(LinuxPowerSupplySourceTest, WithoutAdapterSuppliesTheBatteryStatusDecides)
{
    supply("BAT0", { { "type", "Battery" }, { "status", "Not charging" }, { "capacity", "80" } });
    auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->isPluggedIn);
    EXPECT_EQ(reading->state, ChargingState::pluggedNotCharging);
    supply("BAT0", { { "status", "Discharging" } });
    EXPECT_EQ(read()->state, ChargingState::onBattery);
}

TEST_F(LinuxPowerSupplySourceTest, GarbledValuesBecomeAbsent)
{
    supply("BAT0",
        { { "type", "Battery" }, { "status", "Discharging" }, { "capacity", "lots" }, { "charge_now", "-5" },
            { "charge_full", "99999999999999999999999" }, { "energy_now", "100" }, { "energy_full", "0" },
            { "power_now", "0" }, { "cycle_count", "-3" }, { "temp", "900000000" }, { "health", "Unknown" } });
    const auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_FALSE(reading->level);
    EXPECT_EQ(reading->state, ChargingState::onBattery);
    EXPECT_FALSE(reading->timeToEmptyMinutes);
    EXPECT_FALSE(reading->cycleCount);
    EXPECT_FALSE(reading->fullChargeCapacity);
    EXPECT_FALSE(reading->designCapacity);
    EXPECT_FALSE(reading->temperatureC);
    EXPECT_FALSE(reading->healthCondition);

    supply("BAT0", { { "temp", "-9223372036854775808" } }); // the most negative 64-bit value
    EXPECT_FALSE(read()->temperatureC);
}

TEST_F(LinuxPowerSupplySourceTest, ChargeAboveFullReadsAsFull)
{
    supply("BAT0",
        { { "type", "Battery" }, { "status", "Charging" }, { "charge_now", "4100000" }, { "charge_full", "4000000" } });
    EXPECT_EQ(read()->level, 100);
}

TEST_F(LinuxPowerSupplySourceTest, PropertiesAreCachedForAMinute)
{
    supply("BAT0", { { "type", "Battery" }, { "capacity", "50" }, { "cycle_count", "10" } });
    EXPECT_EQ(read()->cycleCount, 10);
    supply("BAT0", { { "cycle_count", "11" }, { "capacity", "49" } });
    clock.advance(59);
    const auto cached = read();
    EXPECT_EQ(cached->cycleCount, 10);
    EXPECT_EQ(cached->level, 49); // the description itself is read every time
    clock.advance(1);
    EXPECT_EQ(read()->cycleCount, 11);
}

TEST_F(LinuxPowerSupplySourceTest, LowPowerModeFromPlatformProfile)
{
    supply("BAT0", { { "type", "Battery" }, { "capacity", "50" } });
    EXPECT_EQ(read()->lowPowerMode, false);
    tree.write("sys/firmware/acpi/platform_profile", "low-power\n");
    EXPECT_EQ(read()->lowPowerMode, true);
    tree.write("sys/firmware/acpi/platform_profile", "balanced\n");
    EXPECT_EQ(read()->lowPowerMode, false);
}

// The power-profiles daemon as it answers on the bus (its older name).
class FakePowerProfiles final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.hadess.PowerProfiles")
    Q_PROPERTY(QString ActiveProfile MEMBER activeProfile)
public:
    QString activeProfile = QStringLiteral("power-saver");
};

// The daemon's choice wins over the firmware profile; once the daemon is
// gone, the firmware profile decides again.
TEST(LinuxPowerSupplySourceDBusTest, PowerProfilesDaemonDecidesLowPowerMode)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "tests run under dbus-run-session";
    FakeTree tree;
    tree.write("sys/firmware/acpi/platform_profile", "balanced\n");
    LinuxPowerSupplySource source(tree.root(), bus);
    EXPECT_FALSE(source.lowPowerMode()); // no daemon on the bus yet

    FakePowerProfiles daemon;
    ASSERT_TRUE(
        bus.registerObject(QStringLiteral("/net/hadess/PowerProfiles"), &daemon, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(bus.registerService(QStringLiteral("net.hadess.PowerProfiles")));
    EXPECT_TRUE(test::waitFor([&] { return source.lowPowerMode(); })); // the daemon appeared
    tree.write("sys/firmware/acpi/platform_profile", "low-power\n");

    // Battery reads come every tick; the profile must not cost a D-Bus call
    // each time. A change the daemon does not announce goes unseen…
    daemon.activeProfile = QStringLiteral("balanced");
    test::settleFor(50);
    EXPECT_TRUE(source.lowPowerMode());
    // …and the announcement is what updates it.
    QDBusMessage changed = QDBusMessage::createSignal(QStringLiteral("/net/hadess/PowerProfiles"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    changed << QStringLiteral("net.hadess.PowerProfiles")
            << QVariantMap { { QStringLiteral("ActiveProfile"), QStringLiteral("balanced") } } << QStringList();
    bus.send(changed);
    EXPECT_TRUE(test::waitFor([&] { return !source.lowPowerMode(); }));

    bus.unregisterService(QStringLiteral("net.hadess.PowerProfiles"));
    bus.unregisterObject(QStringLiteral("/net/hadess/PowerProfiles"));
    EXPECT_TRUE(test::waitFor([&] { return source.lowPowerMode(); })); // the firmware decides again
}

} // namespace
} // namespace voltmere

#include "LinuxPowerSupplySourceTest.moc"
