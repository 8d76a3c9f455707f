#pragma once

#include "model/ThemeColor.h"

#include <QLabel>

namespace voltmere {

// A plain-text label in a theme colour, resolved for the present scheme each
// time it is drawn, so it follows a parent's scheme without a palette change.
// Unlike the painted text components it is an ordinary label: it wraps, can
// be selected, and screen readers read it as text.
class ThemedLabel : public QLabel {
    Q_OBJECT
public:
    ThemedLabel(const QString &text, const QFont &font, const ThemeColor &color, QWidget *parent = nullptr);

    const ThemeColor &color() const { return m_color; }
    void setColor(const ThemeColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemeColor m_color;
};

} // namespace voltmere
