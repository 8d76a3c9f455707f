#include "dashboard/view/SelfUsageFooter.h"

#include "model/Format.h"
#include "ui/Environment.h"
#include "ui/SectionLabel.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace voltmere {

namespace {

TextComponent *footerText(const QString &text)
{
    auto *label = new TextComponent;
    label->setText(text);
    label->setTextFont(Theme::font(10.5));
    label->setColor(Theme::muted);
    return label;
}

} // namespace

SelfUsageFooter::SelfUsageFooter(Monitor &monitor, QWidget *parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_closed(footerText(QString()))
    , m_open(footerText(QString()))
    , m_interval(footerText(QString()))
{
    setToolTip(QStringLiteral("Average CPU used by Voltmere, as % of one core, measured with getrusage since launch."));
    setAccessibleName(QStringLiteral("Voltmere"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addWidget(new SectionLabel(QStringLiteral("Voltmere")));
    for (auto [name, value] : {std::pair{QStringLiteral("Closed"), m_closed}, std::pair{QStringLiteral("Open"), m_open}}) {
        auto *row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        row->addWidget(footerText(name));
        row->addStretch(1);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(value);
        layout->addLayout(row);
    }
    layout->addWidget(m_interval);
    connect(&monitor, &Monitor::selfClosedChanged, this, &SelfUsageFooter::refresh);
    connect(&monitor, &Monitor::selfOpenChanged, this, &SelfUsageFooter::refresh);
    connect(&monitor, &Monitor::intervalChanged, this, &SelfUsageFooter::refresh);
    refresh();
}

QString SelfUsageFooter::usageText(const Monitor::UsageAccumulator &usage)
{
    if (usage.wallSeconds < minimumWallSeconds) {
        return QStringLiteral("measuring…");
    }
    return Format::percent(usage.cpuSeconds / usage.wallSeconds * 100.0, 2);
}

QString SelfUsageFooter::intervalText(double interval)
{
    return QStringLiteral("Every ") + QString::number(static_cast<long long>(interval)) + QStringLiteral(" s");
}

void SelfUsageFooter::refresh()
{
    const QString closed = usageText(m_monitor.selfClosed());
    const QString open = usageText(m_monitor.selfOpen());
    m_closed->setText(closed);
    m_closed->setAccessibleName(QStringLiteral("Closed: ") + closed);
    m_open->setText(open);
    m_open->setAccessibleName(QStringLiteral("Open: ") + open);
    m_interval->setText(intervalText(m_monitor.interval()));
    m_interval->setAccessibleName(m_interval->text());
}

void SelfUsageFooter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::cardFillBottom.resolve(Environment::colorScheme(this)));
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
}

} // namespace voltmere
