#include "FakeTree.h"
#include "platform/linux/LinuxBlockDeviceSource.h"
#include "platform/linux/LinuxCPUTickSource.h"
#include "platform/linux/LinuxMemoryCounterSource.h"
#include "platform/linux/LinuxNetworkInterfaceSource.h"
#include "platform/linux/LinuxProcessTableSource.h"

#include "sampling/NetworkSampler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace voltmere {
namespace {

using test::FakeTree;

std::string fixture(const char *name)
{
    return test::readFixture(std::string("proc/") + name);
}

TEST(LinuxSourcesTest, MissingTreeGivesAbsentValuesEverywhere)
{
    FakeTree tree;
    EXPECT_FALSE(LinuxCPUTickSource(tree.root()).read());
    const MemoryCounters memory = LinuxMemoryCounterSource(tree.root()).read();
    EXPECT_FALSE(memory.totalBytes);
    EXPECT_FALSE(memory.stallSomePercent);
    EXPECT_FALSE(LinuxBlockDeviceSource(tree.root()).read());
    EXPECT_FALSE(LinuxNetworkInterfaceSource(tree.root()).read());
    std::int32_t ids[4];
    EXPECT_FALSE(LinuxProcessTableSource(tree.root()).listProcessIds(ids));
}

TEST(LinuxSourcesTest, CPUAndMemoryFromTree)
{
    FakeTree tree;
    tree.write("proc/stat", fixture("stat"));
    tree.write("proc/meminfo", fixture("meminfo"));
    EXPECT_EQ(LinuxCPUTickSource(tree.root()).read()->user, 49069u);
    LinuxMemoryCounterSource memory(tree.root());
    EXPECT_EQ(memory.read().totalBytes, 16318480ULL * 1024);
    EXPECT_FALSE(memory.read().stallFullPercent); // kernel without pressure stall information
    tree.write(
        "proc/pressure/memory", "some avg10=1.00 avg60=0 avg300=0 total=0\nfull avg10=0.50 avg60=0 avg300=0 total=0\n");
    EXPECT_EQ(memory.read().stallFullPercent, 0.5);
    tree.write("proc/stat", "cpu 1 2"); // truncated mid-write
    EXPECT_FALSE(LinuxCPUTickSource(tree.root()).read());
}

TEST(LinuxSourcesTest, OnlyWholePhysicalDisksAreListed)
{
    FakeTree tree;
    tree.write("proc/diskstats", fixture("diskstats"));
    for (const char *disk : { "nvme0n1", "sda", "loop0", "dm-0", "zram0", "sdb" }) {
        tree.mkdir(std::string("sys/block/") + disk);
    }
    // Real disks have a device link; loop devices can too (but are excluded by name).
    for (const char *disk : { "nvme0n1", "sda", "loop0", "sdb" }) {
        tree.symlink("../../../devices/x", std::string("sys/block/") + disk + "/device");
        tree.mkdir("devices/x");
    }
    const auto devices = LinuxBlockDeviceSource(tree.root()).read();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 3u); // nvme0n1, sda, and sdb, which has no diskstats line
    std::uint64_t read = 0, written = 0;
    int withoutStatistics = 0;
    for (const auto &device : *devices) {
        if (!device) {
            ++withoutStatistics;
            continue;
        }
        read += *device->bytesRead;
        written += *device->bytesWritten;
    }
    EXPECT_EQ(withoutStatistics, 1);
    EXPECT_EQ(read, (3240130u + 4u) * 512);
    EXPECT_EQ(written, (1111208u + 6u) * 512);
}

TEST(LinuxSourcesTest, InterfacesCarryFlagsFromSysfs)
{
    FakeTree tree;
    tree.write("proc/net/dev", fixture("net_dev"));
    tree.write("sys/class/net/lo/flags", "0x9\n");
    tree.write("sys/class/net/eth0/flags", "0x1003\n");
    tree.write("sys/class/net/wlan0/flags", "0x1002\n"); // down
    tree.write("sys/class/net/docker0/flags", "garbage\n");
    const auto records = LinuxNetworkInterfaceSource(tree.root()).read();
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 4u);
    EXPECT_EQ((*records)[0].flags, 0x9u);
    EXPECT_EQ((*records)[1].flags, 0x1003u);
    EXPECT_EQ((*records)[1].inBytes, 52302688u);
    EXPECT_EQ((*records)[2].flags & InterfaceRecord::flagUp, 0u);
    EXPECT_EQ((*records)[3].flags, 0u); // unreadable flags: never counted
}

TEST(LinuxSourcesTest, OnlyInterfacesWithADeviceLinkArePhysicalAndNoClassFolderIsAbsent)
{
    FakeTree tree;
    tree.write("proc/net/dev", fixture("net_dev"));
    const auto withoutSys = LinuxNetworkInterfaceSource(tree.root()).read();
    EXPECT_FALSE(withoutSys) << "no /sys/class/net must not read as zero traffic";

    tree.write("sys/class/net/lo/flags", "0x9\n");
    tree.write("sys/class/net/eth0/flags", "0x1003\n");
    tree.mkdir("devices/pci0/eth0");
    tree.symlink("../../../../devices/pci0/eth0", "sys/class/net/eth0/device");
    tree.write("sys/class/net/docker0/flags", "0x1003\n"); // a bridge: up, no device
    const auto records = LinuxNetworkInterfaceSource(tree.root()).read();
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 4u);
    EXPECT_TRUE((*records)[1].physical);
    EXPECT_EQ((*records)[3].name, "docker0");
    EXPECT_FALSE((*records)[3].physical);
    EXPECT_FALSE(NetworkSampler::isCounted((*records)[3]));
    EXPECT_TRUE(NetworkSampler::isCounted((*records)[1]));
}

// Against this machine's procfs, where stat files stay open between ticks:
// a kept file gives fresh times, an ended process reads as gone, and no
// file stays open for it.
TEST(LinuxProcessTableLiveTest, KeptStatFilesReadFreshTimesAndCloseWithTheirProcess)
{
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = openFiles();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pause();
        _exit(0);
    }
    {
        LinuxProcessTableSource source("/");
        std::vector<std::int32_t> ids(65536);
        ASSERT_TRUE(source.listProcessIds(ids));
        const std::optional<ProcessTimes> first = source.times(getpid());
        ASSERT_TRUE(first && source.times(child));
        // Work until this thread has had 300 ms of CPU, however busy the
        // machine is; the wall-clock limit only keeps a broken clock from
        // hanging the suite.
        const auto threadCpu = [] {
            timespec now {};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
        };
        const auto cpuStart = threadCpu();
        const auto wallStart = std::chrono::steady_clock::now();
        while (threadCpu() - cpuStart < std::chrono::milliseconds(300)
               && std::chrono::steady_clock::now() - wallStart < std::chrono::seconds(60)) {
        }
        ASSERT_TRUE(source.listProcessIds(ids));
        const std::optional<ProcessTimes> second = source.times(getpid());
        ASSERT_TRUE(second);
        // The kernel counts in clock ticks; 100 ms of slack covers their rounding.
        EXPECT_GE(second->cpuNanoseconds, first->cpuNanoseconds + 200'000'000ULL) << "300 ms of work shows";

        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        EXPECT_FALSE(source.times(child)) << "an ended process is gone, not its last times";
        EXPECT_LE(openFiles(), before + 1);
    }
    EXPECT_EQ(openFiles(), before);
}

class LinuxProcessTableTest : public ::testing::Test {
protected:
    void addProcess(int pid, std::string_view stat) { tree.write("proc/" + std::to_string(pid) + "/stat", stat); }
    FakeTree tree;
    LinuxProcessTableSource source { tree.root(), 100 };
};

TEST_F(LinuxProcessTableTest, ListsNumericFoldersAndReportsOverflow)
{
    addProcess(1, "1 (init) S 0 1 1 0 -1 0 0 0 0 0 10 5 0 0 20 0 1 0 7 0 0");
    addProcess(42, "42 (a b) S 1 1 1 0 -1 0 0 0 0 0 250 50 0 0 20 0 1 0 99 0 0");
    tree.mkdir("proc/self");
    tree.mkdir("proc/sys");
    tree.write("proc/uptime", "1 2");
    std::int32_t ids[1] = {};
    EXPECT_EQ(source.listProcessIds(ids), 2u); // more than fit: the caller grows its buffer
    std::int32_t all[8] = {};
    ASSERT_EQ(source.listProcessIds(all), 2u);
    EXPECT_EQ(std::set<std::int32_t>(all, all + 2), (std::set<std::int32_t> { 1, 42 }));

    const auto times = source.times(42);
    ASSERT_TRUE(times);
    EXPECT_EQ(times->cpuNanoseconds, 300u * 10'000'000u); // 300 ticks of 10 ms
    EXPECT_EQ(times->start, 99u);
}

TEST_F(LinuxProcessTableTest, VanishedGarbledAndHugeProcessesAreUnreadable)
{
    EXPECT_FALSE(source.times(77)); // listed, then gone
    addProcess(78, "78 (x) S 1");
    EXPECT_FALSE(source.times(78));
    addProcess(79, "79 (x) S 1 1 1 0 -1 0 0 0 0 0 18446744073709551615 1 0 0 20 0 1 0 99 0 0");
    EXPECT_FALSE(source.times(79)); // user + system overflows
    addProcess(80, "");
    EXPECT_FALSE(source.times(80));
}

TEST_F(LinuxProcessTableTest, NamesFromExeThenComm)
{
    tree.symlink("/usr/lib/firefox/firefox (deleted)", "proc/5/exe");
    tree.write("proc/5/comm", "firefox\n");
    tree.write("proc/6/comm", "kthreadd\n");
    EXPECT_EQ(source.executablePath(5), "/usr/lib/firefox/firefox");
    EXPECT_EQ(source.executablePath(6), "");
    EXPECT_EQ(source.shortName(6), "kthreadd");
    EXPECT_EQ(source.shortName(7), "");

    tree.write("proc/5/cmdline", std::string("/usr/bin/python3\0-m\0http.server\0", 32));
    EXPECT_EQ(source.arguments(5), (std::vector<std::string> { "/usr/bin/python3", "-m", "http.server" }));
    EXPECT_TRUE(source.arguments(6).empty()); // a kernel thread has no command line
}

} // namespace
} // namespace voltmere
