#pragma once

#include <QAccessible>
#include <QString>
#include <QStringList>

#include <optional>

class QObject;
class QWidget;

namespace voltmere {

// A widget that shows a level from 0 to 100 (a ring, a gauge) and wants
// screen readers to read it as a value rather than see a painting.
class SpokenLevel {
public:
    virtual ~SpokenLevel() = default;
    // What the indicator stands for ("Battery charge").
    virtual QString spokenName() const = 0;
    // The level, 0–100; absent when there is none to show.
    virtual std::optional<double> spokenLevel() const = 0;
    // The level as it is read out, with any state that goes with it.
    virtual QString spokenValue() const = 0;
};

// How the shared components speak to assistive technology. Main thread only.
namespace Accessibility {

// True when `widget` was hidden from screen readers as a decoration.
bool isHidden(const QWidget *widget);
// The names and values a screen reader finds below `root`, in reading
// order, skipping what is hidden or not shown.
QStringList readings(QWidget *root);
// Tells assistive technology that `object`'s name or value changed; costs
// nothing while none is listening.
void announce(QObject *object, QAccessible::Event change);
// Makes the interfaces of the shared components known to Qt (once).
void installFactories();
// Makes `window`, a top-level popup (the panel's drop-down on X11), one of
// the application's windows for assistive technology while it is shown: Qt
// leaves popups out of the application's children, so a screen reader could
// not find the open panel. Call before the window is first shown.
void exposeWindow(QWidget *window);

} // namespace Accessibility

} // namespace voltmere
