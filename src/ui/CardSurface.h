#pragma once

#include "model/ThemeColor.h"

#include <QRectF>

class QPainter;
class QWidget;

namespace voltmere {

// The card look: a rounded rectangle with a soft top-to-bottom fill, a one-
// point border that is lighter at the top (or mint when highlighted), and a
// shadow. Main thread only.
namespace CardSurface {

inline constexpr qreal shadowRadius = 12;
inline constexpr qreal shadowOffsetY = 5;

// Fill and border of a card occupying `rect`.
void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool highlighted, ColorScheme scheme);
// Gives `widget` the card shadow, drawn outside its bounds by a layer in the
// nearest ancestor with room for it (so a card flush in its parent still has
// one). Cheap to call again (from paint events): only a change of scheme or
// radius redraws the shadow.
void applyShadow(QWidget *widget, ColorScheme scheme, qreal cornerRadius = 12);
// The layer drawing `widget`'s shadow; null when it has none.
QWidget *shadowOf(const QWidget *widget);

} // namespace CardSurface

} // namespace voltmere
