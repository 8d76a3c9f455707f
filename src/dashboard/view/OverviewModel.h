#pragma once

#include "history/ChartSeries.h"
#include "history/GapBand.h"
#include "model/OverviewAnchor.h"
#include "model/Snapshot.h"
#include "model/ThemeColor.h"
#include "monitor/SnapshotSeries.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace voltmere {

class Monitor;

// What the Overview shows, worked out from the Monitor without any widget:
// the six cards' values, charts and sentences and the page's copied text.
// The view only lays these out. Main thread only (it reads the Monitor).
namespace OverviewModel {

using ValueFormat = std::function<QString(double)>;

// Read-outs of the charts and sentences: "—" for a value that is not finite.
QString wholePercent(double value);
QString memoryBytes(double value);
QString rate(double value);
QString celsius(double value);

// The Temperatures card. Why the processor's temperature is missing: no
// sensor at all, none that is the processor's, or its file could not be
// read this round.
QString sensorsUnavailable(const std::optional<SensorReading> &sensors);
// The hottest other sensor and the fans ("NVMe 41.9 °C · 2 fans, fastest
// 2400 RPM"); absent when there are neither.
std::optional<QString> sensorsDetail(const SensorReading &sensors);

struct Legend {
    QString name;
    ThemeColor color;
    bool operator==(const Legend &) const = default;
};
struct Badge {
    QString text;
    bool attention = false;
    bool operator==(const Badge &) const = default;
};

struct Card {
    OverviewAnchor anchor = OverviewAnchor::cpu;
    QString title;
    std::optional<QString> value;      // absent: unavailable
    QString unavailable;               // the reason, in this platform's words
    std::optional<ThemeColor> valueColor; // absent: the text colour
    std::optional<Badge> badge;
    std::optional<QString> detail;
    bool compactValue = false;
    std::vector<Legend> legend;
    QString chartTitle;
    std::vector<ChartSeries> series;
    std::optional<std::pair<double, double>> yDomain; // absent: automatic
    ValueFormat format;
    std::vector<GapBand> gaps;
    QString summary;
};

struct Page {
    Timestamp start = 0; // the charts' time range
    Timestamp end = 0;
    std::vector<Card> cards; // CPU, memory pressure, swap, disk, network, temperatures
    QString summary;         // what "Copy summary" copies
};

// The page for a window of `minutes` (1, 5, 15 or 60).
Page build(const Monitor &monitor, int minutes);

// "Overview, last hour." for 60, "Overview, last 5 min." otherwise.
QString headerLine(int minutes);
// The lines about the busiest processes of `latest`.
QStringList processLines(const Snapshot &latest);

} // namespace OverviewModel

} // namespace voltmere
