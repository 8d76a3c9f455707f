#include "dashboard/view/PressableStyle.h"

#include <QAbstractButton>
#include <QPainter>
#include <QVariantAnimation>

namespace voltmere {

PressableStyle *PressableStyle::attach(QAbstractButton *button)
{
    return new PressableStyle(button);
}

PressableStyle::PressableStyle(QAbstractButton *button)
    : QObject(button)
    , m_button(button)
{
    setObjectName(QStringLiteral("voltmere.pressable"));
    connect(button, &QAbstractButton::pressed, this, [this] { animateTo(pressedScale); });
    connect(button, &QAbstractButton::released, this, [this] { animateTo(1.0); });
}

void PressableStyle::animateTo(double target)
{
    // A release during the press animation turns back from where it is.
    delete m_animation;
    auto *animation = new QVariantAnimation(this);
    m_animation = animation;
    animation->setStartValue(m_scale);
    animation->setEndValue(target);
    animation->setDuration(durationMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_scale = value.toDouble();
        m_button->update();
    });
    animation->start();
}

double PressableStyle::scale(const QWidget *widget)
{
    const auto *style = widget ? widget->findChild<PressableStyle *>(QStringLiteral("voltmere.pressable"),
                                                                     Qt::FindDirectChildrenOnly)
                               : nullptr;
    return style ? style->m_scale : 1.0;
}

void PressableStyle::begin(QPainter &painter, const QWidget *widget)
{
    const double s = scale(widget);
    if (s == 1.0) {
        return;
    }
    const QPointF centre = QRectF(widget->rect()).center();
    painter.translate(centre);
    painter.scale(s, s);
    painter.translate(-centre);
}

} // namespace voltmere
