#include "dashboard/view/ReminderTargetSlider.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

class TargetAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TargetAccessible(ReminderTargetSlider *slider)
        : QAccessibleWidget(slider, QAccessible::Slider)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return QStringLiteral("Charge reminder target");
        case QAccessible::Value:
            return QString::number(slider()->value()) + QStringLiteral(" percent");
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant &value) override
    {
        slider()->setValue(value.toInt());
    }
    QVariant maximumValue() const override { return ReminderTargetSlider::highest; }
    QVariant minimumValue() const override { return ReminderTargetSlider::lowest; }
    QVariant minimumStepSize() const override { return ReminderTargetSlider::step; }

private:
    ReminderTargetSlider *slider() const { return static_cast<ReminderTargetSlider *>(widget()); }
};

QAccessibleInterface *targetFactory(const QString &, QObject *object)
{
    if (auto *slider = qobject_cast<ReminderTargetSlider *>(object)) {
        return new TargetAccessible(slider);
    }
    return nullptr;
}

} // namespace

ReminderTargetSlider::ReminderTargetSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(targetFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setRange(lowest, highest);
    setSingleStep(step);
    setPageStep(step);
    setTickInterval(step);
    setTickPosition(QSlider::NoTicks);
    setAccessibleName(QStringLiteral("Charge reminder target"));
    connect(this, &QSlider::valueChanged, this, [this](int value) {
        const int settled = snapped(value);
        if (settled != value) {
            setValue(settled); // comes back here with the settled value
            return;
        }
        Q_EMIT targetChosen(settled);
    });
}

void ReminderTargetSlider::paintEvent(QPaintEvent *event)
{
    // The filled groove is mint while the slider can be moved and grey
    // while it cannot; the scheme is only known when drawing.
    const ColorScheme scheme = Environment::colorScheme(this);
    const QColor fill = (isEnabled() ? Theme::mint : Theme::muted).resolve(scheme);
    if (palette().color(QPalette::Highlight) != fill) {
        QPalette p = palette();
        p.setColor(QPalette::Highlight, fill);
        setPalette(p);
    }
    QSlider::paintEvent(event);
}

int ReminderTargetSlider::snapped(int value)
{
    const int nearest = static_cast<int>(std::lround(static_cast<double>(value) / step)) * step;
    return std::clamp(nearest, lowest, highest);
}

} // namespace voltmere
