#include "dashboard/view/PlaceholderPage.h"

#include "dashboard/view/Card.h"
#include "dashboard/view/Theme.h"
#include "dashboard/view/WrappingText.h"

#include <QVBoxLayout>

namespace voltmere {

PlaceholderPage::PlaceholderPage(const QString &title, QWidget *parent)
    : DashboardPage(parent)
    , m_title(title)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    auto *card = new Card(16);
    auto *line = new WrappingText(Theme::font(13), Theme::muted);
    line->setText(message(title));
    line->setAccessibleName(line->text());
    card->body()->addWidget(line);
    layout->addWidget(card);
    layout->addStretch(1);
}

QString PlaceholderPage::message(const QString &title)
{
    return QStringLiteral("The %1 page is not built yet.").arg(title);
}

QString PlaceholderPage::copyText() const
{
    return m_title + QLatin1Char('\n') + message(m_title);
}

} // namespace voltmere
