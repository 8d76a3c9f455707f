#pragma once

#include "model/BatteryReading.h"
#include "model/Insight.h"
#include "model/Snapshot.h"
#include "model/ThemeColor.h"
#include "preferences/MenuBarStyle.h"

#include <QImage>
#include <QString>

#include <optional>

namespace voltmere {

class Preferences;
class WindowOpener;

// What the tray shows: the battery figure, the CPU figure or the compact
// icon, as the user's style asks, and the sentence a screen reader speaks
// for it. Pure functions of the readings, so the tray and the render tool
// draw the same thing.
class MenuBarLabel {
public:
    struct Content {
        QString symbol;            // a symbol name drawn first; empty for none
        QString text;              // drawn right after the symbol
        bool templateIcon = false; // the program's own glyph instead of the above
        bool operator==(const Content &) const = default;
    };

    // Logical height of the drawn label, and the template glyph's frame.
    static constexpr int height = 22;
    static constexpr int templateSize = 16;

    static Content content(MenuBarStyle style, const std::optional<BatteryReading> &battery,
                           const std::optional<Snapshot> &latest, const std::optional<Insight> &insight);
    // The same in every style: product name, battery level and state, CPU,
    // and an insight that needs attention, joined by ", ".
    static QString spokenDescription(const std::optional<BatteryReading> &battery,
                                     const std::optional<Snapshot> &latest, const std::optional<Insight> &insight);
    // Draws `content` in `color` at `devicePixelRatio`: `height` points
    // high, as wide as the content needs (at least square).
    static QImage render(const Content &content, const QColor &color, qreal devicePixelRatio = 2.0);

    // What runs each time the label appears: hands `opener` to URL routing
    // and offers the welcome window once per run if the preferences ask for it.
    static void onDisplay(WindowOpener &opener, const Preferences &prefs);

    // Percent rounded half away from zero, as the label writes CPU.
    static long long roundedPercent(double value);
};

} // namespace voltmere
