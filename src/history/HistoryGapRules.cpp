#include "history/HistoryGapRules.h"

#include <algorithm>

namespace voltmere {

namespace {

// The awake clock stops while the machine sleeps: when it advanced by much
// less than the wall clock, the machine was asleep for the difference. A
// clock that went backwards (a restart) proves nothing.
bool awakeClockShowsSleep(double duration, std::optional<double> prevAwake, std::optional<double> awake)
{
    if (!prevAwake || !awake || *prevAwake > *awake || duration <= 0) {
        return false;
    }
    const double missing = duration - (*awake - *prevAwake);
    return missing > std::max(duration * 0.5, 10.0);
}

} // namespace

HistoryGap::Reason classifyGap(double duration, std::optional<double> prevAwake, std::optional<double> awake,
    const std::set<std::string> &eventKinds)
{
    if (awakeClockShowsSleep(duration, prevAwake, awake) || eventKinds.count("sleep") || eventKinds.count("wake")) {
        return HistoryGap::Reason::asleep;
    }
    if (eventKinds.count("start") || eventKinds.count("stop")) {
        return HistoryGap::Reason::notRunning;
    }
    return HistoryGap::Reason::noReadings;
}

} // namespace voltmere
