#pragma once

#include "history/ChartPoint.h"
#include "history/HistoryMetric.h"
#include "history/HistorySeries.h"
#include "model/ProcessCPU.h"
#include "model/Snapshot.h"
#include "ui/DashboardPage.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QHBoxLayout;
class QVBoxLayout;

namespace voltmere {

class Card;
class ExportAction;
class HistoryControls;
class HistoryEmpty;
class HistorySkeleton;
class Monitor;
class SelectableText;
class TextComponent;
class TimeSeriesChart;
class WrappingText;

// The dashboard's History section: any stored metric over 1 hour to 7 days,
// with its summary, highest readings, the processes captured near a chosen
// moment, the gaps in the record and where the data lives.
//
// Loads run on the history pool and come back to the main thread; a load for
// a choice the user has already left is skipped if it has not started, and
// its answer dropped if it has. Process look-ups run one at a time: while
// one runs, only the newest moment chosen waits for its turn, so sweeping
// the pointer over the chart never piles look-ups up. A reading more than a
// minute past the loaded range refreshes the page in place: the reading
// buttons and gap rows are updated, not rebuilt, so focus, the chosen
// reading and a text selection stay where they were. Main thread only.
class HistoryView : public DashboardPage {
    Q_OBJECT
public:
    // One chosen moment of the chart and what was stored near it.
    struct Inspection {
        Timestamp date = 0;
        double value = 0;
        QString label; // "peak at 14:05 (within a 6 min bucket)"
        // Absent until looked up, and when no sample was near.
        std::optional<std::vector<ProcessCPU>> processes;
        std::optional<Timestamp> sampleDate;
        bool operator==(const Inspection &) const = default;
    };

    // The sample near a moment and its processes, as the store answers it.
    using ProcessLookup
        = std::function<std::optional<std::pair<Timestamp, std::vector<ProcessCPU>>>(Timestamp date)>;

    explicit HistoryView(Monitor &monitor, QWidget *parent = nullptr);
    ~HistoryView() override;

    QString title() const override { return QStringLiteral("History"); }
    QString copyText() const override;
    QWidget *control() const override;

    HistoryMetric metric() const { return m_metric; }
    int hours() const { return m_hours; }
    const HistorySeries &series() const { return m_series; }
    bool isLoading() const { return m_loading; }
    Timestamp rangeEnd() const { return m_rangeEnd; }
    const std::optional<Inspection> &inspected() const { return m_inspected; }
    const std::vector<ChartPoint> &peaks() const { return m_peaks; }
    const std::vector<ChartPoint> &averages() const { return m_averages; }
    TimeSeriesChart *chart() const { return m_chart; }
    HistoryControls *controls() const { return m_controls; }

    // Where `inspect` looks processes up, on the history pool; the history
    // store by default.
    void setProcessLookup(ProcessLookup lookup) { m_processLookup = std::move(lookup); }

    // Shows `series` as loaded at `rangeEnd` and never loads by itself (the
    // still renders).
    void showPreloaded(const HistorySeries &series, Timestamp rangeEnd);
    // Shows the loading placeholder and never loads (the still renders).
    void showPlaceholder();

    // Loads the chosen metric and range; with `reset`, first clears the page
    // back to its placeholder.
    void reload(bool reset);
    // Inspects the peak nearest `date` (the earlier on a tie); nothing for
    // an absent date.
    void select(std::optional<Timestamp> date, const std::vector<ChartPoint> &peaks);
    // Shows the reading and looks up the processes stored near it; a lookup
    // that returns after a newer choice is dropped.
    void inspect(Timestamp date, double value);

    QString bucketDescription() const;
    QString summary() const;
    QString storageFooterText() const;
    // Why a new history was started, when the old file was damaged; empty
    // otherwise. Shown above everything else on the page.
    QString noticeText() const;

Q_SIGNALS:
    // A load or process lookup has been applied (for drivers and tests).
    void seriesApplied();
    void inspectionChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setKey(HistoryMetric metric, int hours);
    void applySeries(const HistorySeries &series, Timestamp rangeEnd);
    void lookUp(Timestamp date);
    void latestMayRefresh();
    // "Export…": the shown range, of the shown metric or of every metric.
    void exportRange(bool everyMetric);
    void rebuild();
    void rebuildChart();
    void rebuildSpikes();
    void rebuildInspection();
    void rebuildGaps();
    void rebuildFooter();
    void rebuildNotice();
    Timestamp now() const;

    Monitor &m_monitor;
    HistoryMetric m_metric = HistoryMetric::cpu;
    int m_hours = 1;
    HistorySeries m_series;
    Timestamp m_rangeEnd;
    std::optional<Inspection> m_inspected;
    bool m_loading = true;
    bool m_preloaded = false;
    // Each load and lookup carries the number current when it started; an
    // answer whose number is no longer current is dropped.
    // Shared with the pool, so a load still waiting there when a newer one
    // starts does not run at all.
    std::shared_ptr<std::atomic<quint64>> m_loadGeneration = std::make_shared<std::atomic<quint64>>(0);
    std::vector<ChartPoint> m_peaks;
    std::vector<ChartPoint> m_averages;
    ProcessLookup m_processLookup;
    bool m_lookingUp = false;
    std::optional<Timestamp> m_waitingLookup; // the newest moment chosen meanwhile
    std::optional<Inspection> m_shownInspection;

    HistoryControls *m_controls;
    ExportAction *m_export = nullptr; // made on first use
    WrappingText *m_notice;
    HistorySkeleton *m_skeleton;
    HistoryEmpty *m_empty;
    QWidget *m_content;
    TextComponent *m_chartHeader;
    TimeSeriesChart *m_chart;
    SelectableText *m_summary;
    QVBoxLayout *m_spikeList;
    QWidget *m_noSpikes;
    std::vector<QWidget *> m_spikeButtons; // in the list's order
    QVBoxLayout *m_inspection;
    QVBoxLayout *m_gapList;
    QWidget *m_noGaps;
    std::vector<QWidget *> m_gapRows; // newest first
    TextComponent *m_gapFootnote;
    SelectableText *m_footer;
};

} // namespace voltmere
