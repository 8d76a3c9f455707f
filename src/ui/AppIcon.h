#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace voltmere {

// The program's own artwork: the monochrome tray glyph and the light and
// dark application icons, all drawn from SVG resources. Main thread only.
namespace AppIcon {

// The tray glyph (16 × 16 points) tinted `color`. Transparent when the
// resource is missing or unreadable.
QImage menuBarTemplate(const QColor &color, qreal devicePixelRatio = 2.0);
// The application icon for the dark (true) or light (false) appearance; a
// null icon when the resource is missing or unreadable.
QIcon image(bool dark);
// Sets the application's window icon to the one matching the present
// appearance; leaves it unchanged when that icon cannot be loaded.
void applyToDock();

// Resource paths, also installed as files.
inline constexpr const char *templatePath = ":/voltmere/MenuBarIconTemplate.svg";
inline constexpr const char *lightPath = ":/voltmere/AppIconLight.svg";
inline constexpr const char *darkPath = ":/voltmere/AppIconDark.svg";

} // namespace AppIcon

} // namespace voltmere
