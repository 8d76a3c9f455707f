#pragma once

#include <QWidget>

namespace voltmere {

class SectionLabel;

// What the History page shows when the range holds no reading of the metric.
class HistoryEmpty : public QWidget {
    Q_OBJECT
public:
    explicit HistoryEmpty(const QString &metricTitle, QWidget *parent = nullptr);
    void setMetricTitle(const QString &metricTitle);

private:
    SectionLabel *m_label;
};

} // namespace voltmere
