#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

class QPainter;
class QRectF;

namespace voltmere {

// The system symbols the views name, each mapped to a monochrome icon of the
// installed Breeze theme. Icons are drawn as masks and tinted at draw time,
// so one icon serves every theme colour. Main thread only.
namespace Symbols {

struct Entry {
    QString symbol;   // the name the views use, e.g. "bolt.fill"
    QString iconName; // the Breeze icon drawn for it, or one of the program's own (":/…")
};

// Every symbol the views use, in no particular order.
const std::vector<Entry> &table();
// The icon for `symbol`, drawn best at `pixels` device pixels (0: no size
// in mind); a null icon for a name not in the table or an icon the theme lacks.
QIcon icon(const QString &symbol, int pixels = 0);
// `symbol` tinted `color`, `size` device-independent pixels square, at
// `devicePixelRatio`. A transparent pixmap when the icon is missing.
QPixmap pixmap(const QString &symbol, int size, const QColor &color, qreal devicePixelRatio = 1.0);
// Draws `symbol` tinted into `rect`, keeping its aspect.
void paint(QPainter &painter, const QRectF &rect, const QString &symbol, const QColor &color);

// Several Breeze glyphs are coloured shapes with white detail (the "!" of
// the warning sign, the tick of the check). As a mask they would lose that
// detail, so light pixels become transparent first.
QImage knockOutWhite(const QImage &icon);
// The Breeze theme folders searched, in order (user data folders first).
QStringList themeFolders();
// The SVG file drawn for a Breeze icon name at `pixels` device pixels (0: no
// size in mind); empty when no folder has it. Breeze draws each glyph twice,
// on a 16- and on a 22-pixel grid: the one whose grid `pixels` is a multiple
// of is drawn on whole pixels, where the other would be blurred by scaling.
QString iconFile(const QString &iconName, int pixels = 0);

} // namespace Symbols

} // namespace voltmere
