#pragma once

#include "history/HistoryBucket.h"

#include <QWidget>

#include <utility>
#include <vector>

namespace voltmere {

// A thin bar under the charge chart marking the buckets spent mostly on the
// power adapter, over the chart's time range, after the label "Plugged in".
// Main thread only.
class PluggedStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal labelWidth = 64;
    static constexpr qreal barHeight = 8;
    static constexpr double pluggedAtLeast = 0.5; // share of a bucket's samples
    static constexpr double markOpacity = 0.55;

    explicit PluggedStrip(QWidget *parent = nullptr);

    // `from`…`to` is the chart's time range.
    void set(const std::vector<HistoryBucket> &buckets, Timestamp from, Timestamp to, double bucketSeconds);

    // [start, end) of every bucket plugged in for at least half its samples.
    static std::vector<std::pair<Timestamp, Timestamp>> marks(const std::vector<HistoryBucket> &buckets,
                                                              double bucketSeconds);
    const std::vector<std::pair<Timestamp, Timestamp>> &shownMarks() const { return m_marks; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<std::pair<Timestamp, Timestamp>> m_marks;
    Timestamp m_from = 0;
    Timestamp m_to = 1;
};

} // namespace voltmere
