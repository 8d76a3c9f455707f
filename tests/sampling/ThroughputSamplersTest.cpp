#include "FakeClock.h"
#include "sampling/DiskSampler.h"
#include "sampling/NetworkSampler.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;

class FakeDevices final : public BlockDeviceSource {
public:
    explicit FakeDevices(std::optional<std::vector<std::optional<BlockDeviceStatistics>>> *devices)
        : m_devices(devices)
    {
    }
    std::optional<std::vector<std::optional<BlockDeviceStatistics>>> read() override { return *m_devices; }

private:
    std::optional<std::vector<std::optional<BlockDeviceStatistics>>> *m_devices;
};

class FakeInterfaces final : public NetworkInterfaceSource {
public:
    explicit FakeInterfaces(std::optional<std::vector<InterfaceRecord>> *records)
        : m_records(records)
    {
    }
    std::optional<std::vector<InterfaceRecord>> read() override { return *m_records; }

private:
    std::optional<std::vector<InterfaceRecord>> *m_records;
};

constexpr std::uint32_t up = InterfaceRecord::flagUp;

class DiskSamplerTest : public ::testing::Test {
protected:
    void setDisks(std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> disks)
    {
        devices.emplace();
        for (const auto &[read, written] : disks) {
            devices->push_back(BlockDeviceStatistics { read, written });
        }
    }

    FakeClock clock;
    std::optional<std::vector<std::optional<BlockDeviceStatistics>>> devices;
    DiskSampler sampler { std::make_unique<FakeDevices>(&devices), clock };
};

TEST_F(DiskSamplerTest, RateOverTwoDisks)
{
    setDisks({ { 1000, 0 }, { 3000, 100 } });
    EXPECT_FALSE(sampler.sample());
    clock.advance(2);
    setDisks({ { 1500, 0 }, { 3500, 300 } });
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 500);
    EXPECT_DOUBLE_EQ(reading->write, 100);
}

TEST_F(DiskSamplerTest, CounterDropGivesOneAbsentThenMeasuresAgain)
{
    setDisks({ { 5000, 5000 } });
    sampler.sample();
    clock.advance(1);
    setDisks({ { 100, 6000 } }); // the disk was replaced
    EXPECT_FALSE(sampler.sample());
    clock.advance(1);
    setDisks({ { 300, 6500 } });
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 200);
    EXPECT_DOUBLE_EQ(reading->write, 500);
}

TEST_F(DiskSamplerTest, WrappingSumStillMeasuresWhenSumGrows)
{
    setDisks({ { UINT64_MAX - 10, 0 }, { 20, 0 } }); // the sum wraps to 9
    sampler.sample();
    clock.advance(1);
    setDisks({ { UINT64_MAX - 10, 0 }, { 30, 0 } });
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 10);
}

TEST_F(DiskSamplerTest, NoStatisticsNeverSetsABaseline)
{
    devices.emplace(std::vector<std::optional<BlockDeviceStatistics>> { std::nullopt, std::nullopt });
    EXPECT_FALSE(sampler.sample());
    clock.advance(1);
    EXPECT_FALSE(sampler.sample());
    devices.reset(); // unlistable
    EXPECT_FALSE(sampler.sample());
    devices.emplace(std::vector<std::optional<BlockDeviceStatistics>> {
        BlockDeviceStatistics { 10, std::nullopt }, BlockDeviceStatistics { std::nullopt, 10 } });
    clock.advance(1);
    EXPECT_FALSE(sampler.sample()); // the first real figures are only a baseline
    // A missing counter adds nothing instead of hiding the other one.
    devices.emplace(std::vector<std::optional<BlockDeviceStatistics>> {
        BlockDeviceStatistics { 20, std::nullopt }, BlockDeviceStatistics { std::nullopt, 30 } });
    clock.advance(1);
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 10);
    EXPECT_DOUBLE_EQ(reading->write, 20);
}

TEST_F(DiskSamplerTest, SameAwakeTimeIsAbsentAndOverwritesBaseline)
{
    setDisks({ { 0, 0 } });
    sampler.sample();
    setDisks({ { 100, 100 } });
    EXPECT_FALSE(sampler.sample());
    clock.advance(1);
    setDisks({ { 150, 100 } });
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 50);
    sampler.resetBaseline();
    clock.advance(1);
    EXPECT_FALSE(sampler.sample());
}

// A USB disk plugged in between ticks brings its whole history along.
TEST_F(DiskSamplerTest, ADiskAttachedBetweenTicksAddsNothingInItsFirstTick)
{
    devices.emplace(std::vector<std::optional<BlockDeviceStatistics>> { BlockDeviceStatistics { 1000, 0, "sda" } });
    sampler.sample();
    clock.advance(1);
    devices.emplace(std::vector<std::optional<BlockDeviceStatistics>> {
        BlockDeviceStatistics { 1100, 0, "sda" }, BlockDeviceStatistics { 1u << 30, 1u << 30, "sdb" } });
    auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 100);
    EXPECT_DOUBLE_EQ(reading->write, 0);
    clock.advance(1);
    devices.emplace(std::vector<std::optional<BlockDeviceStatistics>> {
        BlockDeviceStatistics { 1100, 0, "sda" }, BlockDeviceStatistics { (1u << 30) + 50, 1u << 30, "sdb" } });
    reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->read, 50);
}

class NetworkSamplerTest : public ::testing::Test {
protected:
    FakeClock clock;
    std::optional<std::vector<InterfaceRecord>> records;
    NetworkSampler sampler { std::make_unique<FakeInterfaces>(&records), clock };
};

TEST_F(NetworkSamplerTest, CountsOnlyUpNonLoopbackInterfacesWithoutExcludedPrefixes)
{
    const auto table = [](std::uint64_t bytes) {
        return std::vector<InterfaceRecord> {
            { "lo0", up | InterfaceRecord::flagLoopback, bytes, bytes }, { "utun0", up, bytes, bytes },
            { "awdl0", up, bytes, 2 * bytes }, { "en0", up, 2 * bytes, bytes }, { "en1", 0, bytes, bytes }, // down
            { "eth0", up | InterfaceRecord::flagLoopback, bytes, bytes }, { "bridge100", up, bytes, bytes },
            { "", up, bytes, 0 }, // nameless interfaces pass the name test
        };
    };
    records = table(1000);
    EXPECT_FALSE(sampler.sample());
    clock.advance(1);
    records = table(2000);
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->inRate, 1000 + 2000 + 1000);
    EXPECT_DOUBLE_EQ(reading->outRate, 2000 + 1000);
}

TEST_F(NetworkSamplerTest, EveryExcludedPrefixIsSkipped)
{
    for (const std::string_view prefix : NetworkSampler::excludedPrefixes) {
        EXPECT_FALSE(NetworkSampler::isCounted({ std::string(prefix) + "7", up, 0, 0 })) << prefix;
    }
    EXPECT_TRUE(NetworkSampler::isCounted({ "wlan0", up, 0, 0 }));
    EXPECT_TRUE(NetworkSampler::isCounted({ "Lo0", up, 0, 0 })); // case-sensitive
}

TEST_F(NetworkSamplerTest, UnreadableTableKeepsBaselineAndVanishedInterfaceRestarts)
{
    records = std::vector<InterfaceRecord> { { "eth0", up, 100, 100 }, { "wlan0", up, 100, 100 } };
    sampler.sample();
    records.reset();
    clock.advance(1);
    EXPECT_FALSE(sampler.sample());
    records = std::vector<InterfaceRecord> { { "eth0", up, 300, 100 }, { "wlan0", up, 100, 100 } };
    clock.advance(1);
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->inRate, 100); // 200 bytes over the two seconds since the kept baseline
    records = std::vector<InterfaceRecord> { { "eth0", up, 300, 100 } }; // wlan0 went away
    clock.advance(1);
    EXPECT_FALSE(sampler.sample());
    clock.advance(1);
    EXPECT_TRUE(sampler.sample());
}

// 256 MiB through a bridge and its veth port used to read as twice that:
// only interfaces backed by hardware count, whatever their name.
TEST_F(NetworkSamplerTest, TrafficThroughBridgesAndVirtualLinksIsCountedOnce)
{
    const auto table = [](std::uint64_t bytes) {
        std::vector<InterfaceRecord> all { { "enp3s0", up, bytes, bytes } };
        for (const char *name : { "docker0", "virbr0", "br-1a2b", "veth9f3", "tun0", "wg0" }) {
            all.push_back({ name, up, bytes, bytes, false });
        }
        return all;
    };
    records = table(0);
    sampler.sample();
    clock.advance(1);
    records = table(256u << 20);
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->inRate, 256u << 20);
    EXPECT_DOUBLE_EQ(reading->outRate, 256u << 20);
}

// wlan0 holding 10 GB from earlier connections comes up without traffic.
TEST_F(NetworkSamplerTest, AnInterfaceComingUpAddsNothingInItsFirstTick)
{
    const std::uint64_t history = 10'000'000'000ULL;
    records = std::vector<InterfaceRecord> { { "eth0", up, 1000, 0 }, { "wlan0", 0, history, history } };
    sampler.sample();
    clock.advance(2);
    records = std::vector<InterfaceRecord> { { "eth0", up, 3000, 0 }, { "wlan0", up, history, history } };
    auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->inRate, 1000);
    EXPECT_DOUBLE_EQ(reading->outRate, 0);
    clock.advance(1);
    records = std::vector<InterfaceRecord> { { "eth0", up, 3000, 0 }, { "wlan0", up, history + 700, history } };
    reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->inRate, 700);
}

} // namespace
} // namespace voltmere
