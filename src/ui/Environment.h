#pragma once

#include "model/ThemeColor.h"

#include <QEvent>

class QPainter;
class QPalette;
class QWidget;

namespace voltmere {

// What a view inherits from the surface it sits in: the colour scheme and the
// two rendering flags. A value set on a widget applies to all its
// descendants unless one of them sets its own. Main thread only.
namespace Environment {

// The scheme set on the widget or its nearest ancestor; otherwise the one its
// palette implies (a dark window colour means dark).
ColorScheme colorScheme(const QWidget *widget);
void setColorScheme(QWidget *widget, ColorScheme scheme);
ColorScheme schemeOf(const QPalette &palette);
// The scheme of the application palette.
ColorScheme applicationScheme();

// True while the surface is on screen, so continuous animations may run.
bool animatesLive(const QWidget *widget);
// A change is sent to `widget` and every descendant as an event of type
// animatesLiveChange(), so an animation starts and stops with its surface.
void setAnimatesLive(QWidget *widget, bool animates);
QEvent::Type animatesLiveChange();

// True when the view is drawn as a still image: no interactive chrome.
bool staticRender(const QWidget *widget);
void setStaticRender(QWidget *widget, bool isStatic);

// True when the desktop asks applications to keep still; continuous and
// transitional animations then show their end state at once.
bool reduceMotion();

// Device pixels per logical pixel where `painter` draws: the device's ratio,
// or the scale of a still render into a larger image.
qreal pixelRatio(const QPainter &painter);

// Keeps a decorative widget out of what screen readers announce.
void hideFromAccessibility(QWidget *widget);

} // namespace Environment

} // namespace voltmere
