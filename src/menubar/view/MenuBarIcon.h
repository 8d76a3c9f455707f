#pragma once

#include "menubar/view/MenuBarLabel.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

namespace voltmere {

// The label as a tray shows it: a square icon of 16 to 64 pixels, and the
// text some trays write beside it. Where the tray writes the text, the icon
// is the style's glyph alone; where it shows only the icon, the icon carries
// the figure itself, drawn to fill the square: one or two digits, with the
// charging bolt beside them, and 100 as a closed ring. Pure functions, so
// the tray and the render tool draw the same thing.
class MenuBarIcon {
public:
    struct Face {
        enum class Kind {
            number,        // `number` (0 to 99) filling the square
            full,          // 100: the closed ring
            symbol,        // `symbol` alone
            templateGlyph, // the program's own glyph
        };
        Kind kind = Kind::templateGlyph;
        int number = 0;
        bool bolt = false; // charging: the bolt beside the digits or inside the ring
        QString symbol;
        bool operator==(const Face &) const = default;
    };

    // The sizes offered to the tray, in pixels: the usual panel sizes and
    // their doubles for high-density screens.
    static const std::vector<int> &sizes();

    // What the square shows for `content`; `trayWritesLabel` when the tray
    // writes labelText() beside it.
    static Face face(const MenuBarLabel::Content &content, bool trayWritesLabel);
    // The figure the tray writes beside the icon ("87%", "13%"); empty when
    // the label shows only a symbol.
    static QString labelText(const MenuBarLabel::Content &content);
    // The widest figure the label holds, so the tray keeps its width steady.
    static QString labelGuide(const MenuBarLabel::Content &content);
    // Whether the label shows the warning triangle.
    static bool needsAttention(const MenuBarLabel::Content &content);

    // `face` drawn in `ink` on a transparent square of `pixels` pixels.
    static QImage render(const Face &face, const QColor &ink, int pixels);
};

} // namespace voltmere
