#pragma once

#include <QColor>

#include <cstdint>

namespace voltmere {

enum class ColorScheme { light, dark };

// A colour with one value for each appearance. Equal when all three fields are.
struct ThemeColor {
    std::uint32_t light = 0; // 0xRRGGBB in the low 24 bits
    std::uint32_t dark = 0;  // 0xRRGGBB
    double alpha = 1.0;      // opacity 0–1

    // The sRGB colour for `scheme`: dark picks `dark`, light picks `light`.
    QColor resolve(ColorScheme scheme) const;
    // The same pair at another opacity.
    ThemeColor opacity(double newAlpha) const { return {light, dark, newAlpha}; }

    bool operator==(const ThemeColor &) const = default;
};

} // namespace voltmere
