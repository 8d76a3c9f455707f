// Moves the wall clock of any program it is preloaded into by
// VOLTMERE_CLOCK_SHIFT seconds (LD_PRELOAD), leaving the monotonic clocks
// alone: a machine whose clock is wrong, as after a reset RTC, for the tests
// and scripts/storage-drills that run the real program.

#include <dlfcn.h>
#include <time.h>

#include <cstdlib>
#include <cstring>

namespace {

long shiftSeconds()
{
    static const long shift = [] {
        const char *text = std::getenv("VOLTMERE_CLOCK_SHIFT");
        return text ? std::strtol(text, nullptr, 10) : 0L;
    }();
    return shift;
}

using ClockGetTime = int (*)(clockid_t, timespec *);

ClockGetTime realClockGetTime()
{
    static const ClockGetTime real = [] {
        void *symbol = dlsym(RTLD_NEXT, "clock_gettime");
        ClockGetTime function = nullptr;
        static_assert(sizeof function == sizeof symbol);
        std::memcpy(&function, &symbol, sizeof function);
        return function;
    }();
    return real;
}

} // namespace

// Every wall-clock reading of the program and its libraries (std::chrono,
// QDateTime) comes through here.
extern "C" int clock_gettime(clockid_t clock, timespec *time) noexcept
{
    const int result = realClockGetTime()(clock, time);
    if (result == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE)) {
        time->tv_sec += shiftSeconds();
    }
    return result;
}
