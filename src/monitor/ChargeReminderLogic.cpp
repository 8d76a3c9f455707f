#include "monitor/ChargeReminderLogic.h"

namespace voltmere {

namespace {

// After the notification went out, the status stays `delivered` while the
// adapter stays connected. A reading gap in between shows
// noBatteryReading; the next reading must not leave that standing, since
// the level is reported again.
void keepDelivered(ChargeReminderLogic &r)
{
    if (r.firedAt && r.status.kind() != ChargeReminderLogic::Status::Kind::delivered) {
        r.status = ChargeReminderLogic::Status::delivered(*r.firedAt);
    }
}

} // namespace

bool ChargeReminderLogic::evaluate(
    bool enabled, int target, const std::optional<BatteryReading> &battery, Timestamp now)
{
    // The flags always describe the present target: a new target starts a
    // new period and is evaluated in this same pass.
    if (lastTarget != target) {
        lastTarget = target;
        fired = false;
        firedAt.reset();
        sawBelowTarget = false;
    }
    if (!enabled) {
        status = Status::off();
        sawBelowTarget = false;
        fired = false;
        firedAt.reset();
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
        firedAt.reset();
        return false;
    }
    const int level = *battery->level;
    if (level < target) {
        sawBelowTarget = true;
        if (!fired) {
            status = Status::armed();
        } else {
            keepDelivered(*this);
        }
        return false;
    }
    if (sawBelowTarget && !fired) {
        fired = true;
        firedAt = now;
        status = Status::delivered(now);
        return true;
    }
    if (!fired) {
        status = Status::aboveTargetAtPlugIn();
    } else {
        keepDelivered(*this);
    }
    return false;
}

} // namespace voltmere
