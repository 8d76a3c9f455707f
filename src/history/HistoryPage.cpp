#include "history/HistoryPage.h"

#include "model/Format.h"
#include "platform/PlatformText.h"

#include <algorithm>
#include <cmath>

namespace voltmere::HistoryPage {

namespace {

constexpr std::size_t spikeLimit = 5;

QString gapPhrase(const HistorySeries &series)
{
    if (series.gaps.empty()) {
        return QStringLiteral("no gaps");
    }
    double total = 0;
    for (const HistoryGap &gap : series.gaps) {
        total += gap.end - gap.start;
    }
    const auto count = series.gaps.size();
    return QString::number(count) + (count == 1 ? QStringLiteral(" gap") : QStringLiteral(" gaps"))
        + QStringLiteral(" totaling ") + Format::span(total);
}

} // namespace

QString rangeText(int hours)
{
    return hours == 168 ? QStringLiteral("7 days") : QString::number(hours) + QStringLiteral(" h");
}

QString rangeSpoken(int hours)
{
    return hours == 168 ? QStringLiteral("7 days") : QString::number(hours) + QStringLiteral(" hours");
}

QString bucketDescription(double bucketSeconds)
{
    const auto seconds = std::llround(bucketSeconds);
    if (seconds > 59) {
        return QString::number(seconds / 60) + QStringLiteral(" min buckets");
    }
    return QString::number(std::max<long long>(seconds, 1)) + QStringLiteral(" s buckets");
}

std::vector<ChartPoint> averagePoints(const HistorySeries &series)
{
    std::vector<ChartPoint> points;
    points.reserve(series.buckets.size());
    for (const HistoryBucket &bucket : series.buckets) {
        points.push_back({ bucket.start, bucket.avg, bucket.segment });
    }
    return points;
}

std::vector<ChartPoint> peakPoints(const HistorySeries &series)
{
    std::vector<ChartPoint> points;
    points.reserve(series.buckets.size());
    for (const HistoryBucket &bucket : series.buckets) {
        points.push_back({ bucket.maxAt, bucket.max, bucket.segment });
    }
    return points;
}

std::vector<ChartPoint> spikes(const std::vector<ChartPoint> &peaks, int hours)
{
    std::vector<ChartPoint> sorted = peaks;
    // Stable, so equal peaks keep their time order.
    std::stable_sort(
        sorted.begin(), sorted.end(), [](const ChartPoint &a, const ChartPoint &b) { return a.value > b.value; });
    const double spacing = hours * 3600.0 / 20;
    std::vector<ChartPoint> taken;
    for (const ChartPoint &point : sorted) {
        if (taken.size() == spikeLimit) {
            break;
        }
        const bool apart = std::all_of(taken.begin(), taken.end(),
            [&](const ChartPoint &other) { return std::abs(point.date - other.date) > spacing; });
        if (apart) {
            taken.push_back(point);
        }
    }
    return taken;
}

QString inspectionLabel(Timestamp date, double bucketSeconds, Timestamp now)
{
    QString label = QStringLiteral("peak at ") + Format::timestamp(date, now);
    if (bucketSeconds >= 10) {
        QString width = bucketDescription(bucketSeconds);
        width.remove(QStringLiteral(" buckets"));
        label += QStringLiteral(" (within a ") + width + QStringLiteral(" bucket)");
    }
    return label;
}

QString summary(HistoryMetric metric, int hours, const HistorySeries &series, const std::vector<ChartPoint> &peaks,
    const std::vector<ChartPoint> &averages, Timestamp now)
{
    if (peaks.empty() || averages.empty()) {
        return QStringLiteral("No ") + title(metric).toLower() + QStringLiteral(" readings in this range yet.");
    }
    // The first of equal peaks is the one named.
    const ChartPoint peak = *std::max_element(
        peaks.begin(), peaks.end(), [](const ChartPoint &a, const ChartPoint &b) { return a.value < b.value; });
    double sum = 0;
    for (const ChartPoint &point : averages) {
        sum += point.value;
    }
    const double mean = sum / static_cast<double>(averages.size());
    return title(metric) + QStringLiteral(" averaged ") + format(metric, mean) + QStringLiteral(" over the last ")
        + rangeText(hours) + QStringLiteral(", peaking at ") + format(metric, peak.value) + QStringLiteral(" at ")
        + Format::timestamp(peak.date, now) + QStringLiteral(". ") + QString::number(series.sampleCount)
        + QStringLiteral(" readings, ") + gapPhrase(series) + QStringLiteral(".");
}

QString copyText(HistoryMetric metric, int hours, const HistorySeries &series, const std::vector<ChartPoint> &peaks,
    const std::vector<ChartPoint> &averages, Timestamp now)
{
    QString text = summary(metric, hours, series, peaks, averages, now);
    const std::size_t listed = std::min(series.gaps.size(), listedGaps);
    for (std::size_t i = 0; i < listed; ++i) {
        const HistoryGap &gap = series.gaps[i];
        text += QLatin1Char('\n') + label(gap.reason) + QStringLiteral(": ") + Format::timestamp(gap.start, now)
            + QStringLiteral(" \u2013 ") + Format::timestamp(gap.end, now);
    }
    return text;
}

QString gapFootnote(std::size_t gapCount)
{
    if (gapCount <= listedGaps) {
        return {};
    }
    return QString::number(gapCount - listedGaps) + QStringLiteral(" earlier gaps not listed.");
}

QString noSampleSentence()
{
    return QStringLiteral("No sample was recorded within 15 seconds of this time.");
}

QString noProcessSentence(std::optional<Timestamp> sampleDate, Timestamp now)
{
    QString text = QStringLiteral("No process was above 0.5% CPU in the sample nearest this time");
    if (sampleDate) {
        text += QStringLiteral(" (") + Format::timestamp(*sampleDate, now) + QStringLiteral(")");
    }
    return text + QStringLiteral(".");
}

QString processesHeading(std::optional<Timestamp> sampleDate, Timestamp now)
{
    return QStringLiteral("Processes captured at ")
        + (sampleDate ? Format::timestamp(*sampleDate, now) : QStringLiteral("this time"))
        + QStringLiteral(" \u00b7 % of one core");
}

QString homeShortened(const QString &path, const QString &home)
{
    if (!home.isEmpty() && (path == home || path.startsWith(home + QLatin1Char('/')))) {
        return QStringLiteral("~") + path.mid(home.size());
    }
    return path;
}

QString storageFooter(const std::optional<QString> &openError, bool open, const QString &path, const QString &home,
    std::int64_t fileSize, int retentionDays, const std::optional<QString> &writeError)
{
    if (!open) {
        return QStringLiteral("History is unavailable: ")
            + openError.value_or(QStringLiteral("the database couldn't be opened")) + QStringLiteral(".");
    }
    return PlatformText::say(PlatformText::Name::storageFooterStart) + homeShortened(path, home)
        + QStringLiteral(" \u00b7 ") + Format::bytes(static_cast<double>(std::max<std::int64_t>(fileSize, 0)))
        + QStringLiteral(" \u00b7 keeps ") + QString::number(retentionDays)
        + QStringLiteral(" days \u00b7 written in batches every 2 minutes.")
        + (writeError ? QStringLiteral(" New readings can't be saved right now: ") + *writeError + QStringLiteral(".")
                      : QString());
}

QString damagedFileNotice(
    const QString &keptAs, const QString &reason, Timestamp startedAt, const QString &home, Timestamp now)
{
    return QStringLiteral("The history file was damaged (%1). It is kept as %2, and a new history started at %3.")
        .arg(reason, homeShortened(keptAs, home), Format::timestamp(startedAt, now));
}

} // namespace voltmere::HistoryPage
