#include "dashboard/view/SegmentButton.h"

#include "dashboard/view/Environment.h"
#include "dashboard/view/FocusRing.h"
#include "dashboard/view/Theme.h"

#include <QFontMetrics>
#include <QPainter>

namespace voltmere {

namespace {

QFont segmentFont(bool checked)
{
    return Theme::font(12, checked ? QFont::DemiBold : QFont::Medium);
}

} // namespace

SegmentButton::SegmentButton(const QString &text, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(height);
    FocusRing::attach(this, trackRadius - 2);
}

QSize SegmentButton::sizeHint() const
{
    // Measured in the bolder face, so choosing a segment never clips it.
    return { QFontMetrics(segmentFont(true)).horizontalAdvance(text()) + 20, height };
}

void SegmentButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    if (isChecked()) {
        const QRectF pill = QRectF(rect()).adjusted(2, 2, -2, -2);
        painter.setPen(QPen(Theme::cardStroke.resolve(scheme), 0.5));
        painter.setBrush(Theme::cardFillTop.resolve(scheme));
        painter.drawRoundedRect(pill, trackRadius - 2, trackRadius - 2);
    }
    painter.setFont(segmentFont(isChecked()));
    painter.setPen((isChecked() ? Theme::text : Theme::muted).resolve(scheme));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

SegmentTrack::SegmentTrack(QWidget *parent)
    : QWidget(parent)
{
}

void SegmentTrack::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::placeholder.resolve(Environment::colorScheme(this)));
    painter.drawRoundedRect(QRectF(rect()), SegmentButton::trackRadius, SegmentButton::trackRadius);
}

} // namespace voltmere
