#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

namespace voltmere {

// Places inside the Overview that navigation can scroll to.
enum class OverviewAnchor { cpu, memory, swap, disk, network, processes, temperatures };

inline constexpr std::array allOverviewAnchors{OverviewAnchor::cpu,  OverviewAnchor::memory,
                                               OverviewAnchor::swap, OverviewAnchor::disk,
                                               OverviewAnchor::network, OverviewAnchor::processes,
                                               OverviewAnchor::temperatures};

std::optional<OverviewAnchor> overviewAnchorFromRaw(std::string_view raw);
QString rawValue(OverviewAnchor anchor);

} // namespace voltmere
