#include "ui/ChartAxes.h"

#include "ui/ChartScale.h"
#include "ui/TabularText.h"
#include "ui/Theme.h"

#include <QDateTime>
#include <QFontMetricsF>

#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace voltmere {

namespace {

// Memos hold a few hundred marks at most: a long-lived chart that pans
// through days starts over instead of growing.
constexpr std::size_t axisLabelMemo = 256;

// ICU patterns from skeletons, so hours follow the locale ("j": 12-hour with
// an abbreviated AM/PM where the locale uses one).
class TimeLabelFormats {
public:
    TimeLabelFormats()
    {
        const icu::Locale locale = icu::Locale::getDefault();
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_FAILURE(status)) {
            return;
        }
        const std::array<const char *, 3> skeletons { "jmmss", "jmm", "EEEj" };
        for (std::size_t i = 0; i < skeletons.size(); ++i) {
            UErrorCode patternStatus = U_ZERO_ERROR;
            const icu::UnicodeString pattern
                = generator->getBestPattern(icu::UnicodeString::fromUTF8(skeletons[i]), patternStatus);
            if (U_FAILURE(patternStatus)) {
                continue;
            }
            auto format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, patternStatus);
            if (U_SUCCESS(patternStatus)) {
                m_formats[i] = std::move(format);
            }
        }
    }

    QString format(Timestamp date, TimeSeriesChart::TimeLabelStyle style) const
    {
        const icu::DateFormat *formatter = m_formats[static_cast<std::size_t>(style)].get();
        if (!formatter) {
            static const std::array<const char *, 3> fallbacks { "HH:mm:ss", "HH:mm", "ddd HH" };
            return QDateTime::fromMSecsSinceEpoch(std::llround(date * 1000.0))
                .toString(QString::fromLatin1(fallbacks[static_cast<std::size_t>(style)]));
        }
        icu::UnicodeString text;
        formatter->format(static_cast<UDate>(date * 1000.0), text);
        std::string utf8;
        text.toUTF8String(utf8);
        return QString::fromStdString(utf8);
    }

private:
    std::array<std::unique_ptr<icu::DateFormat>, 3> m_formats;
};

} // namespace

QFont ChartAxes::font()
{
    return Theme::font(10);
}

void ChartAxes::setFormat(ValueFormat format)
{
    m_format = std::move(format);
    m_valueLabels.clear();
}

QString ChartAxes::formatValue(double value) const
{
    return m_format ? m_format(value) : QString::number(value, 'g', 4);
}

const ChartAxes::Label &ChartAxes::valueLabel(double value)
{
    if (m_valueLabels.size() >= axisLabelMemo) {
        m_valueLabels.clear();
    }
    auto [it, inserted] = m_valueLabels.try_emplace(value);
    if (inserted) {
        it->second.text = formatValue(value);
        it->second.width = TabularText::width(it->second.text, font());
    }
    return it->second;
}

const ChartAxes::Label &ChartAxes::timeLabel(Timestamp date, TimeLabelStyle style)
{
    if (m_timeLabels.size() >= axisLabelMemo) {
        m_timeLabels.clear();
    }
    auto [it, inserted] = m_timeLabels.try_emplace({ date, style });
    if (inserted) {
        it->second.text = xLabel(date, style);
        it->second.width = TabularText::width(it->second.text, font());
    }
    return it->second;
}

std::vector<double> ChartAxes::valueMarks(ValueRange range)
{
    // A coarse format (whole percent over 0–1) would write 0.5 as a second
    // "1%": fewer marks, each with its own label, read better.
    for (int aim = 3; aim > 1; --aim) {
        std::vector<double> ticks = ChartScale::valueTicks(range, aim);
        bool distinct = true;
        for (std::size_t i = 1; i < ticks.size() && distinct; ++i) {
            distinct = valueLabel(ticks[i]).text != valueLabel(ticks[i - 1]).text;
        }
        if (distinct) {
            return ticks;
        }
    }
    return ChartScale::valueTicks(range, 1);
}

std::vector<Timestamp> ChartAxes::timeMarks(TimeRange range, TimeLabelStyle style, qreal plotWidth)
{
    std::vector<Timestamp> ticks;
    for (int aim = 5; aim >= 1; --aim) {
        ticks = ChartScale::timeTicks(range, aim);
        qreal widest = 0;
        for (Timestamp t : ticks) {
            widest = std::max(widest, timeLabel(t, style).width);
        }
        if (static_cast<qreal>(ticks.size()) * (widest + 12) <= plotWidth + widest) {
            break;
        }
    }
    return ticks;
}

QRectF ChartAxes::plotRect(const QRectF &bounds, ValueRange y)
{
    qreal yLabelWidth = 0;
    for (double tick : valueMarks(y)) {
        yLabelWidth = std::max(yLabelWidth, valueLabel(tick).width);
    }
    const QFontMetricsF metrics(font());
    const qreal top = margin + std::ceil(metrics.height() / 2);
    const qreal bottom = margin + std::ceil(metrics.height()) + 2;
    const qreal right = margin + gap + std::ceil(yLabelWidth);
    return bounds.adjusted(margin, top, -right, -bottom);
}

TimeSeriesChart::TimeLabelStyle ChartAxes::xLabelFormat(double rangeSeconds)
{
    if (rangeSeconds <= 3600) {
        return TimeLabelStyle::hourMinuteSecond;
    }
    if (rangeSeconds <= 129600) {
        return TimeLabelStyle::hourMinute;
    }
    return TimeLabelStyle::weekdayHour;
}

QString ChartAxes::xLabel(Timestamp date, TimeLabelStyle style)
{
    static const TimeLabelFormats formats;
    return formats.format(date, style);
}

} // namespace voltmere
