#pragma once

#include "model/DashboardSection.h"
#include "model/OverviewAnchor.h"

#include <QString>

#include <optional>

namespace voltmere {

// The one plain-language observation the program volunteers, and where the
// dashboard should open when the user acts on it.
struct Insight {
    enum class Severity { info, attention };

    QString text;
    Severity severity = Severity::info;
    DashboardSection section = DashboardSection::overview;
    std::optional<OverviewAnchor> anchor; // absent for insights that open Battery

    bool operator==(const Insight &) const = default;
};

} // namespace voltmere
