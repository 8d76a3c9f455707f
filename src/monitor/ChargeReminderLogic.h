#pragma once

#include "model/BatteryReading.h"
#include "model/Snapshot.h"

#include <optional>

namespace voltmere {

// The charge reminder: one notification when the plugged-in battery reaches
// the user's target after having been seen below it during the same plug-in
// period. It never limits charging. A plain value; the Monitor holds one and
// re-evaluates it whenever a battery reading is applied.
struct ChargeReminderLogic {
    // What the reminder is doing now, for display. `delivered` carries the
    // time the notification was sent; two statuses are equal when their kinds
    // are and, for `delivered`, their times are too.
    class Status {
    public:
        enum class Kind { delivered, off, waitingForPower, armed, aboveTargetAtPlugIn, noBatteryReading };

        static Status delivered(Timestamp at) { return Status(Kind::delivered, at); }
        static constexpr Status off() { return Status(Kind::off); }
        static constexpr Status waitingForPower() { return Status(Kind::waitingForPower); }
        static constexpr Status armed() { return Status(Kind::armed); }
        static constexpr Status aboveTargetAtPlugIn() { return Status(Kind::aboveTargetAtPlugIn); }
        static constexpr Status noBatteryReading() { return Status(Kind::noBatteryReading); }

        constexpr Kind kind() const { return m_kind; }
        // When the notification was sent; absent unless the kind is `delivered`.
        std::optional<Timestamp> deliveredAt() const
        {
            return m_kind == Kind::delivered ? std::optional<Timestamp>(m_at) : std::nullopt;
        }

        bool operator==(const Status &other) const
        {
            return m_kind == other.m_kind && (m_kind != Kind::delivered || m_at == other.m_at);
        }

    private:
        constexpr explicit Status(Kind kind, Timestamp at = 0)
            : m_kind(kind)
            , m_at(at)
        {
        }
        Kind m_kind;
        Timestamp m_at;
    };

    Status status = Status::off();
    bool sawBelowTarget = false; // seen below the target while plugged in since the last reset
    bool fired = false; // this plug-in period's notification has been sent
    std::optional<int> lastTarget; // the target the two flags refer to
    // When this period's notification was sent (set with `fired`), so that a
    // reading after a gap shows `delivered` again instead of the gap's status.
    std::optional<Timestamp> firedAt;

    bool operator==(const ChargeReminderLogic &) const = default;

    // One evaluation against the present inputs. Returns true when the
    // notification became due in this pass (the caller sends it, once).
    // `target` is the preference in percent; only the battery's level and
    // isPluggedIn are read.
    bool evaluate(bool enabled, int target, const std::optional<BatteryReading> &battery, Timestamp now);
};

} // namespace voltmere
