#include "ui/ThemedLabel.h"

#include "ui/Environment.h"

namespace voltmere {

ThemedLabel::ThemedLabel(const QString &text, const QFont &font, const ThemeColor &color, QWidget *parent)
    : QLabel(text, parent)
    , m_color(color)
{
    setFont(font);
    setTextFormat(Qt::PlainText);
}

void ThemedLabel::setColor(const ThemeColor &color)
{
    if (m_color == color) {
        return;
    }
    m_color = color;
    update();
}

void ThemedLabel::paintEvent(QPaintEvent *event)
{
    const QColor wanted = m_color.resolve(Environment::colorScheme(this));
    if (palette().color(QPalette::WindowText) != wanted) {
        QPalette themed = palette();
        themed.setColor(QPalette::WindowText, wanted);
        // Setting the palette schedules another paint; this one already
        // draws with the new colour.
        setPalette(themed);
    }
    QLabel::paintEvent(event);
}

} // namespace voltmere
