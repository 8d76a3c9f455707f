#include "ui/ChartAccessible.h"

#include "ui/TimeSeriesChart.h"

namespace voltmere {

namespace {

QAccessibleInterface *chartFactory(const QString &, QObject *object)
{
    if (auto *chart = qobject_cast<TimeSeriesChart *>(object)) {
        return new ChartAccessible(chart);
    }
    return nullptr;
}

} // namespace

ChartAccessible::ChartAccessible(TimeSeriesChart *chart)
    : QAccessibleWidget(chart, QAccessible::Chart)
{
}

void ChartAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(chartFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString ChartAccessible::text(QAccessible::Text t) const
{
    const auto *c = chart();
    switch (t) {
    case QAccessible::Name:
        return c->title();
    case QAccessible::Value:
        return c->accessibilityValue();
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList ChartAccessible::actionNames() const
{
    return QAccessibleWidget::actionNames()
        << QAccessibleActionInterface::increaseAction() << QAccessibleActionInterface::decreaseAction();
}

void ChartAccessible::doAction(const QString &name)
{
    if (name == QAccessibleActionInterface::increaseAction()) {
        chart()->step(1);
    } else if (name == QAccessibleActionInterface::decreaseAction()) {
        chart()->step(-1);
    } else {
        QAccessibleWidget::doAction(name);
    }
}

TimeSeriesChart *ChartAccessible::chart() const
{
    return static_cast<TimeSeriesChart *>(widget());
}

} // namespace voltmere
