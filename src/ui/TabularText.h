#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

#include <vector>

class QPainter;

namespace voltmere {

// Figures set with equal-width digits. The UI font draws digits at their own
// widths and Qt 6.4 cannot switch on the font's tabular figures, so each
// digit is centred in a cell as wide as the widest digit instead; figures
// that change then do not shift the text around them. Callable from the main
// thread.
namespace TabularText {

struct Piece {
    QString text;
    qreal x = 0; // from the start of the line
};

// `line` cut into runs of text and single digits, each placed where it is
// drawn; `width` receives the whole line's width.
std::vector<Piece> pieces(const QString &line, const QFont &font, qreal *width = nullptr);
// The width `line` takes, digits in their cells.
qreal width(const QString &line, const QFont &font);
// Draws `line` in the painter's font and pen, its baseline starting at `origin`.
void draw(QPainter &painter, QPointF origin, const QString &line);

} // namespace TabularText

} // namespace voltmere
