#pragma once

#include "model/ThemeColor.h"

#include <QFont>

namespace voltmere {

// The one palette every surface draws with. Callable from the main thread.
namespace Theme {

inline constexpr ThemeColor text{0x15171A, 0xF1F3F5, 1.0};       // primary text, hero numbers
inline constexpr ThemeColor muted{0x5B6168, 0x9BA2AA, 1.0};      // secondary text, captions, symbols
inline constexpr ThemeColor cardStroke{0xD5D9DD, 0x2C3036, 1.0}; // lower end of the card border
inline constexpr ThemeColor gapFill{0x8A929B, 0x8A929B, 0.18};   // gap bands in charts
inline constexpr ThemeColor amber{0x8D5000, 0xFFB54A, 1.0};      // attention
inline constexpr ThemeColor mint{0x09684F, 0x5EE0B4, 1.0};       // the accent

// Recurring pairs.
inline constexpr ThemeColor attentionWash{0xB86E00, 0xFFB54A, 0.16}; // chips, insight rows, badges
inline constexpr ThemeColor placeholder{0xDADFE3, 0x2E3338, 1.0};    // skeletons, empty segments, wells
inline constexpr ThemeColor slate{0x5A6470, 0xAAB4BF, 1.0};          // second series, combined row
inline constexpr ThemeColor cardFillTop{0xFFFFFF, 0x262A2F, 1.0};
inline constexpr ThemeColor cardFillBottom{0xF8F9FA, 0x1C1F23, 1.0}; // also the sidebar footer
inline constexpr ThemeColor cardBorderTop{0xFFFFFF, 0x454B53, 1.0};
inline constexpr ThemeColor windowBase{0xE9ECEE, 0x111316, 1.0};
inline constexpr ThemeColor secondGlow{0x075C46, 0x1FA57E, 1.0};

// The UI family, with real medium and semibold faces. Its digits have their
// own widths; TextComponent sets them in equal cells where figures change.
QString fontFamily();
// Extra letter spacing of the expanded style, per point of size.
inline constexpr qreal expandedTracking = 0.05;
// The UI font at `pointSize` and `weight`, optionally in expanded width.
QFont font(qreal pointSize, QFont::Weight weight = QFont::Normal, bool expanded = false);
// Section labels: 11 semibold, expanded.
const QFont &label();

} // namespace Theme

} // namespace voltmere
