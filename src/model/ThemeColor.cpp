#include "model/ThemeColor.h"

#include <algorithm>

namespace voltmere {

QColor ThemeColor::resolve(ColorScheme scheme) const
{
    const std::uint32_t rgb = scheme == ColorScheme::dark ? dark : light;
    QColor color = QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    color.setAlphaF(static_cast<float>(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

} // namespace voltmere
