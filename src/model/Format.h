#pragma once

#include "model/Snapshot.h"

#include <QString>

#include <optional>

namespace voltmere {

// The one place where readings become text, so every surface writes a value
// the same way. Absent and non-finite inputs give "—" (EM DASH). Integers are
// written in plain decimal without grouping. Callable from any thread.
namespace Format {

inline const QString dash = QStringLiteral("\u2014");

// Memory-style byte count (powers of 1,024); negatives format as zero.
QString bytes(std::optional<double> value);
// File-style byte count (powers of 1,000) followed by "/s".
QString rate(std::optional<double> bytesPerSecond);
// Fixed notation with exactly `decimals` digits, then "%".
QString percent(std::optional<double> value, int decimals = 0);
// Degrees Celsius with one decimal: "54.3 °C".
QString celsius(std::optional<double> value);
// A fan's speed in whole revolutions per minute: "2400 RPM".
QString rpm(std::optional<double> value);
// "42 min", "2 h 15 min"; absent for absent or negative input.
std::optional<QString> duration(std::optional<int> minutes);
// "42 s" below a minute, otherwise durationSpoken.
QString span(double seconds);
// Whole minutes and hours in words; seconds are never spoken.
QString durationSpoken(double seconds);
// Time of day when `date` falls on the same local day as `reference`,
// otherwise the locale's weekday-day-month-time form.
QString timestamp(Timestamp date, Timestamp reference);

} // namespace Format

} // namespace voltmere
