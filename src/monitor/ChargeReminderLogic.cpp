#include "monitor/ChargeReminderLogic.h"

namespace voltmere {

bool ChargeReminderLogic::evaluate(bool enabled, int target, const std::optional<BatteryReading> &battery,
                                   Timestamp now)
{
    // The flags always describe the present target: a new target starts a
    // new period and is evaluated in this same pass.
    if (lastTarget != target) {
        lastTarget = target;
        fired = false;
        sawBelowTarget = false;
    }
    if (!enabled) {
        status = Status::off();
        sawBelowTarget = false;
        fired = false;
        return false;
    }
    // A brief gap in readings keeps the flags, so having been seen below the
    // target is not lost while plugged in.
    if (!battery || !battery->level) {
        status = Status::noBatteryReading();
        return false;
    }
    if (!battery->isPluggedIn) {
        status = Status::waitingForPower();
        sawBelowTarget = false;
        fired = false;
        return false;
    }
    const int level = *battery->level;
    if (level < target) {
        sawBelowTarget = true;
        if (!fired) {
            status = Status::armed();
        }
        return false;
    }
    if (sawBelowTarget && !fired) {
        fired = true;
        status = Status::delivered(now);
        return true;
    }
    if (!fired) {
        status = Status::aboveTargetAtPlugIn();
    }
    return false;
}

} // namespace voltmere
