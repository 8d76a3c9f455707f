#pragma once

#include "dashboard/ThemeColor.h"

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
// Gives `widget` the card shadow, drawn outside its bounds onto its parent.
// Cheap to call again (from paint events): only a change of scheme or
// radius redraws the shadow.
void applyShadow(QWidget *widget, ColorScheme scheme, qreal cornerRadius = 12);

} // namespace CardSurface

} // namespace voltmere
