#pragma once

#include "dashboard/ThemeColor.h"
#include "history/ChartSeries.h"
#include "history/GapBand.h"
#include "monitor/OverviewAnchor.h"
#include "monitor/Snapshot.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace voltmere {

class Monitor;

// What the Overview shows, worked out from the Monitor without any widget:
// the five cards' values, charts and sentences and the page's copied text.
// The view only lays these out. Main thread only (it reads the Monitor).
namespace OverviewModel {

// Readings further apart than this are not joined: the chart starts a new
// line piece and shades the hole between them.
inline constexpr double segmentBreakSeconds = 20;

using Reading = std::function<std::optional<double>(const Snapshot &)>;
using GapLabel = std::function<QString(Timestamp, Timestamp)>;
using ValueFormat = std::function<QString(double)>;

// The points of each reading over `snapshots` (oldest first) and the holes
// between them. A snapshot without the reading still counts as the previous
// date, so a missing value never makes a hole of its own. Without a
// `gapLabel` the bands carry no label.
struct Walk {
    std::vector<std::vector<ChartPoint>> points; // one list per reading, in order
    std::vector<GapBand> gaps;
};
Walk walk(const std::vector<Snapshot> &snapshots, const std::vector<Reading> &readings, const GapLabel &gapLabel);

// Read-outs of the charts and sentences: "—" for a value that is not finite.
QString wholePercent(double value);
QString memoryBytes(double value);
QString rate(double value);

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
    std::vector<Card> cards; // CPU, memory pressure, swap, disk, network
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
