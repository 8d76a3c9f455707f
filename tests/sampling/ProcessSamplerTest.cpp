#include "sampling/ProcessSampler.h"
#include "FakeClock.h"

#include <gtest/gtest.h>

#include <map>

namespace voltmere {
namespace {

using test::FakeClock;

struct FakeProcess {
    std::uint64_t start = 1;
    std::uint64_t cpu = 0; // nanoseconds
    std::string path;
    std::string shortName;
    bool readable = true;
    std::vector<std::string> arguments {};
};

class FakeProcessTable final : public ProcessTableSource {
public:
    std::optional<std::size_t> listProcessIds(std::span<std::int32_t> ids) override
    {
        ++listings;
        if (failListing) {
            return std::nullopt;
        }
        std::size_t index = 0;
        for (const auto &[pid, process] : processes) {
            if (index < ids.size()) {
                ids[index] = pid;
            }
            ++index;
        }
        // A process that exits right after being listed.
        for (const std::int32_t pid : vanishAfterListing) {
            processes.erase(pid);
        }
        return index;
    }
    std::optional<ProcessTimes> times(std::int32_t pid) override
    {
        const auto it = processes.find(pid);
        if (it == processes.end() || !it->second.readable) {
            return std::nullopt;
        }
        return ProcessTimes { it->second.start, it->second.cpu };
    }
    std::string executablePath(std::int32_t pid) override
    {
        ++nameLookups;
        return processes.count(pid) ? processes[pid].path : std::string();
    }
    std::string shortName(std::int32_t pid) override { return processes.count(pid) ? processes[pid].shortName : ""; }
    std::vector<std::string> arguments(std::int32_t pid) override
    {
        ++argumentReads;
        return processes.count(pid) ? processes[pid].arguments : std::vector<std::string>();
    }

    std::map<std::int32_t, FakeProcess> processes;
    std::vector<std::int32_t> vanishAfterListing;
    bool failListing = false;
    int listings = 0;
    int nameLookups = 0;
    int argumentReads = 0;
};

constexpr std::uint64_t second = 1'000'000'000ULL;

class ProcessSamplerTest : public ::testing::Test {
protected:
    ProcessSamplerTest()
    {
        auto source = std::make_unique<FakeProcessTable>();
        table = source.get();
        sampler = std::make_unique<ProcessSampler>(std::move(source), clock, cores);
    }
    // Advances one second and gives each named process `percent` of a core.
    void run(const std::map<std::int32_t, double> &percents)
    {
        clock.advance(1);
        for (const auto &[pid, percent] : percents) {
            table->processes[pid].cpu += static_cast<std::uint64_t>(percent / 100.0 * second);
        }
    }

    static constexpr double cores = 4;
    FakeClock clock;
    FakeProcessTable *table = nullptr;
    std::unique_ptr<ProcessSampler> sampler;
};

TEST_F(ProcessSamplerTest, FirstCallOnlySetsBaselinesThenListsAboveFloor)
{
    table->processes[10] = { 1, 0, "/usr/bin/idle", "idle" };
    table->processes[11] = { 1, 0, "/usr/bin/edge", "edge" };
    table->processes[12] = { 1, 0, "/usr/bin/busy", "busy" };
    EXPECT_FALSE(sampler->sample(10));
    run({ { 10, 0.04 }, { 11, 0.05 }, { 12, 150 } });
    const auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->top.size(), 2u);
    EXPECT_EQ(reading->top[0].name, QStringLiteral("busy"));
    EXPECT_NEAR(reading->top[0].cpu, 150, 1e-6);
    EXPECT_EQ(reading->top[1].pid, 11);
    EXPECT_NEAR(reading->measuredCPU, 150.09, 1e-6); // the unlisted 0.04 still counts
    EXPECT_EQ(reading->unreadable, 0);
}

// Garbled tick counts (a counter that jumped) must not put a process at
// 200,100 % on four cores: it is left out of the tick, list and total alike.
TEST_F(ProcessSamplerTest, ASharePastEveryCoreIsDroppedForTheTick)
{
    table->processes[20] = { 1, 0, "/usr/bin/full", "full" };
    table->processes[21] = { 1, 0, "/usr/bin/garbled", "garbled" };
    sampler->sample(10);
    run({ { 20, 400 }, { 21, 200'100 } });
    auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->top.size(), 1u);
    EXPECT_EQ(reading->top[0].name, QStringLiteral("full")); // every core busy is real
    EXPECT_NEAR(reading->measuredCPU, 400, 1e-6);

    // The next tick measures it again from the new baseline.
    run({ { 20, 100 }, { 21, 50 } });
    reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->top.size(), 2u);
}

TEST_F(ProcessSamplerTest, TopTenOfTwelveBusiestFirstAndStableOnTies)
{
    for (std::int32_t pid = 1; pid <= 12; ++pid) {
        table->processes[pid] = { 1, 0, "/bin/p" + std::to_string(pid), "" };
    }
    sampler->sample(10);
    std::map<std::int32_t, double> load;
    for (std::int32_t pid = 1; pid <= 12; ++pid) {
        load[pid] = pid <= 4 ? 5.0 : pid * 10.0; // 1–4 tie at 5 %
    }
    run(load);
    const auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->top.size(), 10u);
    EXPECT_EQ(reading->top.front().pid, 12);
    EXPECT_EQ(reading->top[7].pid, 5);
    EXPECT_EQ(reading->top[8].pid, 1); // ties keep the listing order
    EXPECT_EQ(reading->top[9].pid, 2);
}

TEST_F(ProcessSamplerTest, ReusedPidIsNotComparedAndGetsFreshName)
{
    table->processes[7] = { 100, 50 * second, "/usr/bin/old", "" };
    sampler->sample(10);
    run({ { 7, 50 } });
    EXPECT_EQ(sampler->sample(10)->top.at(0).name, QStringLiteral("old"));
    // pid 7 now belongs to a new process with less CPU time.
    table->processes[7] = { 200, second / 10, "/usr/bin/new", "" };
    clock.advance(1);
    const auto first = sampler->sample(10);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->top.empty());
    EXPECT_DOUBLE_EQ(first->measuredCPU, 0);
    run({ { 7, 30 } });
    const auto second = sampler->sample(10);
    ASSERT_TRUE(second);
    ASSERT_EQ(second->top.size(), 1u);
    EXPECT_EQ(second->top[0].name, QStringLiteral("new"));
    EXPECT_NEAR(second->top[0].cpu, 30, 1e-6);
}

TEST_F(ProcessSamplerTest, NameFallsBackToShortNameThenPid)
{
    table->processes[20] = { 1, 0, "", "kworker/0:1" };
    table->processes[21] = { 1, 0, "", "" };
    table->processes[22] = { 1, 0, "/opt/app/bin/", "app" }; // a path without a file name
    sampler->sample(10);
    run({ { 20, 3 }, { 21, 2 }, { 22, 1 } });
    const auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->top.size(), 3u);
    EXPECT_EQ(reading->top[0].name, QStringLiteral("kworker/0:1"));
    EXPECT_EQ(reading->top[1].name, QStringLiteral("pid 21"));
    EXPECT_EQ(reading->top[2].name, QStringLiteral("app"));
    // Names are looked up once per process instance.
    const int lookups = table->nameLookups;
    run({ { 20, 3 }, { 21, 2 }, { 22, 1 } });
    sampler->sample(10);
    EXPECT_EQ(table->nameLookups, lookups);
}

TEST_F(ProcessSamplerTest, UnreadableAndVanishedProcessesAreCountedNotListed)
{
    table->processes[1] = { 1, 0, "/bin/a", "" };
    table->processes[2] = { 1, 0, "/bin/b", "", false };
    table->processes[3] = { 1, 0, "/bin/c", "" };
    sampler->sample(10);
    run({ { 1, 10 }, { 3, 10 } });
    table->vanishAfterListing = { 3 };
    const auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->unreadable, 2);
    ASSERT_EQ(reading->top.size(), 1u);
    EXPECT_EQ(reading->top[0].pid, 1);
}

TEST_F(ProcessSamplerTest, CachePrunedToLiveProcessesAboveLimit)
{
    // 300 processes each take a turn in the list, filling the cache.
    for (std::int32_t pid = 1; pid <= 300; ++pid) {
        table->processes[pid] = { 1, 0, "/bin/p", "" };
    }
    sampler->sample(10);
    for (std::int32_t round = 0; round < 30; ++round) {
        std::map<std::int32_t, double> load;
        for (std::int32_t pid = round * 10 + 1; pid <= round * 10 + 10; ++pid) {
            load[pid] = 50;
        }
        run(load);
        sampler->sample(10);
    }
    EXPECT_EQ(sampler->nameCacheSize(), 300u); // over the limit, but every entry is still alive
    for (std::int32_t pid = 151; pid <= 300; ++pid) {
        table->processes.erase(pid);
    }
    run({});
    sampler->sample(10);
    EXPECT_EQ(sampler->nameCacheSize(), 150u);
}

TEST_F(ProcessSamplerTest, IdBufferGrowsAndOnlyReturnedIdsAreExamined)
{
    for (std::int32_t pid = 1; pid <= 2100; ++pid) {
        table->processes[pid] = { 1, 0, "/bin/p", "" };
    }
    EXPECT_EQ(sampler->idCapacity(), 2048u);
    sampler->sample(10);
    EXPECT_EQ(sampler->idCapacity(), 2100u + 256u);
    run({ { 2100, 20 } });
    const auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->top.at(0).pid, 2100); // the last process was seen despite the first overflow
    EXPECT_EQ(reading->unreadable, 0); // no stale or zero ids were read
}

TEST_F(ProcessSamplerTest, IdBufferGrowingWithinItsMarginKeepsTheListedIds)
{
    table->processes[1] = { 1, 0, "/bin/busy", "" };
    sampler->sample(10);
    // Fits the 2048 entries, but leaves less than the 64-entry margin.
    for (std::int32_t pid = 2; pid <= 2000; ++pid) {
        table->processes[pid] = { 1, 0, "/bin/p", "" };
    }
    run({ { 1, 30 } });
    const auto reading = sampler->sample(10);
    EXPECT_EQ(sampler->idCapacity(), 2000u + 256u);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->unreadable, 0);
    ASSERT_EQ(reading->top.size(), 1u);
    EXPECT_EQ(reading->top[0].pid, 1);
    EXPECT_NEAR(reading->top[0].cpu, 30, 1e-6);
}

TEST_F(ProcessSamplerTest, FailedListingKeepsBaselinesAndResetForgetsThem)
{
    table->processes[5] = { 1, 0, "/bin/x", "" };
    sampler->sample(10);
    table->failListing = true;
    run({ { 5, 40 } });
    EXPECT_FALSE(sampler->sample(10));
    table->failListing = false;
    run({ { 5, 40 } });
    const auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    EXPECT_NEAR(reading->top.at(0).cpu, 40, 1e-6); // over both seconds since the kept baseline
    sampler->resetBaselines();
    run({ { 5, 40 } });
    EXPECT_FALSE(sampler->sample(10));
}

// Every Python program used to read as "python3.11" and every shell script
// as "bash": the script is the name, read once per process like the rest.
TEST_F(ProcessSamplerTest, InterpretersAreNamedByTheirScriptReadOncePerProcess)
{
    table->processes[10] = { 1, 0, "/usr/bin/python3.11", "python3", true,
        { "/usr/bin/python3", "-u", "-W", "ignore", "/usr/bin/update-manager", "--no-focus" } };
    table->processes[11] = { 1, 0, "/usr/bin/bash", "bash", true, { "bash", "/home/me/bin/backup.sh" } };
    table->processes[12] = { 1, 0, "/usr/bin/python3", "python3", true, { "python3", "-m", "http.server" } };
    table->processes[13] = { 1, 0, "/usr/bin/bash", "bash", true, { "bash", "-c", "sleep 1" } };
    table->processes[14] = { 1, 0, "/usr/bin/pythonic-tool", "pythonic-tool", true, { "pythonic-tool", "x.py" } };
    sampler->sample(10);
    run({ { 10, 50 }, { 11, 40 }, { 12, 30 }, { 13, 20 }, { 14, 10 } });
    auto reading = sampler->sample(10);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->top.size(), 5u);
    EXPECT_EQ(reading->top[0].name, QStringLiteral("update-manager"));
    EXPECT_EQ(reading->top[1].name, QStringLiteral("backup.sh"));
    EXPECT_EQ(reading->top[2].name, QStringLiteral("http.server"));
    EXPECT_EQ(reading->top[3].name, QStringLiteral("bash")); // inline code has no script
    EXPECT_EQ(reading->top[4].name, QStringLiteral("pythonic-tool")); // not an interpreter
    EXPECT_EQ(table->argumentReads, 4);

    run({ { 10, 50 }, { 11, 40 }, { 12, 30 }, { 13, 20 }, { 14, 10 } });
    ASSERT_TRUE(sampler->sample(10));
    EXPECT_EQ(table->argumentReads, 4) << "names are cached: no command line is read again";
}

} // namespace
} // namespace voltmere
