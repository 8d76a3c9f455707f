#pragma once

#include "dashboard/ThemeColor.h"

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
};

} // namespace voltmere
