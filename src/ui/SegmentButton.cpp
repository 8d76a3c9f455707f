#include "ui/SegmentButton.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QButtonGroup>
#include <QFocusEvent>
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
    setFocusPolicy(Qt::StrongFocus);
    // Arrow keys then move the choice between the segments, as in a radio
    // group; the group still decides which one is on.
    setAutoExclusive(true);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (on) {
            becomeTabStop();
        }
    });
}

// Tab enters the control at the chosen segment, not wherever focus last was.
void SegmentButton::becomeTabStop()
{
    if (!group()) {
        return;
    }
    for (QAbstractButton *button : group()->buttons()) {
        const Qt::FocusPolicy policy = button->focusPolicy();
        button->setFocusPolicy(button == this ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                              : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}

void SegmentButton::focusInEvent(QFocusEvent *event)
{
    // Only keyboard focus earns a ring, as clicks show themselves.
    m_keyboardFocus = event->reason() != Qt::MouseFocusReason;
    QAbstractButton::focusInEvent(event);
    if (isChecked()) {
        becomeTabStop();
    }
    update();
}

void SegmentButton::focusOutEvent(QFocusEvent *event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
    update();
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
    if (m_keyboardFocus && hasFocus()) {
        // Drawn inside: the track and the neighbouring segments leave no room
        // for a ring outside.
        painter.setPen(QPen(Theme::mint.resolve(scheme), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), trackRadius - 1, trackRadius - 1);
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
