#include "history/view/SelectableText.h"

#include "ui/Environment.h"

#include <algorithm>

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

void SelectableText::updateText(const QString &text)
{
    if (text == QLabel::text()) {
        return;
    }
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    const bool all = start == 0 && length == QLabel::text().size();
    setText(text);
    if (start < 0 || length == 0) {
        return;
    }
    if (all) {
        setSelection(0, static_cast<int>(text.size()));
    } else if (start < text.size()) {
        setSelection(start, std::min(length, static_cast<int>(text.size()) - start));
    }
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
