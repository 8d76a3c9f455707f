#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace voltmere {

namespace {

class LinuxClock final : public Clock {
public:
    Timestamp now() const override
    {
        using namespace std::chrono;
        return duration<double>(system_clock::now().time_since_epoch()).count();
    }

    // CLOCK_MONOTONIC stops while the machine is suspended (unlike
    // CLOCK_BOOTTIME), which is exactly the awake clock the gap detection needs.
    std::uint64_t awakeNanoseconds() const override
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000ULL + static_cast<std::uint64_t>(ts.tv_nsec);
    }
};

} // namespace

const Clock &Clock::system()
{
    static const LinuxClock clock;
    return clock;
}

} // namespace voltmere
