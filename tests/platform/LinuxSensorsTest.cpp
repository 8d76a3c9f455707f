#include "platform/linux/LinuxSensorSource.h"
#include "sampling/SensorSampler.h"

#include "FakeClock.h"
#include "FakeTree.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace voltmere {
namespace {

using test::FakeTree;

// The sensor reader over the Linux sources of fake machines, as the kernel
// lays out /sys/class/hwmon and /sys/class/thermal on each kind.
class LinuxSensorsTest : public ::testing::Test {
protected:
    void chip(int n, std::string_view name) const { tree.write(hwmon(n, "name"), std::string(name) + "\n"); }
    void input(int n, std::string_view item, std::string_view value) const
    {
        tree.write(hwmon(n, item), std::string(value) + "\n");
    }
    static std::string hwmon(int n, std::string_view item)
    {
        return "sys/class/hwmon/hwmon" + std::to_string(n) + "/" + std::string(item);
    }
    void zone(int n, std::string_view type, std::string_view temp, std::string_view critical = {}) const
    {
        const std::string folder = "sys/class/thermal/thermal_zone" + std::to_string(n) + "/";
        tree.write(folder + "type", std::string(type) + "\n");
        tree.write(folder + "temp", std::string(temp) + "\n");
        tree.write(folder + "trip_point_0_type", "passive\n");
        tree.write(folder + "trip_point_0_temp", "70000\n");
        if (!critical.empty()) {
            tree.write(folder + "trip_point_1_type", "critical\n");
            tree.write(folder + "trip_point_1_temp", std::string(critical) + "\n");
        }
    }

    // A ThinkPad with an Intel processor: coretemp with its package and
    // cores, the ACPI zone, an NVMe drive, the chipset, Wi-Fi, and the
    // embedded controller's fan and temperatures (one of them unconnected).
    // The package zone also exists under /sys/class/thermal.
    void intelLaptop() const
    {
        chip(0, "acpitz");
        input(0, "temp1_input", "45000");
        input(0, "temp1_crit", "98000");
        chip(2, "coretemp");
        input(2, "temp1_label", "Package id 0");
        input(2, "temp1_input", "62000");
        input(2, "temp1_crit", "100000");
        input(2, "temp2_label", "Core 0");
        input(2, "temp2_input", "60000");
        input(2, "temp3_label", "Core 1");
        input(2, "temp3_input", "64000");
        chip(3, "nvme");
        input(3, "temp1_label", "Composite");
        input(3, "temp1_input", "41850");
        chip(4, "thinkpad");
        input(4, "fan1_input", "2400");
        input(4, "temp1_input", "55000");
        input(4, "temp2_input", "-128000");
        chip(5, "pch_cannonlake");
        input(5, "temp1_input", "52000");
        chip(10, "iwlwifi_1");
        input(10, "temp1_input", "39000");
        zone(0, "acpitz", "45000", "98000");
        zone(1, "x86_pkg_temp", "99000");
    }

    std::optional<SensorReading> tick() { return sampler.read(); }

    FakeTree tree;
    test::FakeClock clock;
    SensorSampler sampler {
        std::make_unique<LinuxSensorSource>(tree.root(), LinuxSensorSource::Files::automatic, clock)
    };
};

TEST_F(LinuxSensorsTest, IntelLaptopReadsThePackageAndTheHottestOfTheRest)
{
    intelLaptop();
    const auto reading = tick();
    ASSERT_TRUE(reading);
    // The package, not the hotter core; its critical value is TjMax.
    EXPECT_EQ(reading->cpuCelsius, 62.0);
    EXPECT_EQ(reading->cpuCriticalCelsius, 100.0);
    EXPECT_EQ(reading->cpuFile, QStringLiteral("/sys/class/hwmon/hwmon2/temp1_input"));
    // One per chip, hottest first, three at most; the -128 °C input is
    // nothing attached, and the package zone is not read at all while
    // coretemp is there.
    EXPECT_EQ(reading->others,
        (std::vector<TemperatureSensor> { { "thinkpad", 55 }, { "Chipset", 52 }, { "ACPI zone", 45 } }));
    EXPECT_EQ(reading->fans, (std::vector<FanSpeed> { { "Fan 1", 2400 } }));
    EXPECT_TRUE(reading->unreadable.empty());
}

// k10temp on Zen labels its inputs (Tctl, Tdie where Tctl carries an
// offset, Tccd1…) and states no critical value; before Zen it has one
// unlabelled input with temp1_crit where the processor enables its limit.
TEST_F(LinuxSensorsTest, AMDProcessorsWithAndWithoutACriticalValue)
{
    chip(0, "nct6798");
    input(0, "fan1_input", "0"); // stopped: a reading
    input(0, "fan2_input", "1180");
    input(0, "fan2_label", "CPU fan");
    input(0, "temp1_label", "SYSTIN");
    input(0, "temp1_input", "34000");
    input(0, "temp2_label", "AUXTIN0");
    input(0, "temp2_input", "127000"); // nothing attached
    chip(1, "k10temp"); // Zen 2 and later: Tctl is the die's temperature
    input(1, "temp1_label", "Tctl");
    input(1, "temp1_input", "97250");
    input(1, "temp3_label", "Tccd1");
    input(1, "temp3_input", "95000");
    input(1, "temp4_label", "Tccd2");
    input(1, "temp4_input", "93000");
    chip(2, "amdgpu");
    input(2, "temp1_label", "edge");
    input(2, "temp1_input", "48000");
    input(2, "temp2_label", "junction");
    input(2, "temp2_input", "52000");
    input(2, "fan1_input", "850");

    auto reading = tick();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->cpuCelsius, 97.25);
    EXPECT_FALSE(reading->cpuCriticalCelsius) << "none is stated, so none is made up";
    EXPECT_FALSE(reading->cpuNearCritical());
    EXPECT_EQ(reading->others, (std::vector<TemperatureSensor> { { "GPU", 52 }, { "SYSTIN", 34 } }));
    EXPECT_EQ(reading->fans,
        (std::vector<FanSpeed> { { "Fan 1", 0 }, { "CPU fan", 1180 }, { "Fan 3", 850 } }));
    EXPECT_EQ(reading->fastestFanRpm(), 1180.0);
    EXPECT_TRUE(reading->unreadable.empty());

    // A first Ryzen: Tctl runs 20 °C above the die, which is Tdie.
    tree.remove("sys/class/hwmon/hwmon1");
    chip(1, "k10temp");
    input(1, "temp1_label", "Tctl");
    input(1, "temp1_input", "81250");
    input(1, "temp2_label", "Tdie");
    input(1, "temp2_input", "61250");
    tick(); // the chip that went is looked for again
    EXPECT_EQ(tick()->cpuCelsius, 61.25);

    // A Phenom II's k10temp, with the limit it enables.
    tree.remove("sys/class/hwmon/hwmon1");
    chip(3, "k10temp");
    input(3, "temp1_input", "86500");
    input(3, "temp1_max", "70000");
    input(3, "temp1_crit", "90000");
    input(3, "temp1_crit_hyst", "87000");
    tick();
    reading = tick();
    EXPECT_EQ(reading->cpuCelsius, 86.5);
    EXPECT_EQ(reading->cpuCriticalCelsius, 90.0) << "temp1_crit, not temp1_max";
    EXPECT_TRUE(reading->cpuNearCritical());
}

TEST_F(LinuxSensorsTest, ARMLaptopTakesTheCPUThermalZone)
{
    // A battery gauge is the only chip, and it has no temperature.
    chip(0, "cw2015");
    input(0, "in0_input", "3800");
    zone(0, "cpu-thermal", "47222", "95000");
    zone(1, "gpu-thermal", "45555", "95000");
    tree.write("sys/class/thermal/thermal_zone2/type", "soc-thermal\n");
    tree.write("sys/class/thermal/thermal_zone2/temp", "80000\n");
    tree.write("sys/class/thermal/thermal_zone2/mode", "disabled\n");

    const auto reading = tick();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->cpuCelsius, 47.222);
    EXPECT_EQ(reading->cpuCriticalCelsius, 95.0);
    EXPECT_EQ(reading->cpuFile, QStringLiteral("/sys/class/thermal/thermal_zone0/temp"));
    EXPECT_EQ(reading->others, (std::vector<TemperatureSensor> { { "GPU", 45.555 } })) << "a disabled zone is not read";
    EXPECT_TRUE(reading->fans.empty());
}

TEST_F(LinuxSensorsTest, VirtualMachineHasNoSensorsAtAll)
{
    // An empty thermal class, and a chip that measures only a voltage.
    tree.mkdir("sys/class/thermal");
    chip(0, "virt_pmic");
    input(0, "in0_input", "1200");
    EXPECT_FALSE(tick());
}

TEST_F(LinuxSensorsTest, ASensorThatVanishesIsAbsentForThatTickWithItsFileNamed)
{
    intelLaptop();
    ASSERT_EQ(tick()->fans.size(), 1u);

    tree.remove(hwmon(4, "fan1_input"));
    auto reading = tick();
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->fans.empty());
    EXPECT_EQ(reading->unreadable, std::vector<QString> { QStringLiteral("/sys/class/hwmon/hwmon4/fan1_input") });
    EXPECT_EQ(reading->cpuCelsius, 62.0);

    // The package's file fails: absent, naming it, rather than a core's value.
    tree.remove(hwmon(2, "temp1_input"));
    reading = tick();
    EXPECT_FALSE(reading->cpuCelsius);
    EXPECT_EQ(reading->cpuFile, QStringLiteral("/sys/class/hwmon/hwmon2/temp1_input"));
    EXPECT_EQ(reading->unreadable.size(), 2u); // with the fan

    // Then the whole chip goes (its driver unloaded).
    tree.remove("sys/class/hwmon/hwmon2");
    reading = tick();
    EXPECT_EQ(reading->unreadable.size(), 4u);

    // The next tick looks again: without coretemp the package zone is the
    // processor's.
    reading = tick();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->cpuCelsius, 99.0);
    EXPECT_EQ(reading->cpuFile, QStringLiteral("/sys/class/thermal/thermal_zone1/temp"));
    EXPECT_TRUE(reading->unreadable.empty());
}

// After a hotplug or a resume another chip may take a freed number: it is
// looked up as what it is, never read under the old chip's role, whether
// its files are read by path or kept open (there the periodic check finds
// the folder changed).
TEST_F(LinuxSensorsTest, AChipThatTakesAFreedNumberIsLookedUpAsItself)
{
    for (const auto files : { LinuxSensorSource::Files::byPath, LinuxSensorSource::Files::keptOpen }) {
        SCOPED_TRACE(files == LinuxSensorSource::Files::byPath ? "by path" : "kept open");
        tree.remove("sys");
        chip(0, "acpitz");
        input(0, "temp1_input", "45000");
        chip(1, "coretemp");
        input(1, "temp1_label", "Package id 0");
        input(1, "temp1_input", "62000");
        SensorSampler sensors(std::make_unique<LinuxSensorSource>(tree.root(), files, clock));
        ASSERT_EQ(sensors.read()->cpuCelsius, 62.0);

        tree.remove("sys/class/hwmon/hwmon1");
        chip(1, "nvme");
        input(1, "temp1_label", "Composite");
        input(1, "temp1_input", "38000");
        std::optional<SensorReading> reading;
        for (int i = 0; i < LinuxSensorSource::rescanEveryReads + 1; ++i) {
            reading = sensors.read();
            ASSERT_NE(reading->cpuCelsius, 38.0) << "read " << i;
        }
        EXPECT_EQ(reading->cpuCelsius, 45.0) << "the ACPI zone, now that no chip is the processor's";
        EXPECT_EQ(reading->others, (std::vector<TemperatureSensor> { { "NVMe", 38 } }));
    }
}

// A sensor that fails is not tried again each tick (a driver that times out
// would cost that every time) but at the periodic check.
TEST_F(LinuxSensorsTest, AFailingSensorIsTriedAgainAtTheCheck)
{
    intelLaptop();
    tick();
    tree.remove(hwmon(4, "fan1_input"));
    EXPECT_TRUE(tick()->fans.empty());
    input(4, "fan1_input", "2600");
    int reads = 2;
    for (; reads < LinuxSensorSource::rescanEveryReads; ++reads) {
        ASSERT_TRUE(tick()->fans.empty()) << "read " << reads;
    }
    const auto reading = tick();
    EXPECT_EQ(reading->fans, (std::vector<FanSpeed> { { "Fan 1", 2600 } }));
    EXPECT_TRUE(reading->unreadable.empty());
}

// Reading an NVMe or SATA drive's temperature sends it a command: those are
// read every 30 s, the rest every tick. Time asleep counts.
TEST_F(LinuxSensorsTest, DriveTemperaturesAreReadEveryHalfMinute)
{
    chip(0, "coretemp");
    input(0, "temp1_label", "Package id 0");
    input(0, "temp1_input", "62000");
    chip(1, "nvme");
    input(1, "temp1_label", "Composite");
    input(1, "temp1_input", "41000");
    chip(2, "drivetemp");
    input(2, "temp1_input", "36000");
    tick();
    input(0, "temp1_input", "63000");
    input(1, "temp1_input", "44000");
    input(2, "temp1_input", "37000");
    using Sensors = std::vector<TemperatureSensor>;
    for (int seconds = 5; seconds < 30; seconds += 5) {
        clock.advance(5);
        const auto reading = tick();
        EXPECT_EQ(reading->cpuCelsius, 63.0);
        EXPECT_EQ(reading->others, (Sensors { { "NVMe", 41 }, { "Disk", 36 } })) << seconds << " s";
    }
    clock.advance(5);
    EXPECT_EQ(tick()->others, (Sensors { { "NVMe", 44 }, { "Disk", 37 } }));

    input(1, "temp1_input", "46000");
    clock.advance(2);
    EXPECT_EQ(tick()->others.front(), (TemperatureSensor { "NVMe", 44 })) << "a reading two seconds old";
    clock.sleep(3600);
    EXPECT_EQ(tick()->others.front(), (TemperatureSensor { "NVMe", 46 }));
}

// On sysfs the input files stay open; a fake tree stands in for it here by
// being written in place, as sysfs files change.
TEST_F(LinuxSensorsTest, KeptFilesReadFreshValuesAndNewChipsAppearAtTheNextLookup)
{
    intelLaptop();
    EXPECT_FALSE(LinuxSensorSource(tree.root()).keepsFilesOpen()) << "a plain folder is read by path";
    const auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openFiles();
    {
        SensorSampler kept(std::make_unique<LinuxSensorSource>(tree.root(), LinuxSensorSource::Files::keptOpen));
        ASSERT_EQ(kept.read()->cpuCelsius, 62.0);
        EXPECT_EQ(openFiles(), before + 16); // every input and the folder of every chip

        input(2, "temp1_input", "71500");
        input(4, "fan1_input", "3100");
        chip(11, "amdgpu");
        input(11, "temp1_input", "70000");
        auto reading = kept.read();
        EXPECT_EQ(reading->cpuCelsius, 71.5);
        EXPECT_EQ(reading->fastestFanRpm(), 3100.0);
        EXPECT_EQ(reading->others.front().name, QStringLiteral("thinkpad"));

        for (int i = 1; i < LinuxSensorSource::rescanEveryReads; ++i) {
            reading = kept.read();
        }
        EXPECT_EQ(reading->others.front(), (TemperatureSensor { "GPU", 70 }));
        EXPECT_EQ(openFiles(), before + 18);
    }
    EXPECT_EQ(openFiles(), before);
}

} // namespace
} // namespace voltmere
