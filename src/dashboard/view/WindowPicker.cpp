#include "dashboard/view/WindowPicker.h"

#include "ui/Environment.h"
#include "ui/SegmentButton.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace voltmere {

namespace {

constexpr qreal trackRadius = SegmentButton::trackRadius;

} // namespace

WindowPicker::WindowPicker(int minutes, QWidget *parent)
    : QWidget(parent)
    , m_minutes(minutes)
    , m_segmentsBox(new QWidget)
    , m_group(new QButtonGroup(this))
    , m_chip(new TextComponent)
{
    // The label is not shown; screen readers announce it.
    setAccessibleName(QStringLiteral("Time window"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *segments = new QHBoxLayout(m_segmentsBox);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    for (int choice : choices) {
        auto *segment = new SegmentButton(label(choice));
        m_group->addButton(segment, choice);
        segments->addWidget(segment);
    }
    m_segmentsBox->setFixedWidth(width);
    m_segmentsBox->setAccessibleName(QStringLiteral("Time window"));
    layout->addWidget(m_segmentsBox);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int chosen) {
        if (chosen == m_minutes) {
            return;
        }
        m_minutes = chosen;
        Q_EMIT minutesChosen(chosen);
    });

    m_chip->setTextFont(Theme::font(12, QFont::DemiBold));
    m_chip->setAlignment(Qt::AlignCenter);
    m_chip->setAccessibleName(QStringLiteral("Time window"));
    layout->addWidget(m_chip);
    setMinutes(minutes);
    applyMode();
}

QString WindowPicker::label(int minutes)
{
    return minutes == 60 ? QStringLiteral("1 hour") : QString::number(minutes) + QStringLiteral(" min");
}

QList<QAbstractButton *> WindowPicker::segments() const
{
    return m_group->buttons();
}

void WindowPicker::setMinutes(int minutes)
{
    m_minutes = minutes;
    if (QAbstractButton *button = m_group->button(minutes)) {
        button->setChecked(true);
    }
    m_chip->setText(label(minutes));
    m_chip->setAccessibleDescription(label(minutes));
    const QSize text = m_chip->sizeHint();
    m_chip->setFixedSize(text.width() + 16, text.height() + 8);
}

void WindowPicker::showEvent(QShowEvent *event)
{
    applyMode();
    QWidget::showEvent(event);
}

void WindowPicker::applyMode()
{
    const bool still = Environment::staticRender(this);
    m_segmentsBox->setVisible(!still);
    m_chip->setVisible(still);
}

void WindowPicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const ColorScheme scheme = Environment::colorScheme(this);
    if (m_chip->isVisible()) {
        painter.setBrush(Theme::placeholder.resolve(scheme));
        painter.drawRoundedRect(QRectF(m_chip->geometry()), 6, 6);
    } else {
        painter.setBrush(Theme::placeholder.resolve(scheme));
        painter.drawRoundedRect(QRectF(m_segmentsBox->geometry()), trackRadius, trackRadius);
    }
}

} // namespace voltmere
