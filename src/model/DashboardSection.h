#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

namespace voltmere {

enum class DashboardSection { overview, battery, history };

inline constexpr std::array allDashboardSections{DashboardSection::overview, DashboardSection::battery,
                                                 DashboardSection::history};

std::optional<DashboardSection> dashboardSectionFromRaw(std::string_view raw);
QString rawValue(DashboardSection section);

} // namespace voltmere
