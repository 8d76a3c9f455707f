#pragma once

#include <QAccessibleWidget>

namespace voltmere {

class TimeSeriesChart;

// Screen readers see a chart as one element: its title, the summary or the
// selected reading as its value, and increase/decrease actions that step
// through the points. Main thread only.
class ChartAccessible final : public QAccessibleWidget {
public:
    explicit ChartAccessible(TimeSeriesChart *chart);

    // Makes Qt build this interface for every chart (once; later calls do nothing).
    static void install();

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &name) override;

private:
    TimeSeriesChart *chart() const;
};

} // namespace voltmere
