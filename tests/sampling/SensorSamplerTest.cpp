#include "sampling/SensorSampler.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

// Chips and zones handed over as given; counts how often the zones are asked for.
class FakeSensorSource final : public SensorSource {
public:
    const std::vector<SensorChip> &chips() override { return chipList; }
    const std::vector<SensorChip> &thermalZones() override
    {
        ++zoneReads;
        return zoneList;
    }
    std::vector<SensorChip> chipList;
    std::vector<SensorChip> zoneList;
    int zoneReads = 0;
};

TemperatureInput temp(std::string label, std::optional<std::int64_t> milli, std::optional<std::int64_t> critical = {})
{
    return { std::move(label), milli, critical, "/t/" + std::to_string(milli.value_or(-1)) };
}

SensorChip chip(std::string name, std::vector<TemperatureInput> temperatures)
{
    return { SensorChip::Kind::chip, std::move(name), std::move(temperatures), {} };
}

SensorChip zone(std::string type, std::int64_t milli, std::optional<std::int64_t> critical = {})
{
    return { SensorChip::Kind::thermalZone, std::move(type), { temp("", milli, critical) }, {} };
}

class SensorSamplerTest : public ::testing::Test {
protected:
    std::optional<SensorReading> read() { return sampler.read(); }

    FakeSensorSource *source = new FakeSensorSource;
    SensorSampler sampler { std::unique_ptr<SensorSource>(source) };
};

TEST_F(SensorSamplerTest, TwoSocketsGiveTheHotterPackageWithItsCriticalValue)
{
    source->chipList = { chip("coretemp", { temp("Package id 0", 58000, 90000), temp("Core 0", 75000, 90000) }),
        chip("coretemp", { temp("Package id 1", 66000, 100000) }) };
    const auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->cpuCelsius, 66.0);
    EXPECT_EQ(reading->cpuCriticalCelsius, 100.0);
    EXPECT_TRUE(reading->others.empty()) << "both packages are the processor";
    EXPECT_EQ(source->zoneReads, 0);
}

// The ACPI zone names no part of the machine for sure: the package zone of
// the thermal class beats it, and a zone that repeats an hwmon chip is not
// counted twice.
TEST_F(SensorSamplerTest, ThermalZonesOnlyWhereNoChipNamesTheProcessor)
{
    source->chipList = { chip("acpitz", { temp("", 50000, 105000) }), chip("nvme", { temp("Composite", 40000) }) };
    source->zoneList = { zone("acpitz", 50000, 105000), zone("x86_pkg_temp", 70000) };
    auto reading = read();
    ASSERT_TRUE(reading);
    EXPECT_EQ(source->zoneReads, 1);
    EXPECT_EQ(reading->cpuCelsius, 70.0);
    EXPECT_FALSE(reading->cpuCriticalCelsius);
    EXPECT_EQ(reading->others, (std::vector<TemperatureSensor> { { "ACPI zone", 50 }, { "NVMe", 40 } }));

    // With nothing better, the ACPI zone is the processor's; without it, no
    // sensor is, and no file is named for it.
    source->zoneList = { zone("acpitz", 50000, 105000) };
    reading = read();
    EXPECT_EQ(reading->cpuCelsius, 50.0);
    EXPECT_EQ(reading->cpuCriticalCelsius, 105.0);
    EXPECT_EQ(reading->others, (std::vector<TemperatureSensor> { { "NVMe", 40 } }));
    source->chipList.erase(source->chipList.begin());
    source->zoneList.clear();
    reading = read();
    EXPECT_FALSE(reading->cpuCelsius);
    EXPECT_TRUE(reading->cpuFile.isEmpty());
}

} // namespace
} // namespace voltmere
