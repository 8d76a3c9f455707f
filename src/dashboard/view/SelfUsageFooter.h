#pragma once

#include "monitor/Monitor.h"

#include <QWidget>

namespace voltmere {

class TextComponent;

// The foot of the dashboard's sidebar: what Voltmere itself costs, as the
// average share of one core with no window open and with one open, and how
// often it samples. Main thread only.
class SelfUsageFooter : public QWidget {
    Q_OBJECT
public:
    // Averages over less awake time than this are not shown yet.
    static constexpr double minimumWallSeconds = 30;

    explicit SelfUsageFooter(Monitor &monitor, QWidget *parent = nullptr);

    // "0.42%" once 30 awake seconds are covered, "measuring…" before.
    static QString usageText(const Monitor::UsageAccumulator &usage);
    // "Every 2 s".
    static QString intervalText(double interval);

    TextComponent *closedValue() const { return m_closed; }
    TextComponent *openValue() const { return m_open; }
    TextComponent *interval() const { return m_interval; }

public Q_SLOTS:
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Monitor &m_monitor;
    TextComponent *m_closed;
    TextComponent *m_open;
    TextComponent *m_interval;
};

} // namespace voltmere
