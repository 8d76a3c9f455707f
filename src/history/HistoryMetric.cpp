#include "history/HistoryMetric.h"

#include "model/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace voltmere {

namespace {

struct MetricInfo {
    HistoryMetric metric;
    const char *raw;
    const char *title;
    const char *column;
};

constexpr std::array<MetricInfo, 10> metrics { {
    { HistoryMetric::cpu, "cpu", "CPU", "cpu" },
    { HistoryMetric::memPressure, "memPressure", "Memory pressure", "mem_pressure" },
    { HistoryMetric::swap, "swap", "Swap used", "swap_used" },
    { HistoryMetric::diskRead, "diskRead", "Disk read", "disk_read" },
    { HistoryMetric::diskWrite, "diskWrite", "Disk write", "disk_write" },
    { HistoryMetric::netIn, "netIn", "Network in", "net_in" },
    { HistoryMetric::netOut, "netOut", "Network out", "net_out" },
    { HistoryMetric::battery, "battery", "Battery level", "battery" },
    { HistoryMetric::cpuTemperature, "cpuTemperature", "CPU temperature", "cpu_temp" },
    { HistoryMetric::fanSpeed, "fanSpeed", "Fastest fan", "fan_rpm" },
} };

const MetricInfo &info(HistoryMetric metric)
{
    return *std::find_if(metrics.begin(), metrics.end(), [metric](const MetricInfo &i) { return i.metric == metric; });
}

// Byte counts are whole numbers; negatives (a counter glitch) show as zero.
double wholeBytes(double value)
{
    const double clamped
        = std::min(std::max(value, 0.0), static_cast<double>(std::numeric_limits<std::int64_t>::max()));
    return static_cast<double>(static_cast<std::int64_t>(clamped));
}

} // namespace

std::optional<HistoryMetric> historyMetricFromRaw(std::string_view raw)
{
    for (const MetricInfo &i : metrics) {
        if (raw == i.raw) {
            return i.metric;
        }
    }
    return std::nullopt;
}

QString rawValue(HistoryMetric metric)
{
    return QString::fromLatin1(info(metric).raw);
}

QString title(HistoryMetric metric)
{
    return QString::fromLatin1(info(metric).title);
}

const char *column(HistoryMetric metric)
{
    return info(metric).column;
}

bool isPercent(HistoryMetric metric)
{
    return metric == HistoryMetric::cpu || metric == HistoryMetric::memPressure || metric == HistoryMetric::battery;
}

QString unitWord(HistoryMetric metric)
{
    if (isPercent(metric)) {
        return QStringLiteral("percent");
    }
    switch (metric) {
    case HistoryMetric::swap:
        return QStringLiteral("bytes");
    case HistoryMetric::cpuTemperature:
        return QStringLiteral("degrees Celsius");
    case HistoryMetric::fanSpeed:
        return QStringLiteral("revolutions per minute");
    default:
        return QStringLiteral("bytes per second");
    }
}

QString format(HistoryMetric metric, std::optional<double> value)
{
    if (!value || !std::isfinite(*value)) {
        return Format::dash;
    }
    if (isPercent(metric)) {
        return Format::percent(*value, 0);
    }
    switch (metric) {
    case HistoryMetric::swap:
        return Format::bytes(wholeBytes(*value));
    case HistoryMetric::cpuTemperature:
        return Format::celsius(*value);
    case HistoryMetric::fanSpeed:
        return Format::rpm(*value);
    default:
        return Format::rate(wholeBytes(*value));
    }
}

} // namespace voltmere
