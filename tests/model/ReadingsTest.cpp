#include "model/BatteryReading.h"
#include "model/DashboardSection.h"
#include "model/Insight.h"
#include "model/MemoryPressureLevel.h"
#include "model/OverviewAnchor.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

BatteryReading onBatteryAt(std::optional<int> level)
{
    BatteryReading reading;
    reading.level = level;
    reading.state = ChargingState::onBattery;
    return reading;
}

TEST(ReadingsTest, BatterySymbolFollowsLevelBands)
{
    EXPECT_EQ(onBatteryAt(12).symbolName(), "battery.0percent");
    EXPECT_EQ(onBatteryAt(13).symbolName(), "battery.25percent");
    EXPECT_EQ(onBatteryAt(37).symbolName(), "battery.25percent");
    EXPECT_EQ(onBatteryAt(38).symbolName(), "battery.50percent");
    EXPECT_EQ(onBatteryAt(63).symbolName(), "battery.75percent");
    EXPECT_EQ(onBatteryAt(87).symbolName(), "battery.75percent");
    EXPECT_EQ(onBatteryAt(88).symbolName(), "battery.100percent");
    EXPECT_EQ(onBatteryAt(std::nullopt).symbolName(), "battery.0percent");
}

TEST(ReadingsTest, ChargingAlwaysDrawsTheBolt)
{
    for (std::optional<int> level : {std::optional<int>{}, std::optional<int>{5}, std::optional<int>{100}}) {
        BatteryReading reading = onBatteryAt(level);
        reading.state = ChargingState::charging;
        EXPECT_EQ(reading.symbolName(), "battery.100percent.bolt");
    }
}

TEST(ReadingsTest, BatteryEqualityCoversEveryField)
{
    BatteryReading a = onBatteryAt(50);
    a.lowPowerMode = false;
    BatteryReading b = a;
    EXPECT_EQ(a, b);
    b.lowPowerMode = true;
    EXPECT_NE(a, b);
    b = a;
    b.temperatureC = 30.5;
    EXPECT_NE(a, b);
}

TEST(ReadingsTest, RawValuesRoundTripAndRejectUnknownText)
{
    EXPECT_EQ(chargingStateFromRaw("pluggedNotCharging"), ChargingState::pluggedNotCharging);
    EXPECT_EQ(rawValue(ChargingState::fullyCharged), "fullyCharged");
    EXPECT_FALSE(chargingStateFromRaw("Charging"));
    EXPECT_FALSE(chargingStateFromRaw(""));
    EXPECT_EQ(label(ChargingState::pluggedNotCharging), "Plugged in, not charging");

    for (DashboardSection section : allDashboardSections) {
        EXPECT_EQ(dashboardSectionFromRaw(rawValue(section).toStdString()), section);
    }
    EXPECT_FALSE(dashboardSectionFromRaw("settings"));
    for (OverviewAnchor anchor : allOverviewAnchors) {
        EXPECT_EQ(overviewAnchorFromRaw(rawValue(anchor).toStdString()), anchor);
    }
    EXPECT_FALSE(overviewAnchorFromRaw("Memory"));
}

TEST(ReadingsTest, MemoryPressureLevelAcceptsOnlyKernelCodes)
{
    EXPECT_EQ(memoryPressureLevelFromRaw(1), MemoryPressureLevel::normal);
    EXPECT_EQ(memoryPressureLevelFromRaw(2), MemoryPressureLevel::warning);
    EXPECT_EQ(memoryPressureLevelFromRaw(4), MemoryPressureLevel::critical);
    for (long long raw : {0LL, 3LL, 5LL, -1LL, 1LL << 40}) {
        EXPECT_FALSE(memoryPressureLevelFromRaw(raw)) << raw;
    }
    EXPECT_LT(MemoryPressureLevel::normal, MemoryPressureLevel::warning);
    EXPECT_LT(MemoryPressureLevel::warning, MemoryPressureLevel::critical);
}

TEST(ReadingsTest, InsightEqualityIncludesTheAnchor)
{
    Insight a{QStringLiteral("CPU has been above 80% for 2 minutes."), Insight::Severity::attention,
              DashboardSection::overview, std::nullopt};
    Insight b = a;
    EXPECT_EQ(a, b);
    b.anchor = OverviewAnchor::cpu;
    EXPECT_NE(a, b);
}

} // namespace
} // namespace voltmere
