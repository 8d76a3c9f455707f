#pragma once

#include <QAccessible>
#include <QString>
#include <QStringList>

class QWidget;

namespace voltmere {

// Makes a widget one element for assistive technology: it is read as its
// name and value, and whatever it contains is folded into it rather than
// read piece by piece (a ring with its figure, a card of health lines).
// Main thread only.
namespace AccessibleElement {

// Marks `widget` as one element with `role`; call again to change the words.
void set(QWidget *widget, QAccessible::Role role, const QString &name, const QString &value = QString());
// The value last given to `widget`.
QString value(const QWidget *widget);
// Pieces read one after another, each ending in a full stop.
QString sentences(const QStringList &pieces);

} // namespace AccessibleElement

} // namespace voltmere
