#include "ui/ToggleSwitch.h"

#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace voltmere {

ToggleSwitch::ToggleSwitch(const QString &label, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(label);
    setCheckable(true);
    setFont(Theme::font(13, QFont::Medium));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    FocusRing::attach(this, 6);
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + 12 + trackWidth)),
            static_cast<int>(std::ceil(std::max(metrics.height(), trackHeight) + 4))};
}

QSize ToggleSwitch::minimumSizeHint() const
{
    return sizeHint();
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const qreal opacity = isEnabled() ? 1.0 : 0.45;
    painter.setOpacity(opacity);

    painter.setFont(font());
    painter.setPen(Theme::text.resolve(scheme));
    const QRectF textRect(0, 0, width() - trackWidth - 12, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());

    const QRectF track(width() - trackWidth - 1, (height() - trackHeight) / 2, trackWidth, trackHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? Theme::mint.resolve(scheme) : Theme::placeholder.resolve(scheme));
    painter.drawRoundedRect(track, trackHeight / 2, trackHeight / 2);
    const qreal inset = 2;
    const qreal knob = trackHeight - 2 * inset;
    const qreal x = isChecked() ? track.right() - inset - knob : track.left() + inset;
    painter.setBrush(QColor(255, 255, 255));
    painter.drawEllipse(QRectF(x, track.top() + inset, knob, knob));
}

} // namespace voltmere
