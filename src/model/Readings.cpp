// Raw-value conversions and derived properties of the readings model.

#include "model/BatteryReading.h"
#include "model/ChargingState.h"
#include "model/DashboardSection.h"
#include "model/MemoryPressureLevel.h"
#include "model/OverviewAnchor.h"
#include "model/SensorReading.h"

#include <algorithm>

namespace voltmere {

namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> fromRaw(std::string_view raw, const std::array<std::pair<Enum, const char *>, N> &table)
{
    for (const auto &[value, name] : table) {
        if (raw == name) {
            return value;
        }
    }
    return std::nullopt;
}

template <typename Enum, std::size_t N>
QString toRaw(Enum value, const std::array<std::pair<Enum, const char *>, N> &table)
{
    for (const auto &[candidate, name] : table) {
        if (candidate == value) {
            return QString::fromLatin1(name);
        }
    }
    return {};
}

constexpr std::array<std::pair<ChargingState, const char *>, 4> chargingStates{{
    {ChargingState::charging, "charging"},
    {ChargingState::pluggedNotCharging, "pluggedNotCharging"},
    {ChargingState::fullyCharged, "fullyCharged"},
    {ChargingState::onBattery, "onBattery"},
}};

constexpr std::array<std::pair<DashboardSection, const char *>, 3> sections{{
    {DashboardSection::overview, "overview"},
    {DashboardSection::battery, "battery"},
    {DashboardSection::history, "history"},
}};

constexpr std::array<std::pair<OverviewAnchor, const char *>, 7> anchors{{
    {OverviewAnchor::cpu, "cpu"},
    {OverviewAnchor::memory, "memory"},
    {OverviewAnchor::swap, "swap"},
    {OverviewAnchor::disk, "disk"},
    {OverviewAnchor::network, "network"},
    {OverviewAnchor::processes, "processes"},
    {OverviewAnchor::temperatures, "temperatures"},
}};

} // namespace

std::optional<ChargingState> chargingStateFromRaw(std::string_view raw) { return fromRaw(raw, chargingStates); }
QString rawValue(ChargingState state) { return toRaw(state, chargingStates); }

QString label(ChargingState state)
{
    switch (state) {
    case ChargingState::charging:
        return QStringLiteral("Charging");
    case ChargingState::pluggedNotCharging:
        return QStringLiteral("Plugged in, not charging");
    case ChargingState::fullyCharged:
        return QStringLiteral("Fully charged");
    case ChargingState::onBattery:
        return QStringLiteral("On battery");
    }
    return {};
}

std::optional<DashboardSection> dashboardSectionFromRaw(std::string_view raw) { return fromRaw(raw, sections); }
QString rawValue(DashboardSection section) { return toRaw(section, sections); }

std::optional<OverviewAnchor> overviewAnchorFromRaw(std::string_view raw) { return fromRaw(raw, anchors); }
QString rawValue(OverviewAnchor anchor) { return toRaw(anchor, anchors); }

std::optional<MemoryPressureLevel> memoryPressureLevelFromRaw(long long raw)
{
    switch (raw) {
    case 1:
        return MemoryPressureLevel::normal;
    case 2:
        return MemoryPressureLevel::warning;
    case 4:
        return MemoryPressureLevel::critical;
    default:
        return std::nullopt;
    }
}

QString levelWord(MemoryPressureLevel level)
{
    switch (level) {
    case MemoryPressureLevel::normal:
        return QStringLiteral("Normal");
    case MemoryPressureLevel::warning:
        return QStringLiteral("Elevated");
    case MemoryPressureLevel::critical:
        return QStringLiteral("Critical");
    }
    return QStringLiteral("Normal");
}

QString BatteryReading::symbolName() const
{
    if (state == ChargingState::charging) {
        return QStringLiteral("battery.100percent.bolt");
    }
    if (!level || *level < 13) {
        return QStringLiteral("battery.0percent");
    }
    if (*level < 38) {
        return QStringLiteral("battery.25percent");
    }
    if (*level < 63) {
        return QStringLiteral("battery.50percent");
    }
    if (*level < 88) {
        return QStringLiteral("battery.75percent");
    }
    return QStringLiteral("battery.100percent");
}

std::optional<double> SensorReading::fastestFanRpm() const
{
    const auto slower = [](const FanSpeed &a, const FanSpeed &b) { return a.rpm < b.rpm; };
    const auto fastest = std::max_element(fans.begin(), fans.end(), slower);
    return fastest == fans.end() ? std::nullopt : std::optional(fastest->rpm);
}

bool SensorReading::cpuNearCritical() const
{
    return cpuCelsius && cpuCriticalCelsius && *cpuCelsius >= *cpuCriticalCelsius - nearCriticalMargin;
}

} // namespace voltmere
