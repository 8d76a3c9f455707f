#pragma once

#include "dashboard/ThemeColor.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace voltmere::render {

// One picture the tool writes, once per colour scheme: either a widget built
// from fixture data (drawn in its still form) or an image drawn directly.
struct Surface {
    QString name; // file name without scheme and extension
    std::function<QWidget *()> widget;
    std::function<QImage(ColorScheme)> image;
    QSize size; // empty: the widget's size hint
};

// Each file contributes its surfaces; add new lists to allSurfaces().
std::vector<Surface> sharedComponentSurfaces();
std::vector<Surface> trayLabelSurfaces();
std::vector<Surface> chartSurfaces();
std::vector<Surface> panelSurfaces();

std::vector<Surface> allSurfaces();

// Device pixels per point of the pictures: 2 unless VOLTMERE_RENDER_SCALE
// says otherwise (1 shows what a standard-density screen shows).
qreal scale();

} // namespace voltmere::render
