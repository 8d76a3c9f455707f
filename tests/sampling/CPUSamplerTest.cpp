#include "sampling/CPUSampler.h"

#include <gtest/gtest.h>

#include <deque>

namespace voltmere {
namespace {

class ScriptedTicks final : public CPUTickSource {
public:
    explicit ScriptedTicks(std::deque<std::optional<CPUTicks>> *script)
        : m_script(script)
    {
    }
    std::optional<CPUTicks> read() override
    {
        auto next = m_script->front();
        m_script->pop_front();
        return next;
    }

private:
    std::deque<std::optional<CPUTicks>> *m_script;
};

class CPUSamplerTest : public ::testing::Test {
protected:
    std::deque<std::optional<CPUTicks>> script;
    CPUSampler sampler { std::make_unique<ScriptedTicks>(&script) };
};

TEST_F(CPUSamplerTest, FirstCallSetsBaselineThenNiceCountsAsUserAndBusy)
{
    script = { CPUTicks { 1000, 500, 8000, 100 }, CPUTicks { 1030, 510, 8050, 110 } };
    EXPECT_FALSE(sampler.sample());
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->busy, 50);
    EXPECT_DOUBLE_EQ(reading->user, 40);
    EXPECT_DOUBLE_EQ(reading->system, 10);
}

TEST_F(CPUSamplerTest, WrappedCounterGivesSmallDifference)
{
    const std::uint64_t nearTop = UINT64_MAX - 5; // six ticks below the wrap
    script = { CPUTicks { nearTop, 0, 0, 0 }, CPUTicks { 6, 0, 12, 0 } };
    sampler.sample();
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_EQ(CPUSampler::tickDelta(nearTop, 6), 12u);
    EXPECT_DOUBLE_EQ(reading->busy, 50); // 12 user of 24
}

// A CPU going offline drops its idle time from the summed line; counted as
// zero idle that tick read as 100 % busy, an almost full wrap as ~0 %.
TEST_F(CPUSamplerTest, CounterSteppingBackIsAbsentNotFullyBusyAndTheNextTickMeasuresAgain)
{
    script = { CPUTicks { 100, 100, 1000, 0 }, CPUTicks { 150, 150, 990, 0 }, CPUTicks { 160, 150, 1020, 0 } };
    sampler.sample();
    EXPECT_FALSE(sampler.sample());
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->busy, 25); // 10 of 40 ticks, against the stepped-back baseline
}

TEST_F(CPUSamplerTest, NoElapsedTicksIsAbsentAndReplacesBaseline)
{
    script = { CPUTicks { 10, 10, 10, 10 }, CPUTicks { 10, 10, 10, 10 }, CPUTicks { 20, 10, 10, 10 } };
    sampler.sample();
    EXPECT_FALSE(sampler.sample());
    const auto reading = sampler.sample();
    ASSERT_TRUE(reading);
    EXPECT_DOUBLE_EQ(reading->user, 100);
}

TEST_F(CPUSamplerTest, FailedReadKeepsBaselineAndResetForgetsIt)
{
    script = { CPUTicks { 0, 0, 0, 0 }, std::nullopt, CPUTicks { 0, 10, 10, 0 }, CPUTicks { 0, 20, 20, 0 } };
    sampler.sample();
    EXPECT_FALSE(sampler.sample());
    EXPECT_TRUE(sampler.sample()); // measured against the first reading
    sampler.resetBaseline();
    EXPECT_FALSE(sampler.sample());
}

} // namespace
} // namespace voltmere
