#include "ui/AppIcon.h"

#include "ui/Environment.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace voltmere::AppIcon {

namespace {

constexpr int templatePoints = 16;

// Rendered once at a generous size; drawing scales it down cleanly.
const QImage &templateMask()
{
    static const QImage mask = [] {
        QImage image(templatePoints * 4, templatePoints * 4, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(QString::fromLatin1(templatePath));
        if (renderer.isValid()) {
            QPainter painter(&image);
            renderer.render(&painter);
        }
        return image;
    }();
    return mask;
}

} // namespace

QImage menuBarTemplate(const QColor &color, qreal devicePixelRatio)
{
    const int pixels = static_cast<int>(std::ceil(templatePoints * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, pixels, pixels), templateMask());
    // A template glyph takes the colour of its surroundings.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(0, 0, pixels, pixels), color);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QIcon image(bool dark)
{
    const QString path = QString::fromLatin1(dark ? darkPath : lightPath);
    if (!QFile::exists(path)) {
        return {};
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void applyToDock()
{
    const QIcon icon = image(Environment::applicationScheme() == ColorScheme::dark);
    if (!icon.isNull()) {
        QApplication::setWindowIcon(icon);
    }
}

} // namespace voltmere::AppIcon
