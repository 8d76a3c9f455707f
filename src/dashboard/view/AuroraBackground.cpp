#include "dashboard/view/AuroraBackground.h"

#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"

#include <QPaintEvent>
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

void AuroraBackground::paintEvent(QPaintEvent *event)
{
    const ColorScheme scheme = Environment::colorScheme(this);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_cache.size() != pixels || m_cache.devicePixelRatio() != ratio || m_cacheScheme != scheme) {
        m_cache = QImage(pixels, QImage::Format_RGB32);
        m_cache.setDevicePixelRatio(ratio);
        QPainter cachePainter(&m_cache);
        paint(cachePainter, QRectF(rect()), scheme);
        m_cacheScheme = scheme;
    }
    QPainter painter(this);
    for (const QRect &part : event->region()) {
        painter.drawImage(QRectF(part), m_cache, QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
    }
}

} // namespace voltmere
