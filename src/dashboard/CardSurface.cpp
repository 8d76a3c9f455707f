#include "dashboard/CardSurface.h"

#include "dashboard/Theme.h"

#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace voltmere::CardSurface {

namespace {

double shadowOpacity(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? 0.45 : 0.07;
}

} // namespace

void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool highlighted, ColorScheme scheme)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, Theme::cardFillTop.resolve(scheme));
    fill.setColorAt(1, Theme::cardFillBottom.resolve(scheme));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, cornerRadius, cornerRadius);

    // The border sits inside the shape: inset by half its width.
    const QRectF borderRect = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QPen pen;
    pen.setWidthF(1.0);
    if (highlighted) {
        pen.setColor(Theme::mint.opacity(0.7).resolve(scheme));
    } else {
        QLinearGradient stroke(rect.topLeft(), rect.bottomLeft());
        stroke.setColorAt(0, Theme::cardBorderTop.resolve(scheme));
        stroke.setColorAt(0.5, Theme::cardStroke.resolve(scheme));
        stroke.setColorAt(1, Theme::cardStroke.resolve(scheme));
        pen.setBrush(stroke);
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(borderRect, cornerRadius - 0.5, cornerRadius - 0.5);
    painter.restore();
}

void applyShadow(QWidget *widget, ColorScheme scheme)
{
    auto *effect = qobject_cast<QGraphicsDropShadowEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsDropShadowEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setBlurRadius(shadowRadius * 2);
    effect->setOffset(0, shadowOffsetY);
    QColor color(0, 0, 0);
    color.setAlphaF(static_cast<float>(shadowOpacity(scheme)));
    effect->setColor(color);
}

} // namespace voltmere::CardSurface
