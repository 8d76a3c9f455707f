#include "dashboard/view/OverviewModel.h"

#include "history/SeriesSummary.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "platform/PlatformText.h"
#include "ui/Theme.h"

#include <cmath>

namespace voltmere {

namespace OverviewModel {

QString wholePercent(double value)
{
    return std::isfinite(value) ? QString::asprintf("%.0f", value) + QLatin1Char('%') : Format::dash;
}

// Format's byte counts already write "—" for a value that is not finite and
// zero for a negative one.
QString memoryBytes(double value)
{
    return Format::bytes(value);
}

QString rate(double value)
{
    return Format::rate(value);
}

QString celsius(double value)
{
    return Format::celsius(value);
}

QString sensorsUnavailable(const std::optional<SensorReading> &sensors)
{
    if (!sensors) {
        return PlatformText::say(PlatformText::Name::sensorsUnavailable);
    }
    if (sensors->cpuFile.isEmpty()) {
        return PlatformText::say(PlatformText::Name::processorSensorUnavailable);
    }
    return PlatformText::sensorUnreadable(sensors->cpuFile);
}

std::optional<QString> sensorsDetail(const SensorReading &sensors)
{
    QStringList parts;
    if (!sensors.others.empty()) {
        const TemperatureSensor &hottest = sensors.others.front();
        parts << hottest.name + QLatin1Char(' ') + Format::celsius(hottest.celsius);
    }
    if (sensors.fans.size() == 1) {
        parts << QStringLiteral("Fan ") + Format::rpm(sensors.fans.front().rpm);
    } else if (sensors.fans.size() > 1) {
        parts << QString::number(sensors.fans.size()) + QStringLiteral(" fans, fastest ")
                + Format::rpm(sensors.fastestFanRpm());
    }
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    return parts.join(QStringLiteral(" · "));
}

QString headerLine(int minutes)
{
    return QStringLiteral("Overview, last ")
           + (minutes == 60 ? QStringLiteral("hour") : QString::number(minutes) + QStringLiteral(" min"))
           + QLatin1Char('.');
}

QStringList processLines(const Snapshot &latest)
{
    QStringList lines;
    const std::size_t listed = std::min<std::size_t>(latest.topProcesses.size(), 5);
    for (std::size_t i = 0; i < listed; ++i) {
        const ProcessCPU &process = latest.topProcesses[i];
        lines << process.name + QLatin1Char(' ') + QString::asprintf("%.1f", process.cpu) + QStringLiteral("% of one core.");
    }
    if (latest.topProcesses.empty() && latest.unreadableProcessCount == 0) {
        lines << QStringLiteral("Top processes: waiting for a second sample.");
    } else if (latest.otherProcessesCPU && latest.unreadableProcessCount >= 1) {
        lines << QStringLiteral("System processes (") + QString::number(latest.unreadableProcessCount)
                     + QStringLiteral(", combined) ") + QString::asprintf("%.1f", *latest.otherProcessesCPU)
                     + QStringLiteral("% of one core.");
    }
    return lines;
}

namespace {

// "Read 1.2 MB/s · Write 0 B/s"; absent when neither side was measured.
std::optional<QString> pairValue(const QString &first, std::optional<double> a, const QString &second,
                                 std::optional<double> b)
{
    if (!a && !b) {
        return std::nullopt;
    }
    return first + QLatin1Char(' ') + Format::rate(a) + QStringLiteral(" · ") + second + QLatin1Char(' ')
           + Format::rate(b);
}

} // namespace

Page build(const Monitor &monitor, int minutes)
{
    const std::vector<Snapshot> snapshots = monitor.snapshots(minutes);
    const std::optional<Snapshot> &latest = monitor.latest();
    const Timestamp now = monitor.clock().now();

    Page page;
    page.end = latest ? latest->date : now;
    page.start = page.end - minutes * 60.0;

    const SnapshotSeries::Walk w = SnapshotSeries::walk(snapshots,
        {
            [](const Snapshot &s) { return s.cpuTotal; },
            [](const Snapshot &s) { return s.memPressure; },
            [](const Snapshot &s) { return s.swapUsed; },
            [](const Snapshot &s) { return s.diskRead; },
            [](const Snapshot &s) { return s.diskWrite; },
            [](const Snapshot &s) { return s.netIn; },
            [](const Snapshot &s) { return s.netOut; },
            [](const Snapshot &s) { return s.sensors ? s.sensors->cpuCelsius : std::nullopt; },
        },
        [&monitor](Timestamp a, Timestamp b) { return monitor.gapLabel(a, b); });
    const auto &[cpu, pressure, swap, read, write, in, out, temperature] = std::tie(w.points[0], w.points[1],
        w.points[2], w.points[3], w.points[4], w.points[5], w.points[6], w.points[7]);

    const auto describe = [now](const std::vector<ChartPoint> &points, const QString &name, const ValueFormat &format) {
        return SeriesSummary::describe(points, name, format, now);
    };
    const Snapshot empty;
    const Snapshot &s = latest ? *latest : empty;

    Card cpuCard;
    cpuCard.anchor = OverviewAnchor::cpu;
    cpuCard.title = QStringLiteral("CPU");
    if (s.cpuTotal) {
        cpuCard.value = Format::percent(s.cpuTotal, 0);
    }
    cpuCard.unavailable = PlatformText::say(PlatformText::Name::cpuUnavailable);
    if (s.cpuUser && s.cpuSystem) {
        cpuCard.detail = QStringLiteral("User ") + Format::percent(s.cpuUser, 0) + QStringLiteral(" · System ")
                         + Format::percent(s.cpuSystem, 0);
    }
    cpuCard.chartTitle = QStringLiteral("CPU usage, percent of all cores");
    cpuCard.series = {ChartSeries{QStringLiteral("CPU"), Theme::mint, cpu}};
    cpuCard.yDomain = std::pair{0.0, 100.0};
    cpuCard.format = wholePercent;
    const QString cpuLine = describe(cpu, QStringLiteral("CPU"), wholePercent);
    cpuCard.summary = cpuLine;

    Card memoryCard;
    memoryCard.anchor = OverviewAnchor::memory;
    memoryCard.title = QStringLiteral("Memory pressure");
    if (s.memPressure) {
        memoryCard.value = Format::percent(s.memPressure, 0);
    }
    memoryCard.unavailable = PlatformText::say(PlatformText::Name::memoryPressureUnavailable);
    ThemeColor pressureColor = Theme::mint;
    if (s.memLevel) {
        const bool attention = *s.memLevel != MemoryPressureLevel::normal;
        pressureColor = attention ? Theme::amber : Theme::mint;
        memoryCard.valueColor = pressureColor;
        memoryCard.badge = Badge{levelWord(*s.memLevel), attention};
    }
    if (s.memUsed) {
        memoryCard.detail = Format::bytes(s.memUsed) + QStringLiteral(" used of ") + Format::bytes(s.memTotal);
    }
    memoryCard.legend = {{QStringLiteral("Pressure"), pressureColor}};
    memoryCard.chartTitle = QStringLiteral("Memory pressure, percent");
    memoryCard.series = {ChartSeries{QStringLiteral("Pressure"), pressureColor, pressure}};
    memoryCard.yDomain = std::pair{0.0, 100.0};
    memoryCard.format = wholePercent;
    const QString pressureLine = describe(pressure, QStringLiteral("Memory pressure"), wholePercent);
    memoryCard.summary = pressureLine + QLatin1Char(' ') + PlatformText::say(PlatformText::Name::pressureExplanation);

    Card swapCard;
    swapCard.anchor = OverviewAnchor::swap;
    swapCard.title = QStringLiteral("Swap used");
    if (s.swapUsed) {
        swapCard.value = Format::bytes(s.swapUsed);
    }
    swapCard.unavailable = PlatformText::say(PlatformText::Name::swapUnavailable);
    if (s.swapTotal) {
        swapCard.detail = QStringLiteral("of ") + Format::bytes(s.swapTotal) + QLatin1Char(' ')
                          + PlatformText::say(PlatformText::Name::swapNoun);
    }
    swapCard.chartTitle = QStringLiteral("Swap used, bytes");
    swapCard.series = {ChartSeries{QStringLiteral("Swap"), Theme::mint, swap}};
    swapCard.format = memoryBytes;
    const QString swapLine = describe(swap, QStringLiteral("Swap used"), memoryBytes);
    swapCard.summary = swapLine;

    // The summary names each side by the card's title and the side in lower case.
    QStringList sideLines;
    const auto throughputCard = [&](OverviewAnchor anchor, const QString &title, const QString &first,
                                    std::optional<double> firstValue, const std::vector<ChartPoint> &firstPoints,
                                    const QString &second, std::optional<double> secondValue,
                                    const std::vector<ChartPoint> &secondPoints, const QString &unavailable,
                                    const QString &chartTitle) {
        Card card;
        card.anchor = anchor;
        card.title = title;
        card.compactValue = true;
        card.value = pairValue(first, firstValue, second, secondValue);
        card.unavailable = unavailable;
        card.legend = {{first, Theme::mint}, {second, Theme::slate}};
        card.chartTitle = chartTitle;
        card.series = {ChartSeries{first, Theme::mint, firstPoints}, ChartSeries{second, Theme::slate, secondPoints}};
        card.format = rate;
        const QString firstLine = describe(firstPoints, title + QLatin1Char(' ') + first.toLower(), rate);
        const QString secondLine = describe(secondPoints, title + QLatin1Char(' ') + second.toLower(), rate);
        card.summary = firstLine + QLatin1Char(' ') + secondLine;
        sideLines << firstLine << secondLine;
        return card;
    };
    Card diskCard = throughputCard(OverviewAnchor::disk, QStringLiteral("Disk"), QStringLiteral("Read"), s.diskRead,
        read, QStringLiteral("Write"), s.diskWrite, write, PlatformText::say(PlatformText::Name::diskUnavailable),
        QStringLiteral("Disk throughput, bytes per second"));
    Card networkCard = throughputCard(OverviewAnchor::network, QStringLiteral("Network"), QStringLiteral("In"), s.netIn,
        in, QStringLiteral("Out"), s.netOut, out, PlatformText::say(PlatformText::Name::networkUnavailable),
        QStringLiteral("Network throughput, bytes per second"));

    Card temperatureCard;
    temperatureCard.anchor = OverviewAnchor::temperatures;
    temperatureCard.title = QStringLiteral("Temperatures");
    temperatureCard.unavailable = sensorsUnavailable(s.sensors);
    ThemeColor temperatureColor = Theme::mint;
    if (s.sensors) {
        if (s.sensors->cpuCelsius) {
            temperatureCard.value = Format::celsius(s.sensors->cpuCelsius);
        }
        if (s.sensors->cpuNearCritical()) {
            temperatureColor = Theme::amber;
            temperatureCard.valueColor = temperatureColor;
            temperatureCard.badge = Badge{QStringLiteral("Near critical"), true};
        }
        temperatureCard.detail = sensorsDetail(*s.sensors);
    }
    temperatureCard.chartTitle = QStringLiteral("CPU temperature, degrees Celsius");
    temperatureCard.series = {ChartSeries{QStringLiteral("CPU temperature"), temperatureColor, temperature}};
    temperatureCard.format = celsius;
    const QString temperatureLine = describe(temperature, QStringLiteral("CPU temperature"), celsius);
    temperatureCard.summary = temperatureLine;
    if (s.sensors) {
        // Every other sensor missing from this round: the processor's file,
        // when it failed, is already the card's reason for showing no value.
        for (const QString &file : s.sensors->unreadable) {
            if (temperatureCard.value || file != s.sensors->cpuFile) {
                temperatureCard.summary += QLatin1Char(' ') + PlatformText::sensorUnreadable(file);
            }
        }
    }

    page.cards = {std::move(cpuCard), std::move(memoryCard), std::move(swapCard), std::move(diskCard),
                  std::move(networkCard), std::move(temperatureCard)};
    for (Card &card : page.cards) {
        card.gaps = w.gaps;
    }

    QStringList lines{headerLine(minutes), cpuLine, pressureLine, swapLine};
    lines << sideLines << temperatureLine;
    if (latest) {
        lines << processLines(*latest);
    }
    page.summary = lines.join(QLatin1Char('\n'));
    return page;
}

} // namespace OverviewModel

} // namespace voltmere
