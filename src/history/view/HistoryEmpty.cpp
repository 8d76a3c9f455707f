#include "history/view/HistoryEmpty.h"

#include "platform/PlatformText.h"
#include "ui/SectionLabel.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/WrappingText.h"

#include <QLocale>
#include <QVBoxLayout>

namespace voltmere {

HistoryEmpty::HistoryEmpty(const QString &metricTitle, QWidget *parent)
    : QWidget(parent)
    , m_label(new SectionLabel(metricTitle, this))
{
    setMinimumHeight(180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_label);

    auto *heading = new TextComponent(this);
    heading->setTextFont(Theme::font(16, QFont::DemiBold, true));
    heading->setText(QStringLiteral("No readings in this range"));
    heading->setAccessibleName(heading->text());
    layout->addWidget(heading);

    auto *explanation = new WrappingText(Theme::font(12), Theme::muted, this);
    explanation->setText(PlatformText::say(PlatformText::Name::historyEmptyExplanation));
    explanation->setAccessibleName(explanation->text());
    layout->addWidget(explanation);
    layout->addStretch(1);
}

void HistoryEmpty::setMetricTitle(const QString &metricTitle)
{
    m_label->setText(QLocale().toUpper(metricTitle));
    m_label->setAccessibleName(metricTitle);
}

} // namespace voltmere
