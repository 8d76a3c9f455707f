#include "history/view/SelectableText.h"

#include "ui/Environment.h"

namespace voltmere {

SelectableText::SelectableText(const QFont &font, const ThemeColor &color, QWidget *parent)
    : QLabel(parent)
    , m_color(color)
{
    setFont(font);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void SelectableText::paintEvent(QPaintEvent *event)
{
    // The scheme can change under a still widget (a render, the system
    // switching to dark), so the colour is settled at paint time.
    const QColor color = m_color.resolve(Environment::colorScheme(this));
    if (palette().color(QPalette::WindowText) != color) {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, color);
        p.setColor(QPalette::Text, color);
        setPalette(p);
    }
    QLabel::paintEvent(event);
}

} // namespace voltmere
