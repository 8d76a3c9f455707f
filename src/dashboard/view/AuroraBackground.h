#pragma once

#include "dashboard/ThemeColor.h"

#include <QImage>
#include <QWidget>

namespace voltmere {

// The tinted window background: a flat base with a mint glow from the top
// leading corner and a deeper green glow from the top trailing corner.
class AuroraBackground : public QWidget {
    Q_OBJECT
public:
    explicit AuroraBackground(QWidget *parent = nullptr);

    static void paint(QPainter &painter, const QRectF &rect, ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The painted background, kept while the size, density and scheme stay:
    // the window repaints small parts (a chart, a value) every round, and
    // copying those parts is far cheaper than redrawing two radial glows.
    QImage m_cache;
    ColorScheme m_cacheScheme = ColorScheme::light;
};

} // namespace voltmere
