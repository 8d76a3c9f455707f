#include "menubar/view/PanelText.h"

#include "ui/TextComponent.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace voltmere::PanelText {

namespace {

class ElidedText final : public TextComponent {
public:
    using TextComponent::TextComponent;

    QSize minimumSizeHint() const override { return {24, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QFontMetricsF metrics(font());
        // Equal-width digits take a little more room than the font measures.
        const qreal extra = lineWidth(text()) - metrics.horizontalAdvance(text());
        drawLine(painter, metrics.elidedText(text(), Qt::ElideMiddle, width() - std::max(0.0, extra)));
    }
};

} // namespace

TextComponent *make(const QString &text, const QFont &font, const ThemeColor &color)
{
    return new TextComponent(text, font, color);
}

TextComponent *makeElided(const QFont &font, const ThemeColor &color)
{
    auto *label = new ElidedText;
    label->setTextFont(font);
    // The widget's own font is what the elision measures with.
    label->setFont(font);
    label->setColor(color);
    return label;
}

QWidget *onBaselineOf(QWidget *widget, const QFont &reference, const QFont &font)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    const qreal lift = QFontMetricsF(reference).descent() - QFontMetricsF(font).descent();
    layout->setContentsMargins(0, 0, 0, std::max(0, static_cast<int>(std::lround(lift))));
    layout->addWidget(widget);
    return box;
}

} // namespace voltmere::PanelText
