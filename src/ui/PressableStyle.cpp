#include "ui/PressableStyle.h"

#include "ui/Environment.h"

#include <QAbstractButton>
#include <QGraphicsEffect>
#include <QPainter>
#include <QVariantAnimation>

namespace voltmere {

namespace {

// Draws the button and everything on it at the press scale. It is set only
// while the scale is not 1, so a button at rest renders as usual.
class PressEffect final : public QGraphicsEffect {
public:
    explicit PressEffect(QObject *parent)
        : QGraphicsEffect(parent)
    {
    }

    void setScale(double scale)
    {
        m_scale = scale;
        update();
    }

protected:
    void draw(QPainter *painter) override
    {
        QPoint offset;
        const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
        const QRectF bounds = boundingRectFor(sourceBoundingRect(Qt::LogicalCoordinates));
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->translate(bounds.center());
        painter->scale(m_scale, m_scale);
        painter->translate(-bounds.center());
        painter->drawPixmap(offset, source);
        painter->restore();
    }

private:
    double m_scale = 1.0;
};

} // namespace

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
    m_animation = nullptr;
    if (Environment::reduceMotion()) {
        m_scale = target;
        applyScale();
        return;
    }
    auto *animation = new QVariantAnimation(this);
    m_animation = animation;
    animation->setStartValue(m_scale);
    animation->setEndValue(target);
    animation->setDuration(durationMs);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_scale = value.toDouble();
        applyScale();
    });
    animation->start();
}

void PressableStyle::applyScale()
{
    // The effect scales the content widgets with the button's own painting.
    auto *effect = dynamic_cast<PressEffect *>(m_button->graphicsEffect());
    if (m_scale == 1.0) {
        if (effect) {
            m_button->setGraphicsEffect(nullptr);
        }
        return;
    }
    if (!effect) {
        effect = new PressEffect(m_button);
        m_button->setGraphicsEffect(effect);
    }
    effect->setScale(m_scale);
}

double PressableStyle::scale(const QWidget *widget)
{
    const auto *style = widget ? widget->findChild<PressableStyle *>(QStringLiteral("voltmere.pressable"),
                                                                     Qt::FindDirectChildrenOnly)
                               : nullptr;
    return style ? style->m_scale : 1.0;
}

void PressableStyle::begin(QPainter &, const QWidget *)
{
    // The press effect scales the button with its content; painting code
    // has nothing left to do.
}

} // namespace voltmere
