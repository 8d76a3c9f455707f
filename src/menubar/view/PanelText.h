#pragma once

#include "model/ThemeColor.h"

#include <QFont>

class QWidget;

namespace voltmere {

class TextComponent;

// Small builders for the panel's lines of text.
namespace PanelText {

TextComponent *make(const QString &text, const QFont &font, const ThemeColor &color);
// One line that gives up its middle ("Google Ch…Helper 12.5%") when short of room.
TextComponent *makeElided(const QFont &font, const ThemeColor &color);
// Wraps `widget`, drawn in `font`, so that bottom-aligned beside text in
// `reference` the two share a baseline.
QWidget *onBaselineOf(QWidget *widget, const QFont &reference, const QFont &font);
// Moves a box made by onBaselineOf onto the baseline of another `reference`.
void alignBaseline(QWidget *box, const QFont &reference, const QFont &font);

} // namespace PanelText

} // namespace voltmere
