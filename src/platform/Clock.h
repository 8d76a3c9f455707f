#pragma once

#include "model/Snapshot.h"

#include <cstdint>

namespace voltmere {

// Every "now" in the program comes from a Clock so tests can step time.
// Both readings are safe to take from any thread.
class Clock {
public:
    virtual ~Clock() = default;

    // Wall-clock time, seconds since 1970.
    virtual Timestamp now() const = 0;
    // The awake clock: monotonic nanoseconds that do not advance while the
    // machine sleeps. Tick intervals, rates and self usage are measured on it.
    virtual std::uint64_t awakeNanoseconds() const = 0;

    // The machine's clocks (implemented by the platform backend).
    static const Clock &system();
};

} // namespace voltmere
