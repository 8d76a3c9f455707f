#pragma once

#include "model/ThemeColor.h"

#include <QImage>
#include <QWidget>

namespace voltmere {

// The tinted window background: a flat base with a mint glow from the top
// leading corner and a deeper green glow from the top trailing corner.
// The glows are so faint that eight bits per channel would show them as
// rings, so they are composed in floating point and dithered down, once per
// size and scheme; painting blits that image.
class AuroraBackground : public QWidget {
    Q_OBJECT
public:
    explicit AuroraBackground(QWidget *parent = nullptr);

    static void paint(QPainter &painter, const QRectF &rect, ColorScheme scheme);
    // The background for `size` device-independent pixels at `devicePixelRatio`.
    static QImage image(QSize size, ColorScheme scheme, qreal devicePixelRatio);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace voltmere
