#include "menubar/view/PanelText.h"

#include "ui/TextComponent.h"

#include <QFontMetricsF>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace voltmere::PanelText {

TextComponent *make(const QString &text, const QFont &font, const ThemeColor &color)
{
    return new TextComponent(text, font, color);
}

TextComponent *makeElided(const QFont &font, const ThemeColor &color)
{
    auto *label = new TextComponent(QString(), font, color);
    label->setElideMode(Qt::ElideMiddle);
    return label;
}

QWidget *onBaselineOf(QWidget *widget, const QFont &reference, const QFont &font)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(widget);
    alignBaseline(box, reference, font);
    return box;
}

void alignBaseline(QWidget *box, const QFont &reference, const QFont &font)
{
    const qreal lift = QFontMetricsF(reference).descent() - QFontMetricsF(font).descent();
    box->layout()->setContentsMargins(0, 0, 0, std::max(0, static_cast<int>(std::lround(lift))));
}

} // namespace voltmere::PanelText
