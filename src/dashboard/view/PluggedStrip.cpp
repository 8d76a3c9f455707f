#include "dashboard/view/PluggedStrip.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

QFont labelFont()
{
    return Theme::font(11);
}

} // namespace

PluggedStrip::PluggedStrip(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

std::vector<std::pair<Timestamp, Timestamp>> PluggedStrip::marks(const std::vector<HistoryBucket> &buckets,
                                                                 double bucketSeconds)
{
    std::vector<std::pair<Timestamp, Timestamp>> out;
    for (const HistoryBucket &bucket : buckets) {
        if (bucket.pluggedFraction >= pluggedAtLeast) {
            out.emplace_back(bucket.start, bucket.start + bucketSeconds);
        }
    }
    return out;
}

void PluggedStrip::set(const std::vector<HistoryBucket> &buckets, Timestamp from, Timestamp to, double bucketSeconds)
{
    auto marked = marks(buckets, bucketSeconds);
    if (marked == m_marks && from == m_from && to == m_to) {
        return;
    }
    m_marks = std::move(marked);
    m_from = from;
    m_to = to;
    update();
}

QSize PluggedStrip::sizeHint() const
{
    const qreal text = QFontMetricsF(labelFont()).height();
    return {360, static_cast<int>(std::ceil(std::max(text, barHeight)))};
}

QSize PluggedStrip::minimumSizeHint() const
{
    return {static_cast<int>(labelWidth) + 40, sizeHint().height()};
}

void PluggedStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    painter.setFont(labelFont());
    painter.setPen(Theme::muted.resolve(scheme));
    painter.drawText(QRectF(0, 0, labelWidth, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("Plugged in"));

    const QRectF bar(labelWidth, (height() - barHeight) / 2, std::max(0.0, width() - labelWidth), barHeight);
    const double span = m_to - m_from;
    if (span <= 0 || bar.width() <= 0) {
        return;
    }
    // A faint track shows the strip's whole time range, marks or not.
    painter.setPen(Qt::NoPen);
    QColor track = Theme::placeholder.resolve(scheme);
    track.setAlphaF(0.5f);
    painter.setBrush(track);
    painter.drawRoundedRect(bar, 2, 2);
    QColor fill = Theme::mint.resolve(scheme);
    fill.setAlphaF(static_cast<float>(fill.alphaF() * markOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.setClipRect(bar);
    for (const auto &[start, end] : m_marks) {
        const qreal left = bar.left() + (start - m_from) / span * bar.width();
        const qreal right = bar.left() + (end - m_from) / span * bar.width();
        // Neighbouring buckets touch, so their marks read as one span.
        painter.drawRect(QRectF(QPointF(left, bar.top()), QPointF(right, bar.bottom())));
    }
}

} // namespace voltmere
