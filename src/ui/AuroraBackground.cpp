#include "ui/AuroraBackground.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QColor>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <deque>

namespace voltmere {

namespace {

// An 8 × 8 ordered-dither matrix: thresholds spread evenly over 0…63.
constexpr int bayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};

// A glow: `color` at `strength` over the centre, fading linearly to nothing
// at `radius`, as a radial gradient from the colour to clear would.
struct Glow {
    QPointF centre;
    qreal radius;
    QColor color;
    qreal strength;
};

QImage renderDithered(QSize size, ColorScheme scheme, qreal dpr)
{
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(size.width() * dpr))),
                       std::max(1, static_cast<int>(std::ceil(size.height() * dpr))));
    const bool dark = scheme == ColorScheme::dark;
    const QColor base = Theme::windowBase.resolve(scheme);
    const Glow glows[] = {
        {QPointF(0, 0), 520, Theme::mint.resolve(scheme), dark ? 0.13 : 0.10},
        {QPointF(size.width(), 0), 380, Theme::secondGlow.resolve(scheme), dark ? 0.10 : 0.05},
    };
    QImage out(pixels, QImage::Format_RGB32);
    out.setDevicePixelRatio(dpr);
    // Composed in floating point, then rounded up or down by the dither
    // matrix, so neighbouring pixels average to the exact colour.
    for (int y = 0; y < pixels.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        const qreal py = (y + 0.5) / dpr;
        for (int x = 0; x < pixels.width(); ++x) {
            const qreal px = (x + 0.5) / dpr;
            double r = base.redF(), g = base.greenF(), b = base.blueF();
            for (const Glow &glow : glows) {
                const qreal distance = std::hypot(px - glow.centre.x(), py - glow.centre.y());
                const double alpha = glow.strength * std::max(0.0, 1.0 - distance / glow.radius);
                r += (glow.color.redF() - r) * alpha;
                g += (glow.color.greenF() - g) * alpha;
                b += (glow.color.blueF() - b) * alpha;
            }
            const double threshold = (bayer[y & 7][x & 7] + 0.5) / 64.0;
            auto channel = [&](double v) { return std::clamp(static_cast<int>(v * 255.0 + threshold), 0, 255); };
            line[x] = qRgb(channel(r), channel(g), channel(b));
        }
    }
    return out;
}

} // namespace

AuroraBackground::AuroraBackground(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage AuroraBackground::image(QSize size, ColorScheme scheme, qreal devicePixelRatio)
{
    struct Entry {
        QSize size;
        ColorScheme scheme;
        qreal dpr;
        QImage image;
    };
    // A few surfaces at their present sizes; a window being resized renders
    // each size it passes through once.
    static std::deque<Entry> cache;
    for (const Entry &entry : cache) {
        if (entry.size == size && entry.scheme == scheme && entry.dpr == devicePixelRatio) {
            return entry.image;
        }
    }
    if (cache.size() >= 6) {
        cache.pop_back();
    }
    cache.push_front({size, scheme, devicePixelRatio, renderDithered(size, scheme, devicePixelRatio)});
    return cache.front().image;
}

void AuroraBackground::paint(QPainter &painter, const QRectF &rect, ColorScheme scheme)
{
    const qreal dpr = Environment::pixelRatio(painter);
    const QSize size(static_cast<int>(std::ceil(rect.width())), static_cast<int>(std::ceil(rect.height())));
    painter.drawImage(rect.topLeft(), image(size, scheme, dpr));
}

void AuroraBackground::paintEvent(QPaintEvent *event)
{
    // The window repaints small parts (a chart, a value) every round: copy
    // just those parts of the kept background.
    const qreal ratio = devicePixelRatioF();
    const QImage background = image(size(), Environment::colorScheme(this), ratio);
    QPainter painter(this);
    for (const QRect &part : event->region()) {
        painter.drawImage(QRectF(part), background, QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
    }
}

} // namespace voltmere
