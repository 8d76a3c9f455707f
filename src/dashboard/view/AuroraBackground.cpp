#include "dashboard/view/AuroraBackground.h"

#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <deque>

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

// An 8 × 8 ordered-dither matrix: thresholds spread evenly over 0…63.
constexpr int bayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21},
};

QImage renderDithered(QSize size, ColorScheme scheme, qreal dpr)
{
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(size.width() * dpr))),
                       std::max(1, static_cast<int>(std::ceil(size.height() * dpr))));
    QImage deep(pixels, QImage::Format_RGBX64);
    deep.setDevicePixelRatio(dpr);
    {
        QPainter painter(&deep);
        const QRectF rect(QPointF(0, 0), QSizeF(size));
        const bool dark = scheme == ColorScheme::dark;
        painter.fillRect(rect, Theme::windowBase.resolve(scheme));
        glow(painter, rect, rect.topLeft(), 520, Theme::mint.opacity(dark ? 0.13 : 0.10).resolve(scheme));
        glow(painter, rect, rect.topRight(), 380, Theme::secondGlow.opacity(dark ? 0.10 : 0.05).resolve(scheme));
    }
    QImage out(pixels, QImage::Format_RGB32);
    out.setDevicePixelRatio(dpr);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgba64 *>(deep.constScanLine(y));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            // Rounds each channel up or down by the matrix, so neighbouring
            // pixels average to the exact sixteen-bit colour.
            const int threshold = bayer[y & 7][x & 7] * 65535 / 64;
            auto channel = [&](quint16 v) { return std::min(255, (int(v) * 255 + threshold) / 65535); };
            line[x] = qRgb(channel(in[x].red()), channel(in[x].green()), channel(in[x].blue()));
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
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize size(static_cast<int>(std::ceil(rect.width())), static_cast<int>(std::ceil(rect.height())));
    painter.drawImage(rect.topLeft(), image(size, scheme, dpr));
}

void AuroraBackground::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, QRectF(rect()), Environment::colorScheme(this));
}

} // namespace voltmere
