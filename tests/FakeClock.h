#pragma once

#include "platform/Clock.h"

#include <atomic>

namespace voltmere::test {

// A clock the test steps by hand. Readable from any thread.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Timestamp start = 1'800'000'000.0, std::uint64_t awake = 1'000'000'000'000ULL)
        : m_now(start)
        , m_awake(awake)
    {
    }

    Timestamp now() const override { return m_now.load(); }
    std::uint64_t awakeNanoseconds() const override { return m_awake.load(); }

    // Moves both clocks, as time passes while the machine is awake.
    void advance(double seconds)
    {
        m_now = m_now.load() + seconds;
        m_awake += static_cast<std::uint64_t>(seconds * 1e9);
    }
    // Moves only the wall clock, as during sleep.
    void sleep(double seconds) { m_now = m_now.load() + seconds; }
    void setNow(Timestamp now) { m_now = now; }

private:
    std::atomic<Timestamp> m_now;
    std::atomic<std::uint64_t> m_awake;
};

} // namespace voltmere::test
