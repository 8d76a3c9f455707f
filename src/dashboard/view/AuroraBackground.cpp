#include "dashboard/view/AuroraBackground.h"

#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"

#include <QPainter>
#include <QRadialGradient>

namespace voltmere {

namespace {

void glow(QPainter &painter, const QRectF &rect, QPointF centre, qreal radius, QColor color)
{
    QRadialGradient gradient(centre, radius);
    gradient.setColorAt(0, color);
    color.setAlpha(0);
    gradient.setColorAt(1, color);
    painter.fillRect(rect, gradient);
}

} // namespace

AuroraBackground::AuroraBackground(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AuroraBackground::paint(QPainter &painter, const QRectF &rect, ColorScheme scheme)
{
    const bool dark = scheme == ColorScheme::dark;
    painter.fillRect(rect, Theme::windowBase.resolve(scheme));
    glow(painter, rect, rect.topLeft(), 520, Theme::mint.opacity(dark ? 0.13 : 0.10).resolve(scheme));
    glow(painter, rect, rect.topRight(), 380, Theme::secondGlow.opacity(dark ? 0.10 : 0.05).resolve(scheme));
}

void AuroraBackground::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), Environment::colorScheme(this));
}

} // namespace voltmere
