#include "platform/linux/LinuxReaders.h"
#include "FakeClock.h"
#include "FakeTree.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;
using test::FakeTree;

// The engine over every Linux source on one fake machine, tick by tick.
class LinuxReadersTest : public ::testing::Test {
protected:
    void writeCounters(std::uint64_t cpuTicks, std::uint64_t sectors, std::uint64_t bytes, std::uint64_t processTicks)
    {
        const auto n = [](std::uint64_t v) { return std::to_string(v); };
        tree.write("proc/stat", "cpu " + n(cpuTicks) + " 0 " + n(cpuTicks) + " " + n(2 * cpuTicks) + " 0 0 0 0 0 0\n");
        tree.write("proc/diskstats", "   8 0 sda 1 0 " + n(sectors) + " 0 1 0 " + n(2 * sectors) + " 0 0 0 0\n");
        tree.write("proc/net/dev",
            "Inter-|\n face |\n  eth0: " + n(bytes) + " 0 0 0 0 0 0 0 " + n(bytes / 2) + " 0 0 0 0 0 0 0\n");
        tree.write(
            "proc/300/stat", "300 (worker) R 1 1 1 0 -1 0 0 0 0 0 " + n(processTicks) + " 0 0 0 20 0 1 0 555 0 0");
    }

    void SetUp() override
    {
        tree.write("proc/meminfo", "MemTotal: 1000 kB\nMemAvailable: 250 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
        tree.mkdir("devices/disk");
        tree.symlink("../../../devices/disk", "sys/block/sda/device");
        tree.write("sys/class/net/eth0/flags", "0x1003\n");
        tree.mkdir("devices/nic");
        tree.symlink("../../../../devices/nic", "sys/class/net/eth0/device");
        tree.write("proc/300/comm", "worker\n");
        tree.write("sys/class/power_supply/BAT0/type", "Battery\n");
        tree.write("sys/class/power_supply/BAT0/capacity", "64\n");
        tree.write("sys/class/power_supply/BAT0/status", "Discharging\n");
        writeCounters(100, 0, 0, 0);
    }

    FakeTree tree;
    FakeClock clock;
};

TEST_F(LinuxReadersTest, SecondTickCarriesEveryFigure)
{
    SamplingEngine engine(
        makeLinuxReaders(tree.root(), clock, QDBusConnection(QStringLiteral("voltmere-no-such-bus"))), 2.0, clock);
    Snapshot first;
    engine.queue().sync([&] { first = engine.sample(); });
    EXPECT_FALSE(first.cpuTotal);
    EXPECT_FALSE(first.diskRead);
    EXPECT_FALSE(first.netIn);
    EXPECT_TRUE(first.topProcesses.empty());
    EXPECT_EQ(first.memTotal, 1024000.0);
    EXPECT_EQ(first.memPressure, 75.0);
    ASSERT_TRUE(first.battery);
    EXPECT_EQ(first.battery->level, 64);

    clock.advance(2);
    writeCounters(200, 4000, 10000, 100); // the worker used 1 s of CPU in 2 s
    Snapshot second;
    engine.queue().sync([&] { second = engine.sample(); });
    EXPECT_DOUBLE_EQ(*second.cpuTotal, 50);
    EXPECT_DOUBLE_EQ(*second.diskRead, 4000 * 512 / 2.0);
    EXPECT_DOUBLE_EQ(*second.diskWrite, 8000 * 512 / 2.0);
    EXPECT_DOUBLE_EQ(*second.netIn, 5000);
    EXPECT_DOUBLE_EQ(*second.netOut, 2500);
    ASSERT_EQ(second.topProcesses.size(), 1u);
    EXPECT_EQ(second.topProcesses[0].name, QStringLiteral("worker"));
    EXPECT_NEAR(second.topProcesses[0].cpu, 50, 1e-9);
    EXPECT_NEAR(*second.otherProcessesCPU, 50, 1e-9); // 50 % of 2 cores minus the worker's 50
}

TEST_F(LinuxReadersTest, TreeTurningToGarbageMidRunGivesAbsentFiguresOnly)
{
    SamplingEngine engine(
        makeLinuxReaders(tree.root(), clock, QDBusConnection(QStringLiteral("voltmere-no-such-bus"))), 2.0, clock);
    engine.queue().sync([&] { engine.sample(); });
    clock.advance(2);
    for (const char *file : { "proc/stat", "proc/diskstats", "proc/net/dev", "proc/meminfo", "proc/300/stat",
             "sys/class/power_supply/BAT0/capacity" }) {
        tree.write(file, "\x01\x02 garbage (((\n");
    }
    Snapshot snapshot;
    engine.queue().sync([&] { snapshot = engine.sample(); });
    EXPECT_FALSE(snapshot.cpuTotal);
    EXPECT_FALSE(snapshot.memTotal);
    EXPECT_FALSE(snapshot.diskRead); // a disk without statistics
    EXPECT_FALSE(snapshot.netIn); // no interface line could be read
    EXPECT_TRUE(snapshot.topProcesses.empty());
    EXPECT_EQ(snapshot.unreadableProcessCount, 1);
    ASSERT_TRUE(snapshot.battery);
    EXPECT_FALSE(snapshot.battery->level);
}

} // namespace
} // namespace voltmere
