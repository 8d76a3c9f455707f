#include "ui/BringToFront.h"

#include <QGuiApplication>
#include <QWidget>

namespace voltmere {

namespace {

bool platformCanRaise()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")
        && platform != QLatin1String("minimalegl");
}

} // namespace

void bringToFront(QWidget *window)
{
    static const bool canRaise = platformCanRaise();
    if (canRaise) {
        window->raise();
    }
    window->activateWindow();
}

} // namespace voltmere
