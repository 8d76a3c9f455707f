#pragma once

#include "model/ThemeColor.h"

#include <QWidget>

namespace voltmere {

// One named symbol (see Symbols), `size` points square, tinted with a theme
// colour resolved at paint time. Invisible to assistive technology.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString &symbol, qreal size, const ThemeColor &color, QWidget *parent = nullptr);

    const QString &symbol() const { return m_symbol; }
    const ThemeColor &color() const { return m_color; }
    void setSymbol(const QString &symbol);
    void setColor(const ThemeColor &color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    qreal m_size;
    ThemeColor m_color;
};

} // namespace voltmere
