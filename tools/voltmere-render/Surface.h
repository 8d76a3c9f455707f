#pragma once

#include "model/ThemeColor.h"

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
    qreal scale = 2.0; // device pixels per point
    // Drawn as on screen, with the interactive controls, rather than in the
    // still form.
    bool interactive = false;
};

// Each file contributes its surfaces; add new lists to allSurfaces().
std::vector<Surface> sharedComponentSurfaces();
std::vector<Surface> trayLabelSurfaces();
std::vector<Surface> trayIconSurfaces();
std::vector<Surface> chartSurfaces();
std::vector<Surface> panelSurfaces();
std::vector<Surface> dashboardSurfaces();
std::vector<Surface> batteryPageSurfaces();
std::vector<Surface> secondaryWindowSurfaces();
std::vector<Surface> historyFailureSurfaces();
std::vector<Surface> historySurfaces();

std::vector<Surface> allSurfaces();

// Device pixels per point of the pictures drawn directly, and of every
// picture when VOLTMERE_RENDER_SCALE is set (1 shows what a standard-density
// screen shows); 2 otherwise.
qreal scale();

} // namespace voltmere::render
