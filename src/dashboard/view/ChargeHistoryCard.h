#pragma once

#include "history/ChartPoint.h"
#include "history/HistorySeries.h"
#include "platform/Clock.h"
#include "ui/Card.h"

#include <functional>
#include <optional>
#include <vector>

class QAbstractButton;
class QButtonGroup;

namespace voltmere {

class PluggedStrip;
class TimeSeriesChart;
class WrappingText;

// The charge level over the last 6 hours, 24 hours or 7 days, with the
// times on the power adapter and one sentence about the range. The history
// is queried on a worker thread; the card loads when built, whenever the
// range changes (showing that it is loading until the new range's answer
// comes), and again on a new reading at most once a minute (keeping what it
// shows meanwhile).
// Main thread only.
class ChargeHistoryCard : public Card {
    Q_OBJECT
public:
    // The battery series from `from` to `to` (seconds since 1970) in
    // `buckets` buckets. Runs on a worker thread and may block there.
    using Loader = std::function<HistorySeries(Timestamp from, Timestamp to, int buckets)>;

    static constexpr int bucketCount = 240;
    static constexpr double refreshSeconds = 60;
    static constexpr int rangeHours[] = {6, 24, 168};

    // With `preloaded` the card shows that series and never loads (still
    // renders); `clock` must outlive the card.
    ChargeHistoryCard(Loader loader, const Clock &clock, std::optional<HistorySeries> preloaded = std::nullopt,
                      QWidget *parent = nullptr);

    int hours() const { return m_hours; }
    // One of rangeHours; reloads when it changes.
    void setHours(int hours);
    // The date of the newest reading: reloads when the last load is more
    // than a minute old.
    void setRefreshKey(std::optional<Timestamp> key);

    // The series on screen: the preloaded one, else the last one loaded.
    const HistorySeries &seriesInUse() const;
    Timestamp lastLoad() const { return m_lastLoad; }
    bool isLoading() const { return m_loading; }
    TimeSeriesChart *chart() const { return m_chart; }
    PluggedStrip *strip() const { return m_strip; }
    WrappingText *summaryText() const { return m_summary; }
    QAbstractButton *rangeButton(int hours) const;

    // One point per bucket: its start, average and segment.
    static std::vector<ChartPoint> chartPoints(const HistorySeries &series);
    // Whole percent of buckets plugged in for at least half their samples; 0 without buckets.
    static int pluggedShare(const std::vector<HistoryBucket> &buckets);
    // The lowest and highest level with their times, and the plugged-in share.
    static QString summary(const std::vector<ChartPoint> &points, const std::vector<HistoryBucket> &buckets,
                           Timestamp now);

Q_SIGNALS:
    // A load finished and its series is on screen.
    void loaded();

private:
    void load();
    void showSeries();

    Loader m_loader;
    const Clock &m_clock;
    std::optional<HistorySeries> m_preloaded;
    int m_hours = 24;
    HistorySeries m_series;
    Timestamp m_lastLoad;
    std::optional<Timestamp> m_refreshKey;
    bool m_loading = false;
    bool m_rangeLoaded = false; // an answer for the range shown has come
    int m_generation = 0;

    QButtonGroup *m_range;
    TimeSeriesChart *m_chart;
    PluggedStrip *m_strip;
    WrappingText *m_summary;
};

} // namespace voltmere
