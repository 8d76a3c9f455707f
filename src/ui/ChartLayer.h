#pragma once

#include "model/ThemeColor.h"

#include <QImage>
#include <QRectF>
#include <QSize>

#include <functional>

class QPainter;

namespace voltmere {

// A chart's lines, areas and marks kept as an image: moving the selection
// repaints the chart far more often than the data changes, so they are drawn
// again only when an input changed or the picture's geometry, colour scheme
// or pixel density did. Main thread only.
class ChartLayer {
public:
    using Draw = std::function<void(QPainter &)>;

    // The next paint draws the layer afresh.
    void invalidate() { m_dirty = true; }
    // Paints the kept image at the origin of `painter`, first drawing it anew
    // with `draw` (onto a transparent, antialiased image of `size` points)
    // when it is stale. `plot` is only compared, as part of the geometry.
    void paint(QPainter &painter, const QRectF &plot, QSize size, ColorScheme scheme, const Draw &draw);

    // The pixel density of what `painter` really paints into.
    static qreal targetPixelRatio(const QPainter &painter);

private:
    struct Key {
        QRectF plot;
        QSize size;
        ColorScheme scheme = ColorScheme::light;
        qreal pixelRatio = 1;
        bool operator==(const Key &) const = default;
    };

    QImage m_image;
    Key m_key;
    bool m_dirty = true;
};

} // namespace voltmere
