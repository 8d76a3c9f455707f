#pragma once

#include "history/ChartPoint.h"
#include "model/BatteryReading.h"
#include "model/Snapshot.h"
#include "platform/Clock.h"
#include "platform/PlatformText.h"

#include <QWidget>

#include <optional>
#include <vector>

class QHBoxLayout;

namespace voltmere {

class ChargeRing;
class HeroNumber;
class ProcessIconView;
class SegmentGauge;
class SymbolView;
class TextComponent;
class TimeSeriesChart;
class Unavailable;
class AttentionDot;
class WrappingText;

// The contents of the panel's three tiles. Each is a plain view of the
// values it is given; the panel wraps it in a TileButton. Main thread only.

// Battery and power adapter: a reading with its ring, "Reading battery…"
// before the first reading, or the adapter card on a machine without one.
class PowerTile : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal ringSize = 76;
    static constexpr qreal ringLineWidth = 8;
    static constexpr qreal figureSize = 30;
    // Room kept between the figure and the ring's stroke: clear of the
    // charging glow (ChargeRing::haloMargin) too.
    static constexpr qreal figureClearance = 5;

    enum class Mode { reading, waiting, noBattery };
    struct StateLine {
        QString symbol;
        QString text;
        bool charging = false;
        bool operator==(const StateLine &) const = default;
    };

    explicit PowerTile(QWidget *parent = nullptr);

    void set(const std::optional<BatteryReading> &battery, bool hasBattery, std::optional<int> reminderTarget);

    static Mode mode(const std::optional<BatteryReading> &battery, bool hasBattery);
    static StateLine stateLine(const BatteryReading &battery);
    // Adapter wattage, time to full, time left, joined by " · "; absent when
    // none of them is known.
    static std::optional<QString> detailLine(const BatteryReading &battery);
    static QString reminderLine(int target);

    Mode shownMode() const { return m_mode; }
    ChargeRing *ring() const { return m_ring; }

private:
    Mode m_mode = Mode::waiting;
    void showOnly(QWidget *page);
    // Sizes the figure so that it and its sign stay inside the ring's hole.
    void fitLevel(const QString &digits);

    QWidget *m_waiting;
    QWidget *m_noBattery;
    QWidget *m_reading;
    ChargeRing *m_ring;
    HeroNumber *m_level;
    TextComponent *m_percent;
    QWidget *m_percentBox;
    QWidget *m_levelBox;
    Unavailable *m_levelUnavailable;
    SymbolView *m_stateSymbol;
    WrappingText *m_stateText;
    WrappingText *m_detail;
    WrappingText *m_reminder;
};

// CPU: the busiest process, the share of all cores as a big number over a
// chart of the last minute, and the processor's temperature where there is
// one.
class CPUTile : public QWidget {
    Q_OBJECT
public:
    static constexpr double windowSeconds = 60;
    static inline const QString unavailableReason = PlatformText::say(PlatformText::Name::cpuWaiting);

    explicit CPUTile(const Clock &clock, QWidget *parent = nullptr);

    void set(const std::vector<Snapshot> &snapshots, const std::optional<Snapshot> &latest);

    // One point per snapshot with a CPU figure; a hole of more than 20 s
    // between consecutive snapshots (with or without a figure) starts a new
    // segment.
    static std::vector<ChartPoint> chartPoints(const std::vector<Snapshot> &snapshots);
    // name + " " + CPU with one decimal + "%".
    static QString topProcessText(const ProcessCPU &process);
    // A whole percent, "—" for a value that is not finite.
    static QString readout(double value);

    TimeSeriesChart *chart() const { return m_chart; }
    HeroNumber *heroNumber() const { return m_hero; }
    Unavailable *unavailable() const { return m_unavailable; }
    TextComponent *topProcess() const { return m_topText; }
    TextComponent *caption() const { return m_caption; }
    // "Share of all cores", followed by " · CPU 54.5 °C" with a temperature.
    static QString captionText(std::optional<double> celsius);

private:
    const Clock &m_clock;
    QWidget *m_topBox;
    ProcessIconView *m_topIcon;
    TextComponent *m_topText;
    TimeSeriesChart *m_chart;
    HeroNumber *m_hero;
    TextComponent *m_caption;
    Unavailable *m_unavailable;
};

// Memory pressure: the level in words, the pressure figure, used of total,
// and a segment gauge.
class MemoryTile : public QWidget {
    Q_OBJECT
public:
    static constexpr int gaugeSegments = 28;
    static constexpr qreal gaugeHeight = 9;

    explicit MemoryTile(QWidget *parent = nullptr);

    void set(const std::optional<Snapshot> &latest);

    // used + " of " + total; absent unless both are known.
    static std::optional<QString> usedOfTotal(const Snapshot &snapshot);

    TextComponent *levelText() const { return m_level; }
    TextComponent *usedText() const { return m_used; }
    SegmentGauge *gauge() const;
    // True when "used of total" sits on a line of its own, for want of room.
    bool usedOnOwnLine() const { return m_usedWrapped; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeUsed();

    QHBoxLayout *m_row;
    QHBoxLayout *m_usedLine;
    bool m_usedWrapped = false;
    QWidget *m_levelBox;
    AttentionDot *m_dot;
    TextComponent *m_level;
    Unavailable *m_levelUnavailable;
    HeroNumber *m_pressure;
    TextComponent *m_used;
    SegmentGauge *m_normalGauge;
    SegmentGauge *m_alertGauge;
};

} // namespace voltmere
