#include "windows/view/AboutContent.h"

#include "navigation/AppCommands.h"
#include "navigation/AppInfo.h"
#include "platform/PlatformText.h"
#include "ui/Environment.h"
#include "ui/SectionLabel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"
#include "ui/Wordmark.h"

#include <QDate>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

ThemedLabel *wrapping(const QString &text, const QFont &font, const ThemeColor &color)
{
    auto *label = new ThemedLabel(text, font, color);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// The link's glyph follows the scheme, so it is drawn when the button paints.
class LinkButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const ColorScheme scheme = Environment::colorScheme(this);
        const QColor mint = Theme::mint.resolve(scheme);
        if (palette().color(QPalette::ButtonText) != mint) {
            QPalette themed = palette();
            themed.setColor(QPalette::ButtonText, mint);
            setPalette(themed);
            setIcon(QIcon(Symbols::pixmap(QStringLiteral("arrow.up.right"), 14, mint, devicePixelRatioF())));
        }
        QPushButton::paintEvent(event);
    }
};

} // namespace

AboutContent::AboutContent(bool compact, QWidget *parent)
    : QWidget(parent)
    , m_compact(compact)
    , m_website(new LinkButton(QStringLiteral("Website")))
    , m_websiteError(wrapping(QString(), Theme::font(11), Theme::amber))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    const qreal wordSize = compact ? 20 : 28;
    auto *wordmark = new Wordmark(wordSize);
    header->addWidget(wordmark, 0, Qt::AlignBottom);
    header->addStretch(1);
    auto *version = new ThemedLabel(versionText(), Theme::font(13, QFont::Medium), Theme::muted);
    version->setAccessibleName(QStringLiteral("Version ") + versionText());
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Both sit on the bottom of the row; lifting the version by the
    // difference of the descents puts the two on one baseline.
    const qreal lift = QFontMetricsF(Theme::font(wordSize, QFont::Bold, true)).descent() -
                       QFontMetricsF(version->font()).descent();
    version->setContentsMargins(0, 0, 0, std::max(0, static_cast<int>(std::lround(lift))));
    header->addWidget(version, 0, Qt::AlignBottom);
    layout->addLayout(header);

    layout->addWidget(wrapping(PlatformText::say(PlatformText::Name::tagline), Theme::font(13), Theme::muted));

    layout->addWidget(new SectionLabel(QStringLiteral("Data sources")));
    auto *sources = new QVBoxLayout;
    sources->setSpacing(8);
    for (const AppInfo::Source &source : AppInfo::sources()) {
        auto *entry = new QVBoxLayout;
        entry->setSpacing(2);
        entry->addWidget(new ThemedLabel(source.title, Theme::font(12, QFont::DemiBold), Theme::text));
        entry->addWidget(wrapping(source.text, Theme::font(11.5), Theme::muted));
        sources->addLayout(entry);
    }
    layout->addLayout(sources);

    layout->addWidget(new SectionLabel(QStringLiteral("Privacy")));
    layout->addWidget(
        wrapping(PlatformText::say(PlatformText::Name::privacyStatement), Theme::font(12.5), Theme::muted));

    m_website->setFlat(true);
    m_website->setCursor(Qt::PointingHandCursor);
    m_website->setFont(Theme::font(13, QFont::Medium));
    m_website->setLayoutDirection(Qt::RightToLeft); // the arrow follows the word
    m_website->setToolTip(AppInfo::website().toString());
    m_website->setAccessibleDescription(AppInfo::website().toString());
    connect(m_website, &QPushButton::clicked, this, &AboutContent::openWebsite);
    layout->addWidget(m_website, 0, Qt::AlignLeft | Qt::AlignAbsolute);
    m_websiteError->hide();
    layout->addWidget(m_websiteError);

    layout->addWidget(wrapping(QStringLiteral("© %1 the Voltmere developers. All rights reserved.")
                                   .arg(QDate::currentDate().year()),
                               Theme::font(11), Theme::muted));
    if (isPlaceholder(AppInfo::website())) {
        layout->addWidget(wrapping(QStringLiteral("Placeholder URL in AppInfo.website. Replace it before release."),
                                   Theme::font(11), Theme::amber));
    }
}

QString AboutContent::versionText()
{
    return AppInfo::versionShort() + QStringLiteral(" (") + AppInfo::buildNumber() + QStringLiteral(")");
}

bool AboutContent::isPlaceholder(const QUrl &website)
{
    const QString host = website.host().toLower();
    return host == QLatin1String("example.com") || host.endsWith(QLatin1String(".example.com"));
}

void AboutContent::openWebsite()
{
    if (AppCommands::openHelp()) {
        m_websiteFailure.reset();
    } else {
        m_websiteFailure = QStringLiteral("No browser could open %1.").arg(AppInfo::website().toString());
    }
    m_websiteError->setText(m_websiteFailure.value_or(QString()));
    m_websiteError->setVisible(m_websiteFailure.has_value());
}

} // namespace voltmere
