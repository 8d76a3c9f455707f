#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace voltmere {

// Turns per-device cumulative byte counters into two running sums that grow
// device by device, for the rate rule to turn into bytes per second. A device counts only from its second tick: one
// that was absent (or not counted) in the previous tick contributes nothing
// in its first, so an interface that comes up does not add its whole history
// at once. A device that goes away counts like a counter that went back.
//
// Use: begin(), add() once per counted device, finish(). Sampling queue only.
class DeviceDeltas {
public:
    struct Sums {
        std::uint64_t first = 0; // wrap like the counters
        std::uint64_t second = 0;
        // A device present in both ticks went backwards (a reset counter),
        // or one went away: the caller starts a new baseline instead of
        // producing a rate.
        bool wentBack = false;
    };

    void begin();
    void add(std::string_view name, std::uint64_t first, std::uint64_t second);
    // The running sums grown by what the devices present in both ticks added.
    Sums finish();
    // Forgets every device (after a wake).
    void reset();

private:
    struct Entry {
        std::string name;
        std::uint64_t first = 0;
        std::uint64_t second = 0;
    };
    const Entry *previous(std::string_view name);

    // Reused from tick to tick so a steady set of devices allocates nothing.
    std::vector<Entry> m_previous;
    std::vector<Entry> m_current;
    std::size_t m_count = 0;
    std::size_t m_matched = 0; // devices of this tick also seen in the previous one
    Sums m_sums;
};

} // namespace voltmere
