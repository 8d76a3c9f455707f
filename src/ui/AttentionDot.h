#pragma once

#include "model/ThemeColor.h"

#include <QWidget>

namespace voltmere {

// A 7 × 7 dot in a colour; invisible to assistive technology.
class AttentionDot : public QWidget {
    Q_OBJECT
public:
    static constexpr int diameter = 7;

    explicit AttentionDot(const ThemeColor &color, QWidget *parent = nullptr);
    void setColor(const ThemeColor &color);

    QSize sizeHint() const override { return {diameter, diameter}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemeColor m_color;
};

} // namespace voltmere
