#include "sampling/MemorySampler.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

class FixedCounters final : public MemoryCounterSource {
public:
    explicit FixedCounters(MemoryCounters counters)
        : m_counters(counters)
    {
    }
    MemoryCounters read() override { return m_counters; }

private:
    MemoryCounters m_counters;
};

MemoryReading sampleWith(const MemoryCounters &counters)
{
    return MemorySampler(std::make_unique<FixedCounters>(counters)).sample();
}

constexpr std::uint64_t gib = 1ULL << 30;

TEST(MemorySamplerTest, PressureIsHundredMinusAvailableLevelWithinRange)
{
    EXPECT_EQ(MemorySampler::pressureFromLevel(100), 0.0);
    EXPECT_EQ(MemorySampler::pressureFromLevel(25), 75.0);
    EXPECT_EQ(MemorySampler::pressureFromLevel(101), std::nullopt);
    EXPECT_EQ(MemorySampler::pressureFromLevel(-1), std::nullopt);
    EXPECT_EQ(MemorySampler::pressureFromLevel(std::nullopt), std::nullopt);

    const MemoryReading reading = sampleWith({ 16 * gib, 4 * gib, 2 * gib, gib, 0.0, 0.0 });
    EXPECT_EQ(reading.pressure, 75.0);
    EXPECT_EQ(reading.total, 16.0 * gib);
    EXPECT_EQ(reading.used, 12.0 * gib);
    EXPECT_EQ(reading.swapTotal, 2.0 * gib);
    EXPECT_EQ(reading.swapUsed, 1.0 * gib);
    EXPECT_EQ(reading.level, MemoryPressureLevel::normal);
}

TEST(MemorySamplerTest, AvailableAboveTotalGivesNoPressureAndNoNegativeUse)
{
    const MemoryReading reading = sampleWith({ 4 * gib, 5 * gib, gib, 2 * gib, std::nullopt, std::nullopt });
    EXPECT_FALSE(reading.pressure);
    EXPECT_EQ(reading.used, 0.0);
    EXPECT_EQ(reading.swapUsed, 0.0);
    EXPECT_FALSE(reading.level); // neither signal is usable
}

TEST(MemorySamplerTest, UnreadableMemoryLeavesEverythingAbsent)
{
    const MemoryReading reading = sampleWith({});
    EXPECT_FALSE(reading.total);
    EXPECT_FALSE(reading.used);
    EXPECT_FALSE(reading.pressure);
    EXPECT_FALSE(reading.level);
    EXPECT_FALSE(reading.swapUsed);
    EXPECT_FALSE(reading.swapTotal);
}

TEST(MemorySamplerTest, ZeroTotalIsNotAReading)
{
    const MemoryReading reading = sampleWith({0, 0, 0, 0, std::nullopt, std::nullopt});
    EXPECT_FALSE(reading.total);
    EXPECT_FALSE(reading.used);
    EXPECT_FALSE(reading.pressure);
    EXPECT_EQ(reading.swapTotal, 0.0); // no swap configured is a real answer
}

TEST(MemorySamplerTest, SwapNeedsBothFigures)
{
    const MemoryReading reading = sampleWith({ gib, gib / 2, gib, std::nullopt, std::nullopt, std::nullopt });
    EXPECT_FALSE(reading.swapUsed);
    EXPECT_FALSE(reading.swapTotal);
}

TEST(MemorySamplerTest, PressureLevelThresholds)
{
    const auto levelOf = [](std::optional<double> some, std::optional<double> full, std::uint64_t availablePercent) {
        return sampleWith({ 100 * gib, availablePercent * gib, 0, 0, some, full }).level;
    };
    EXPECT_EQ(levelOf(0.0, 0.0, 50), MemoryPressureLevel::normal);
    EXPECT_EQ(levelOf(9.99, 1.99, 15), MemoryPressureLevel::normal);
    EXPECT_EQ(levelOf(10.0, 0.0, 50), MemoryPressureLevel::warning);
    EXPECT_EQ(levelOf(0.0, 2.0, 50), MemoryPressureLevel::warning);
    EXPECT_EQ(levelOf(0.0, 0.0, 14), MemoryPressureLevel::warning);
    EXPECT_EQ(levelOf(0.0, 10.0, 50), MemoryPressureLevel::critical);
    EXPECT_EQ(levelOf(0.0, 0.0, 4), MemoryPressureLevel::critical);
    // Kernels without stall information still get a level from available memory.
    EXPECT_EQ(levelOf(std::nullopt, std::nullopt, 50), MemoryPressureLevel::normal);
    EXPECT_EQ(levelOf(std::nullopt, std::nullopt, 4), MemoryPressureLevel::critical);
    // Without MemAvailable the stall figures alone decide.
    EXPECT_EQ(sampleWith({ gib, std::nullopt, 0, 0, 20.0, 0.0 }).level, MemoryPressureLevel::warning);
}

} // namespace
} // namespace voltmere
