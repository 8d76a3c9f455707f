#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

namespace voltmere {

// A reading the history can chart. The raw value is the case name.
// The processor's temperature and the fastest fan came later; they follow
// the others everywhere the metrics are listed.
enum class HistoryMetric {
    cpu,
    memPressure,
    swap,
    diskRead,
    diskWrite,
    netIn,
    netOut,
    battery,
    cpuTemperature,
    fanSpeed,
};

inline constexpr std::array allHistoryMetrics { HistoryMetric::cpu, HistoryMetric::memPressure, HistoryMetric::swap,
    HistoryMetric::diskRead, HistoryMetric::diskWrite, HistoryMetric::netIn, HistoryMetric::netOut,
    HistoryMetric::battery, HistoryMetric::cpuTemperature, HistoryMetric::fanSpeed };

// Exact case names only; anything else yields no value.
std::optional<HistoryMetric> historyMetricFromRaw(std::string_view raw);
QString rawValue(HistoryMetric metric);
// "CPU", "Memory pressure", …
QString title(HistoryMetric metric);
// The `sample` column holding the metric (a fixed identifier, safe to put
// into SQL text).
const char *column(HistoryMetric metric);
// CPU, memory pressure and battery are 0–100 percentages.
bool isPercent(HistoryMetric metric);
// "percent", "bytes", "bytes per second", "degrees Celsius" or
// "revolutions per minute".
QString unitWord(HistoryMetric metric);
// One value as the charts and lists write it; "—" for absent or non-finite.
// Pure; callable from any thread.
QString format(HistoryMetric metric, std::optional<double> value);

} // namespace voltmere
