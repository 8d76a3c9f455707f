#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

namespace voltmere {

// What the tray label shows.
enum class MenuBarStyle { battery, cpu, icon };

inline constexpr std::array allMenuBarStyles{MenuBarStyle::battery, MenuBarStyle::cpu, MenuBarStyle::icon};

// Exact raw values only ("Battery" is not "battery").
std::optional<MenuBarStyle> menuBarStyleFromRaw(std::string_view raw);
QString rawValue(MenuBarStyle style);
// The label in the settings picker.
QString label(MenuBarStyle style);

} // namespace voltmere
