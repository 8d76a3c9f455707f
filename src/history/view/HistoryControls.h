#pragma once

#include "history/HistoryMetric.h"

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QToolButton;

namespace voltmere {

// The History page's choosers: a "Metric" menu of the eight metrics and a
// segmented "Time range" of 1 h, 6 h, 24 h and 7 days. In a still render
// they are two chips showing the choice instead.
class HistoryControls : public QWidget {
    Q_OBJECT
public:
    static constexpr int savedMs = 3000;
    static constexpr int metricPickerWidth = 180;
    static constexpr int rangeWidth = 220;

    explicit HistoryControls(QWidget *parent = nullptr);

    HistoryMetric metric() const { return m_metric; }
    int hours() const { return m_hours; }
    // No signal when the value is already shown.
    void setMetric(HistoryMetric metric);
    void setHours(int hours);

    QComboBox *metricPicker() const { return m_metricPicker; }
    // The range segment showing `hours`; null for a range not offered.
    QWidget *rangeButton(int hours) const;
    // "Export…", whose menu offers the shown metric or every metric.
    QToolButton *exportButton() const { return m_export; }
    // After an export that worked: for a few seconds the button reads
    // "Saved" with a check mark, and `message` (where the file went) shows
    // beside it and is told to screen readers.
    void showSaved(const QString &message);
    bool isShowingSaved() const { return m_savedGeneration != 0; }

Q_SIGNALS:
    void metricChanged(HistoryMetric metric);
    void hoursChanged(int hours);
    // The user asked for a CSV file of the shown range: of every metric, or
    // only of the shown one.
    void exportRequested(bool everyMetric);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    QSize sizeHint() const override;

private:
    // Chips instead of pickers when the page is drawn as a still image.
    void applyStillForm();

    HistoryMetric m_metric = HistoryMetric::cpu;
    int m_hours = 1;
    QComboBox *m_metricPicker;
    QWidget *m_range;
    QButtonGroup *m_rangeGroup;
    QToolButton *m_export;
    bool m_still = false;
    int m_saves = 0;
    int m_savedGeneration = 0; // the save whose confirmation shows, 0 for none
};

} // namespace voltmere
