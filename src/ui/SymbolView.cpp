#include "ui/SymbolView.h"

#include "ui/Environment.h"
#include "ui/Symbols.h"

#include <QPainter>

#include <cmath>

namespace voltmere {

SymbolView::SymbolView(const QString &symbol, qreal size, const ThemeColor &color, QWidget *parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_size(size)
    , m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Environment::hideFromAccessibility(this);
}

void SymbolView::setSymbol(const QString &symbol)
{
    if (m_symbol == symbol) {
        return;
    }
    m_symbol = symbol;
    update();
}

void SymbolView::setColor(const ThemeColor &color)
{
    if (m_color == color) {
        return;
    }
    m_color = color;
    update();
}

QSize SymbolView::sizeHint() const
{
    const int side = static_cast<int>(std::ceil(m_size));
    return {side, side};
}

void SymbolView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame((width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size);
    Symbols::paint(painter, frame, m_symbol, m_color.resolve(Environment::colorScheme(this)));
}

} // namespace voltmere
