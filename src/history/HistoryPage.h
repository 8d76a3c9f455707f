#pragma once

#include "history/ChartPoint.h"
#include "history/HistoryMetric.h"
#include "history/HistorySeries.h"
#include "model/ProcessCPU.h"
#include "model/Snapshot.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace voltmere {

// What the History page says about a loaded series, apart from any widget:
// the range and bucket wording, the points it charts, the highest readings,
// the summary, the copied text and the storage footer. Pure; any thread.
// Times are written relative to `now` (time of day on the same day).
namespace HistoryPage {

inline constexpr int bucketCount = 240;
// The ranges offered, in hours: 1 h, 6 h, 24 h, 7 days.
inline constexpr std::array rangeHours { 1, 6, 24, 168 };
// A later reading this far past the loaded range refreshes it in place.
inline constexpr double refreshAfterSeconds = 60;
// Gaps listed on the page and in the copied text.
inline constexpr std::size_t listedGaps = 8;

// "7 days" for 168, else "6 h": the picker's choices and the sentences.
QString rangeText(int hours);
// "7 days" for 168, else "6 hours": for screen readers.
QString rangeSpoken(int hours);
// "15 s buckets", "1 min buckets", "42 min buckets".
QString bucketDescription(double bucketSeconds);

// One point per bucket at its start with its average, and one at the moment
// of its peak with the peak; both carry the bucket's segment.
std::vector<ChartPoint> averagePoints(const HistorySeries &series);
std::vector<ChartPoint> peakPoints(const HistorySeries &series);

// Up to five of the highest peaks, highest first, each more than a
// twentieth of the range away from every one already taken.
std::vector<ChartPoint> spikes(const std::vector<ChartPoint> &peaks, int hours);

// "peak at 14:05 (within a 6 min bucket)".
QString inspectionLabel(Timestamp date, double bucketSeconds, Timestamp now);

// The one-sentence summary under the chart.
QString summary(HistoryMetric metric, int hours, const HistorySeries &series, const std::vector<ChartPoint> &peaks,
    const std::vector<ChartPoint> &averages, Timestamp now);
// The summary, then the first eight gaps, oldest first, one per line.
QString copyText(HistoryMetric metric, int hours, const HistorySeries &series, const std::vector<ChartPoint> &peaks,
    const std::vector<ChartPoint> &averages, Timestamp now);
// "3 earlier gaps not listed." for more than eight gaps, else empty.
QString gapFootnote(std::size_t gapCount);

// Below a chosen reading: what was stored near it.
QString noSampleSentence();
QString noProcessSentence(std::optional<Timestamp> sampleDate, Timestamp now);
QString processesHeading(std::optional<Timestamp> sampleDate, Timestamp now);

// The path with the home folder written as "~".
QString homeShortened(const QString &path, const QString &home);

// Where the history lives, or why it is not kept: `openError` absent means
// the database is open; `writeError` says why the newest readings are not
// reaching it (they are kept and written once they can be).
QString storageFooter(const std::optional<QString> &openError, bool open, const QString &path, const QString &home,
    std::int64_t fileSize, int retentionDays, const std::optional<QString> &writeError = std::nullopt);

// Above the page after the store found its file damaged and started anew:
// what happened, where the old file is kept (home shown as "~") and when the
// new history began.
QString damagedFileNotice(
    const QString &keptAs, const QString &reason, Timestamp startedAt, const QString &home, Timestamp now);

} // namespace HistoryPage

} // namespace voltmere
