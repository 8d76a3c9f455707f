#include "ui/ChartLayer.h"

#include <QPaintEngine>
#include <QPainter>
#include <QSemaphore>
#include <QThreadPool>

namespace voltmere {

void ChartLayer::paint(QPainter &painter, const QRectF &plot, QSize size, ColorScheme scheme, const Draw &draw)
{
    const Key key { plot, size, scheme, targetPixelRatio(painter) };
    if (m_dirty || !(key == m_key) || m_image.isNull()) {
        m_image = QImage(size * key.pixelRatio, QImage::Format_ARGB32_Premultiplied);
        m_image.setDevicePixelRatio(key.pixelRatio);
        m_image.fill(Qt::transparent);
        auto drawImage = [this, &draw] {
            QPainter layerPainter(&m_image);
            layerPainter.setRenderHint(QPainter::Antialiasing);
            draw(layerPainter);
        };
        // Qt's raster engine hands every fill of more than about a hundred
        // spans to the global thread pool and waits for it. The chart's many
        // short strips make that a stream of tiny hand-offs whose wake-ups
        // cost more than the filling (about half of the chart's CPU), while
        // painting on a pool thread fills inline. So one pool thread draws
        // the layer while this one waits: the same pixels, one hand-off.
        // With every pool thread busy (an export, say), it is drawn here.
        QSemaphore drawn;
        if (QThreadPool::globalInstance()->tryStart([&drawImage, &drawn] {
                drawImage();
                drawn.release();
            })) {
            drawn.acquire();
        } else {
            drawImage();
        }
        m_key = key;
        m_dirty = false;
    }
    painter.drawImage(QPointF(0, 0), m_image);
}

qreal ChartLayer::targetPixelRatio(const QPainter &painter)
{
    // A widget rendered into an image paints through a redirection: the
    // engine's device is the image, with its own density.
    const QPaintEngine *engine = painter.paintEngine();
    const QPaintDevice *device = engine && engine->paintDevice() ? engine->paintDevice() : painter.device();
    return device ? device->devicePixelRatioF() : 1.0;
}

} // namespace voltmere
