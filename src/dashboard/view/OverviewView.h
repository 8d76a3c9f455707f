#pragma once

#include "model/OverviewAnchor.h"
#include "ui/DashboardPage.h"

#include <array>

class QGridLayout;

namespace voltmere {

class DashboardScroll;
class MetricCard;
class Monitor;
class OverviewSkeleton;
class ProcessTable;
class WindowPicker;

// The dashboard's first section: CPU, memory pressure, swap, disk, network
// and temperatures over the chosen time window in two columns, then the
// busiest processes; a skeleton until the first reading. Follows every round
// of the Monitor while it exists (it exists only while the window is open), and
// scrolls once to a card that navigation asked for. Main thread only.
class OverviewView : public DashboardPage {
    Q_OBJECT
public:
    static constexpr int scrollMs = 250;

    explicit OverviewView(Monitor &monitor, QWidget *parent = nullptr);

    QString title() const override;
    QString copyText() const override;
    QWidget *control() const override;

    bool isShowingSkeleton() const;
    // Null until the first reading.
    MetricCard *card(OverviewAnchor anchor) const;
    ProcessTable *processTable() const { return m_table; }
    DashboardScroll *scroll() const { return m_scroll; }
    // The card or table that an anchor scrolls to.
    QWidget *anchorTarget(OverviewAnchor anchor) const;

public Q_SLOTS:
    // Re-reads the Monitor and the time window into the page.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void scheduleRefresh();
    void serveAnchor();

    Monitor &m_monitor;
    WindowPicker *m_picker;
    DashboardScroll *m_scroll;
    OverviewSkeleton *m_skeleton;
    QWidget *m_body;
    QGridLayout *m_grid;
    std::array<MetricCard *, 6> m_cards{};
    ProcessTable *m_table = nullptr;
    bool m_refreshPending = false;
    bool m_anchorPending = false;
};

} // namespace voltmere
