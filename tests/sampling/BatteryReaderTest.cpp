#include "sampling/BatteryReader.h"
#include "FakeClock.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;

class FakeProvider final : public PowerSourceProvider {
public:
    std::optional<std::vector<PowerDictionary>> powerSources() override { return sources; }
    std::optional<PowerDictionary> batteryProperties() override
    {
        ++propertyReads;
        return properties;
    }
    std::optional<PowerDictionary> adapterDetails() override { return adapter; }
    bool lowPowerMode() override { return systemLowPower; }

    std::optional<std::vector<PowerDictionary>> sources;
    std::optional<PowerDictionary> properties;
    std::optional<PowerDictionary> adapter;
    bool systemLowPower = false;
    int propertyReads = 0;
};

PowerDictionary battery(PowerDictionary extra)
{
    PowerDictionary description { { "Type", std::string("InternalBattery") },
        { "Current Capacity", std::int64_t { 80 } }, { "Max Capacity", std::int64_t { 100 } } };
    for (auto &[key, value] : extra) {
        description.insert_or_assign(key, value);
    }
    return description;
}

const PowerValue acPower = std::string("AC Power");

class BatteryReaderTest : public ::testing::Test {
protected:
    BatteryReaderTest()
    {
        auto source = std::make_unique<FakeProvider>();
        provider = source.get();
        reader = std::make_unique<BatteryReader>(std::move(source), clock);
    }
    std::optional<BatteryReading> readOne(PowerDictionary description)
    {
        provider->sources = std::vector<PowerDictionary> { std::move(description) };
        return reader->read();
    }

    FakeClock clock;
    FakeProvider *provider = nullptr;
    std::unique_ptr<BatteryReader> reader;
};

TEST_F(BatteryReaderTest, DesktopOrUnlistableSourcesGiveNoReading)
{
    EXPECT_FALSE(reader->read());
    provider->sources = std::vector<PowerDictionary> { { { "Type", std::string("Mains") } }, {} };
    EXPECT_FALSE(reader->read());
}

TEST_F(BatteryReaderTest, ChargingOnAdapter)
{
    provider->adapter = PowerDictionary { { "Watts", std::int64_t { 65 } } };
    const auto reading = readOne(battery({ { "Power Source State", acPower }, { "Is Charging", true },
        { "Time to Full Charge", std::int64_t { 45 } }, { "Time to Empty", std::int64_t { 300 } } }));
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->level, 80);
    EXPECT_EQ(reading->state, ChargingState::charging);
    EXPECT_TRUE(reading->isPluggedIn);
    EXPECT_EQ(reading->timeToFullMinutes, 45);
    EXPECT_FALSE(reading->timeToEmptyMinutes);
    EXPECT_EQ(reading->adapterWatts, 65);
}

TEST_F(BatteryReaderTest, PluggedNotChargingDependsOnChargedFlagAndLevel)
{
    EXPECT_EQ(readOne(battery({ { "Power Source State", acPower } }))->state, ChargingState::pluggedNotCharging);
    EXPECT_EQ(
        readOne(battery({ { "Power Source State", acPower }, { "Current Capacity", std::int64_t { 100 } } }))->state,
        ChargingState::fullyCharged);
    EXPECT_EQ(readOne(battery({ { "Power Source State", acPower }, { "Is Charged", true } }))->state,
        ChargingState::fullyCharged);
    const auto noLevel
        = readOne(battery({ { "Power Source State", acPower }, { "Max Capacity", std::int64_t { 0 } } }));
    EXPECT_FALSE(noLevel->level);
    EXPECT_EQ(noLevel->state, ChargingState::pluggedNotCharging);
    EXPECT_FALSE(noLevel->timeToFullMinutes);
}

TEST_F(BatteryReaderTest, OnBatteryWithEstimatePendingAndRounding)
{
    provider->adapter = PowerDictionary { { "Watts", std::int64_t { 65 } } };
    const auto reading = readOne(
        battery({ { "Power Source State", std::string("Battery Power") }, { "Time to Empty", std::int64_t { -1 } },
            { "Current Capacity", std::int64_t { 995 } }, { "Max Capacity", std::int64_t { 1000 } } }));
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->state, ChargingState::onBattery);
    EXPECT_FALSE(reading->isPluggedIn);
    EXPECT_FALSE(reading->timeToEmptyMinutes);
    EXPECT_FALSE(reading->adapterWatts); // only asked for while plugged in
    EXPECT_EQ(reading->level, 100); // 99.5 rounds up
    EXPECT_EQ(readOne(battery({ { "Time to Empty", std::int64_t { 90 } } }))->timeToEmptyMinutes, 90);
}

TEST_F(BatteryReaderTest, WrongTypesAreAbsentNotGuessed)
{
    const auto reading = readOne(battery({ { "Power Source State", std::int64_t { 1 } },
        { "Is Charging", std::string("yes") }, { "Current Capacity", std::string("80") },
        { "BatteryHealth", std::int64_t { 1 } }, { "DesignCycleCount", std::int64_t { 1 } << 40 } }));
    ASSERT_TRUE(reading);
    EXPECT_FALSE(reading->level);
    EXPECT_EQ(reading->state, ChargingState::onBattery);
    EXPECT_FALSE(reading->healthCondition);
    EXPECT_FALSE(reading->designCycleCount);
    EXPECT_EQ(readOne(battery({ { "BatteryHealth", std::string("Good") } }))->healthCondition, QStringLiteral("Good"));
}

TEST_F(BatteryReaderTest, LowPowerModeFromDescriptionElseSystem)
{
    provider->systemLowPower = true;
    EXPECT_EQ(readOne(battery({}))->lowPowerMode, true);
    EXPECT_EQ(readOne(battery({ { "LPM Active", false } }))->lowPowerMode, false);
    provider->systemLowPower = false;
    EXPECT_EQ(readOne(battery({ { "LPM Active", true } }))->lowPowerMode, true);
}

TEST_F(BatteryReaderTest, RegistryCachedForSixtySecondsIncludingMissingEntry)
{
    provider->properties = PowerDictionary { { "CycleCount", std::int64_t { 100 } } };
    EXPECT_EQ(readOne(battery({}))->cycleCount, 100);
    provider->properties = PowerDictionary { { "CycleCount", std::int64_t { 101 } } };
    clock.advance(59);
    EXPECT_EQ(reader->read()->cycleCount, 100);
    clock.advance(1);
    EXPECT_EQ(reader->read()->cycleCount, 101);
    // A clock set back keeps the cache fresh.
    clock.setNow(clock.now() - 3600);
    provider->properties.reset();
    EXPECT_EQ(reader->read()->cycleCount, 101);
    clock.setNow(clock.now() + 7200);
    EXPECT_FALSE(reader->read()->cycleCount);
    const int reads = provider->propertyReads;
    clock.advance(30);
    reader->read();
    EXPECT_EQ(provider->propertyReads, reads); // "no entry" is cached too
}

TEST(RegistryValuesTest, CapacityFallbackAndTemperature)
{
    const RegistryValues values = RegistryValues::fromProperties(
        { { "DesignCapacity", std::int64_t { 5000 } }, { "AppleRawMaxCapacity", std::string("x") },
            { "NominalChargeCapacity", std::int64_t { 4500 } }, { "Temperature", std::int64_t { 3012 } } });
    EXPECT_EQ(values.designCapacity, 5000);
    EXPECT_EQ(values.fullChargeCapacity, 4500);
    EXPECT_DOUBLE_EQ(*values.temperatureC, 30.12);
    EXPECT_FALSE(values.cycleCount);
    EXPECT_EQ(RegistryValues::fromProperties({ { "AppleRawMaxCapacity", std::int64_t { 4700 } },
                                                 { "NominalChargeCapacity", std::int64_t { 4500 } } })
                  .fullChargeCapacity,
        4700);
}

} // namespace
} // namespace voltmere
