#include "sampling/SamplingEngine.h"

#include "FakeClock.h"
#include "FakeReaders.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;

class SamplingEngineTest : public ::testing::Test {
protected:
    // Builds an engine over fakes; the raw pointers stay valid for the test.
    void build(bool withCPU = true, bool withProcesses = true)
    {
        SamplingEngine::Readers readers;
        if (withCPU) {
            auto fake = std::make_unique<test::FakeCPU>(&log);
            cpu = fake.get();
            readers.cpu = std::move(fake);
        }
        readers.memory = std::make_unique<test::FakeMemory>(&log);
        readers.disk = std::make_unique<test::FakeDisk>(&log);
        readers.network = std::make_unique<test::FakeNetwork>(&log);
        if (withProcesses) {
            auto fake = std::make_unique<test::FakeProcesses>(&log);
            processes = fake.get();
            readers.processes = std::move(fake);
        }
        auto fakeBattery = std::make_unique<test::FakeBattery>(&log);
        battery = fakeBattery.get();
        readers.battery = std::move(fakeBattery);
        readers.sensors = std::make_unique<test::FakeSensors>(&log);
        engine = std::make_unique<SamplingEngine>(std::move(readers), 8.0, clock);
    }

    Snapshot tick()
    {
        Snapshot snapshot;
        engine->queue().sync([&] { snapshot = engine->sample(); });
        return snapshot;
    }

    FakeClock clock;
    test::ReaderLog log;
    test::FakeCPU *cpu = nullptr;
    test::FakeProcesses *processes = nullptr;
    test::FakeBattery *battery = nullptr;
    std::unique_ptr<SamplingEngine> engine;
};

TEST_F(SamplingEngineTest, FirstTickCarriesNoDeltas)
{
    build();
    BatteryReading reading;
    reading.level = 64;
    battery->reading = reading;

    const Snapshot first = tick();
    EXPECT_EQ(first.date, clock.now());
    ASSERT_TRUE(first.awake);
    EXPECT_DOUBLE_EQ(*first.awake, clock.awakeNanoseconds() / 1e9);
    EXPECT_EQ(first.interval, 0);
    EXPECT_FALSE(first.cpuTotal);
    EXPECT_FALSE(first.cpuUser);
    EXPECT_FALSE(first.diskRead);
    EXPECT_FALSE(first.netIn);
    EXPECT_TRUE(first.topProcesses.empty());
    EXPECT_EQ(first.unreadableProcessCount, 0);
    EXPECT_FALSE(first.otherProcessesCPU);
    EXPECT_FALSE(first.selfCPU);
    EXPECT_FALSE(first.selfCPUSeconds);
    // Memory and battery are not deltas.
    EXPECT_EQ(first.memTotal, 16e9);
    EXPECT_EQ(first.memLevel, MemoryPressureLevel::normal);
    ASSERT_TRUE(first.battery);
    EXPECT_EQ(first.battery->level, 64);
}

TEST_F(SamplingEngineTest, SecondTickMeasuresTheAwakeInterval)
{
    build();
    tick();
    clock.advance(2.5);
    clock.sleep(600); // wall time passing asleep must not count
    const Snapshot second = tick();
    EXPECT_DOUBLE_EQ(second.interval, 2.5);
    EXPECT_EQ(second.cpuTotal, 50);
    EXPECT_EQ(second.cpuUser, 40);
    EXPECT_EQ(second.cpuSystem, 10);
    EXPECT_EQ(second.diskRead, 100);
    EXPECT_EQ(second.diskWrite, 200);
    EXPECT_EQ(second.netIn, 300);
    EXPECT_EQ(second.netOut, 400);
    ASSERT_EQ(second.topProcesses.size(), 1u);
    EXPECT_EQ(second.topProcesses[0].pid, 42);
    EXPECT_EQ(second.unreadableProcessCount, 1);
    EXPECT_EQ(processes->lastTop, 10);
    // 50 % of 8 cores is 400 % of one core; 90 % of it is accounted for.
    ASSERT_TRUE(second.otherProcessesCPU);
    EXPECT_DOUBLE_EQ(*second.otherProcessesCPU, 310.0);
    EXPECT_TRUE(second.selfCPU);
    ASSERT_TRUE(second.selfCPUSeconds);
    EXPECT_GE(*second.selfCPUSeconds, 0.0);
}

TEST_F(SamplingEngineTest, ResetForgetsDeltasButKeepsSelfUsage)
{
    build();
    tick();
    clock.advance(2);
    tick();
    engine->queue().sync([&] { engine->resetBaselines(); });
    EXPECT_EQ(cpu->resets, 1);
    clock.advance(2);
    const Snapshot afterReset = tick();
    EXPECT_EQ(afterReset.interval, 0);
    EXPECT_FALSE(afterReset.cpuTotal);
    EXPECT_FALSE(afterReset.diskRead);
    EXPECT_FALSE(afterReset.netOut);
    EXPECT_TRUE(afterReset.topProcesses.empty());
    EXPECT_TRUE(afterReset.selfCPU);
    EXPECT_TRUE(afterReset.selfCPUSeconds);

    clock.advance(2);
    const Snapshot next = tick();
    EXPECT_DOUBLE_EQ(next.interval, 2.0);
    EXPECT_TRUE(next.cpuTotal);
}

TEST_F(SamplingEngineTest, UnlistedProcessCPUIsNeverNegative)
{
    build();
    processes->reading.measuredCPU = 1000; // more than 50 % of 8 cores
    tick();
    clock.advance(2);
    const Snapshot snapshot = tick();
    ASSERT_TRUE(snapshot.otherProcessesCPU);
    EXPECT_EQ(*snapshot.otherProcessesCPU, 0.0);
}

TEST_F(SamplingEngineTest, ProcessesWithoutCPUReadingLeaveUnlistedCPUAbsent)
{
    build(/*withCPU=*/false);
    tick();
    clock.advance(2);
    const Snapshot snapshot = tick();
    EXPECT_FALSE(snapshot.cpuTotal);
    EXPECT_EQ(snapshot.topProcesses.size(), 1u);
    EXPECT_FALSE(snapshot.otherProcessesCPU);
}

TEST_F(SamplingEngineTest, ReadersRunInTheFixedOrder)
{
    build();
    tick();
    const std::vector<std::string> expected{"cpu", "memory", "disk", "network", "processes", "battery", "sensors"};
    EXPECT_EQ(log.calls, expected);
}

TEST_F(SamplingEngineTest, RunsWithNoReadersAtAll)
{
    engine = std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 4.0, clock);
    tick();
    clock.advance(5);
    const Snapshot snapshot = tick();
    EXPECT_DOUBLE_EQ(snapshot.interval, 5.0);
    EXPECT_FALSE(snapshot.memTotal);
    EXPECT_FALSE(snapshot.battery);
    EXPECT_TRUE(snapshot.selfCPU);
    std::optional<BatteryReading> reading = BatteryReading{};
    engine->queue().sync([&] { reading = engine->readBattery(); });
    EXPECT_FALSE(reading);
}

TEST_F(SamplingEngineTest, SelfUsageNeedsTheAwakeClockToMove)
{
    build();
    tick();
    // Same awake reading: no division by zero, no figure, but a new baseline.
    const Snapshot still = tick();
    EXPECT_FALSE(still.selfCPU);
    clock.advance(1);
    EXPECT_TRUE(tick().selfCPU);
}

} // namespace
} // namespace voltmere
