#include "model/Format.h"

#include <QDateTime>
#include <QLocale>

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>

namespace voltmere::Format {

namespace {

// The byte-count formatters are QLocale's: memory counts in powers of 1,024
// with the customary "KB/MB/GB" names, file and network counts in powers of
// 1,000. One decimal keeps the panel's numbers short.
struct ByteFormatter {
    QLocale::DataSizeFormats style;
    QString format(double value) const
    {
        const auto count = static_cast<std::int64_t>(std::max(value, 0.0));
        // QLocale writes "1 bytes"; a chart's axis often stops at exactly one.
        if (count == 1) {
            return QStringLiteral("1 byte");
        }
        return QLocale().formattedDataSize(count, 1, style);
    }
};

const ByteFormatter &memoryBytes()
{
    static const ByteFormatter formatter{QLocale::DataSizeTraditionalFormat};
    return formatter;
}

const ByteFormatter &fileBytes()
{
    static const ByteFormatter formatter{QLocale::DataSizeSIFormat};
    return formatter;
}

// ICU's formatters are not safe for concurrent use, and timestamps are also
// written by background history tasks, so the two share one mutex.
struct DateFormatters {
    std::mutex mutex;
    std::unique_ptr<icu::DateFormat> time;
    std::unique_ptr<icu::DateFormat> dayTime;

    DateFormatters()
    {
        const icu::Locale locale = icu::Locale::getDefault();
        time.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_SUCCESS(status)) {
            const icu::UnicodeString pattern =
                generator->getBestPattern(icu::UnicodeString::fromUTF8("EEE d MMM HH:mm:ss"), status);
            if (U_SUCCESS(status)) {
                dayTime = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
                if (U_FAILURE(status)) {
                    dayTime.reset();
                }
            }
        }
    }

    QString format(icu::DateFormat *formatter, Timestamp date)
    {
        if (!formatter) {
            return QDateTime::fromMSecsSinceEpoch(std::llround(date * 1000.0)).toString(Qt::ISODate);
        }
        std::lock_guard lock(mutex);
        icu::UnicodeString text;
        formatter->format(static_cast<UDate>(date * 1000.0), text);
        std::string utf8;
        text.toUTF8String(utf8);
        return QString::fromStdString(utf8);
    }
};

DateFormatters &dateFormatters()
{
    static DateFormatters formatters;
    return formatters;
}

QString plural(long long count, const char *one, const char *many)
{
    return count == 1 ? QString::fromLatin1(one) : QString::number(count) + QLatin1Char(' ') + QLatin1String(many);
}

} // namespace

QString bytes(std::optional<double> value)
{
    if (!value || !std::isfinite(*value)) {
        return dash;
    }
    return memoryBytes().format(*value);
}

QString rate(std::optional<double> bytesPerSecond)
{
    if (!bytesPerSecond || !std::isfinite(*bytesPerSecond)) {
        return dash;
    }
    return fileBytes().format(*bytesPerSecond) + QStringLiteral("/s");
}

namespace {

// `value` in fixed notation with exactly `decimals` digits; absent for an
// absent or non-finite value.
std::optional<QString> fixed(std::optional<double> value, int decimals)
{
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    // std::to_chars is printf's fixed notation in the C locale (which
    // QApplication no longer guarantees for printf itself), including its
    // rounding of exact halves to even: 0.5 with no decimals gives 0.
    // QString::number would round those away from zero instead.
    char text[400]; // the longest double in fixed notation, plus decimals
    const auto end = std::to_chars(text, text + sizeof text, *value, std::chars_format::fixed,
                                   std::clamp(decimals, 0, 60));
    if (end.ec != std::errc()) {
        return std::nullopt;
    }
    return QString::fromLatin1(text, end.ptr - text);
}

// A figure and its unit, or "—" without a figure.
QString withUnit(const std::optional<QString> &figure, const QString &unit)
{
    return figure ? *figure + unit : dash;
}

} // namespace

QString percent(std::optional<double> value, int decimals)
{
    return withUnit(fixed(value, decimals), QStringLiteral("%"));
}

QString celsius(std::optional<double> value)
{
    return withUnit(fixed(value, 1), QStringLiteral(" \u00b0C"));
}

QString rpm(std::optional<double> value)
{
    return withUnit(fixed(value, 0), QStringLiteral(" RPM"));
}

std::optional<QString> duration(std::optional<int> minutes)
{
    if (!minutes || *minutes < 0) {
        return std::nullopt;
    }
    const int m = *minutes;
    if (m < 60) {
        return QString::number(m) + QStringLiteral(" min");
    }
    return QString::number(m / 60) + QStringLiteral(" h ") + QString::number(m % 60) + QStringLiteral(" min");
}

QString span(double seconds)
{
    if (seconds < 60) {
        return QString::number(std::llround(seconds)) + QStringLiteral(" s");
    }
    return durationSpoken(seconds);
}

QString durationSpoken(double seconds)
{
    const auto m = static_cast<long long>(std::floor(seconds / 60.0));
    if (m <= 59) {
        return m < 2 ? QStringLiteral("1 minute") : QString::number(m) + QStringLiteral(" minutes");
    }
    const QString hours = plural(m / 60, "1 hour", "hours");
    const long long rest = m % 60;
    if (rest == 0) {
        return hours;
    }
    return hours + QLatin1Char(' ') + plural(rest, "1 minute", "minutes");
}

QString timestamp(Timestamp date, Timestamp reference)
{
    auto &formatters = dateFormatters();
    const QDate day = QDateTime::fromMSecsSinceEpoch(std::llround(date * 1000.0)).date();
    const QDate referenceDay = QDateTime::fromMSecsSinceEpoch(std::llround(reference * 1000.0)).date();
    if (day == referenceDay) {
        return formatters.format(formatters.time.get(), date);
    }
    return formatters.format(formatters.dayTime.get(), date);
}

} // namespace voltmere::Format
