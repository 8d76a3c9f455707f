#include "platform/linux/ProcText.h"
#include "FakeTree.h"

#include <gtest/gtest.h>

#include <vector>

namespace voltmere {
namespace {

using namespace proctext;

std::string fixture(const char *name)
{
    return test::readFixture(std::string("proc/") + name);
}

TEST(ProcTextTest, NumbersRejectSignsGarbageAndOverflow)
{
    EXPECT_EQ(parseUnsigned("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(parseUnsigned("18446744073709551616"));
    EXPECT_FALSE(parseUnsigned("-1"));
    EXPECT_FALSE(parseUnsigned("+1"));
    EXPECT_FALSE(parseUnsigned("12ab"));
    EXPECT_FALSE(parseUnsigned(""));
    EXPECT_EQ(parseSigned("-42"), -42);
    EXPECT_FALSE(parseSigned("4.2"));
}

TEST(ProcTextTest, CPUTicksFoldKernelCategories)
{
    const auto ticks = parseCPUTicks(fixture("stat"));
    ASSERT_TRUE(ticks);
    EXPECT_EQ(ticks->user, 49069u);
    EXPECT_EQ(ticks->nice, 120u);
    EXPECT_EQ(ticks->system, 11418u + 7 + 72 + 59);
    EXPECT_EQ(ticks->idle, 1239354u + 445);
    // Old kernels end after idle.
    EXPECT_EQ(parseCPUTicks("cpu 1 2 3 4\n")->idle, 4u);
}

TEST(ProcTextTest, BrokenCPULineIsAbsent)
{
    EXPECT_FALSE(parseCPUTicks(""));
    EXPECT_FALSE(parseCPUTicks("cpu 1 2 3\n")); // truncated
    EXPECT_FALSE(parseCPUTicks("cpu 1 -2 3 4 5\n")); // negative
    EXPECT_FALSE(parseCPUTicks("cpu 1 2 x 4 5\n")); // garbled
    EXPECT_FALSE(parseCPUTicks("cpu0 1 2 3 4 5\n")); // not the aggregate line
    EXPECT_FALSE(parseCPUTicks("cpu 1 2 3 99999999999999999999999\n"));
}

TEST(ProcTextTest, MeminfoInBytesAndBrokenLinesAbsent)
{
    MemoryCounters counters;
    parseMeminfo(fixture("meminfo"), counters);
    EXPECT_EQ(counters.totalBytes, 16318480ULL * 1024);
    EXPECT_EQ(counters.availableBytes, 4079620ULL * 1024);
    EXPECT_EQ(counters.swapTotalBytes, 2097148ULL * 1024);
    EXPECT_EQ(counters.swapFreeBytes, 1572860ULL * 1024);

    MemoryCounters broken;
    parseMeminfo("MemTotal: 18014398509481984 kB\nMemAvailable: -5 kB\nSwapTotal: 12 MB\nSwapFree:", broken);
    EXPECT_FALSE(broken.totalBytes); // would overflow in bytes
    EXPECT_FALSE(broken.availableBytes);
    EXPECT_FALSE(broken.swapTotalBytes);
    EXPECT_FALSE(broken.swapFreeBytes);
}

TEST(ProcTextTest, MemoryPressureAvg10)
{
    MemoryCounters counters;
    parseMemoryPressure(
        "some avg10=12.50 avg60=1.00 avg300=0.00 total=5\nfull avg10=3.25 avg60=0 avg300=0 total=1", counters);
    EXPECT_EQ(counters.stallSomePercent, 12.5);
    EXPECT_EQ(counters.stallFullPercent, 3.25);
    MemoryCounters garbled;
    parseMemoryPressure("some avg10=abc\nfull avg10=250.0\n", garbled);
    EXPECT_FALSE(garbled.stallSomePercent);
    EXPECT_FALSE(garbled.stallFullPercent);
}

TEST(ProcTextTest, DiskstatsSkipsShortAndGarbledLines)
{
    std::vector<std::string> names;
    std::uint64_t nvmeRead = 0;
    forEachDiskstatsLine(fixture("diskstats") + "   8 16 sdb 1 2 x 4 5 6 7\n   8 32 sdc 1 2\n",
        [&](std::string_view name, std::uint64_t read, std::uint64_t) {
            names.emplace_back(name);
            if (name == "nvme0n1") {
                nvmeRead = read;
            }
        });
    EXPECT_EQ(names, (std::vector<std::string> { "loop0", "nvme0n1", "nvme0n1p1", "sda", "dm-0" }));
    EXPECT_EQ(nvmeRead, 3240130u);
}

TEST(ProcTextTest, NetDevSkipsHeadersAndBrokenLines)
{
    std::vector<std::string> names;
    std::uint64_t ethIn = 0, ethOut = 0;
    forEachNetDevLine(fixture("net_dev") + "  bad: 1 2 3\n weird: x 0 0 0 0 0 0 0 5\n",
        [&](std::string_view name, std::uint64_t in, std::uint64_t out) {
            names.emplace_back(name);
            if (name == "eth0") {
                ethIn = in;
                ethOut = out;
            }
        });
    EXPECT_EQ(names, (std::vector<std::string> { "lo", "eth0", "wlan0", "docker0" }));
    EXPECT_EQ(ethIn, 52302688u);
    EXPECT_EQ(ethOut, 56045u);
}

TEST(ProcTextTest, PidStatWithParenthesesInNameAndTruncation)
{
    const std::string stat = fixture("pid_stat");
    const auto parsed = parsePidStat(stat);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->userTicks, 250u);
    EXPECT_EQ(parsed->systemTicks, 50u);
    EXPECT_EQ(parsed->startTicks, 123456u);
    EXPECT_FALSE(parsePidStat(stat.substr(0, 60)));
    EXPECT_FALSE(parsePidStat("4242 no parentheses 1 2 3"));
    EXPECT_FALSE(parsePidStat("1 (x) S 1 1 1 0 -1 0 0 0 0 0 -5 0 0 0 20 0 1 0 99"));
}

} // namespace
} // namespace voltmere
