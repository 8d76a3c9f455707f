#include "Surface.h"

#include "platform/LoginItemService.h"
#include "platform/PlatformText.h"
#include "ui/AppIcon.h"
#include "ui/AttentionDot.h"
#include "ui/AuroraBackground.h"
#include "ui/Card.h"
#include "ui/ChargeRing.h"
#include "ui/FocusRing.h"
#include "ui/HeroNumber.h"
#include "ui/SectionLabel.h"
#include "ui/SegmentGauge.h"
#include "ui/Skeleton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/Unavailable.h"
#include "ui/Wordmark.h"
#include "windows/view/LoginToggle.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace voltmere::render {

namespace {

// A login item whose answers are scripted, so every state of the toggle can
// be drawn.
class ScriptedLoginItem final : public LoginItemService {
public:
    ScriptedLoginItem(LoginItemStatus status, std::optional<QString> error)
        : m_status(status)
        , m_error(std::move(error))
    {
    }
    LoginItemStatus status() const override { return m_status; }
    std::optional<QString> registerItem() override { return m_error; }
    std::optional<QString> unregisterItem() override { return m_error; }

private:
    LoginItemStatus m_status;
    std::optional<QString> m_error;
};

TextComponent *caption(const QString &text)
{
    auto *label = new TextComponent;
    label->setText(text);
    label->setTextFont(Theme::font(12));
    label->setColor(Theme::muted);
    return label;
}

// Children one after another: a column is left as is, a row is centred
// vertically and packed to the leading edge.
QWidget *stack(QBoxLayout::Direction direction, std::initializer_list<QWidget *> children, int spacing)
{
    auto *widget = new QWidget;
    auto *layout = new QBoxLayout(direction, widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    const bool isRow = direction == QBoxLayout::LeftToRight;
    for (QWidget *child : children) {
        layout->addWidget(child, 0, isRow ? Qt::AlignVCenter : Qt::Alignment());
    }
    if (isRow) {
        layout->addStretch();
    }
    return widget;
}

QWidget *column(std::initializer_list<QWidget *> children, int spacing = 12)
{
    return stack(QBoxLayout::TopToBottom, children, spacing);
}

QWidget *row(std::initializer_list<QWidget *> children, int spacing = 16)
{
    return stack(QBoxLayout::LeftToRight, children, spacing);
}

QWidget *cards()
{
    auto *plain = new Card(16);
    plain->body()->addWidget(new SectionLabel(QStringLiteral("Memory")));
    auto *hero = new HeroNumber(34, Theme::text);
    hero->setValue(62, QStringLiteral("62%"));
    plain->body()->addWidget(hero);
    plain->body()->addWidget(caption(QStringLiteral("9.9 GB of 16 GB used")));

    auto *highlighted = new Card(16, true);
    highlighted->body()->addWidget(new SectionLabel(QStringLiteral("Battery")));
    auto *charging = new HeroNumber(34, Theme::mint);
    charging->setValue(87, QStringLiteral("87%"));
    highlighted->body()->addWidget(charging);
    highlighted->body()->addWidget(caption(QStringLiteral("Highlighted card")));

    auto *empty = new Card(16);
    empty->body()->addWidget(new SectionLabel(QStringLiteral("Swap")));
    empty->body()->addWidget(new Unavailable(PlatformText::say(PlatformText::Name::swapUnavailable), 18));
    empty->body()->addWidget(new Skeleton(std::nullopt, 10, 5));
    empty->body()->addWidget(new Skeleton(120, 10, 5));

    auto *widget = new QWidget;
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    for (Card *card : {plain, highlighted, empty}) {
        card->setMinimumWidth(220);
        layout->addWidget(card, 1, Qt::AlignTop);
    }
    return widget;
}

QWidget *gauges()
{
    auto gauge = [](double value, const ThemeColor &color) {
        auto *g = new SegmentGauge(28, color, 9);
        g->setValue(value);
        g->setMinimumWidth(340);
        return g;
    };
    auto *card = new Card(16);
    card->body()->setSpacing(8);
    card->body()->addWidget(new SectionLabel(QStringLiteral("Segment gauge")));
    const std::pair<double, const char *> values[] = {{0.01, "0.01: one segment"}, {0.55, "0.55"},
                                                      {1.2, "1.2: all lit"}, {-0.3, "-0.3: none lit"}};
    for (const auto &[value, text] : values) {
        card->body()->addWidget(caption(QString::fromLatin1(text)));
        card->body()->addWidget(gauge(value, value > 1 ? Theme::amber : Theme::mint));
    }
    return card;
}

QWidget *ring(std::optional<double> level, bool charging, std::optional<int> target, qreal size, qreal line,
              const QString &centre, const QString &note)
{
    auto *r = new ChargeRing(size, line, charging ? Theme::mint : Theme::text);
    r->setLevel(level);
    r->setCharging(charging);
    r->setTarget(target);
    auto *number = new HeroNumber(size * 0.2, Theme::text);
    number->setValue(level, centre);
    number->setAlignment(Qt::AlignCenter);
    r->setCenter(number);
    auto *box = column({r, caption(note)}, 6);
    return box;
}

QWidget *rings()
{
    auto *card = new Card(16);
    card->body()->addWidget(new SectionLabel(QStringLiteral("Charge ring")));
    card->body()->addWidget(row({
        ring(80, true, 85, 150, 12, QStringLiteral("80%"), QStringLiteral("80, charging, target 85")),
        ring(30, false, std::nullopt, 150, 12, QStringLiteral("30%"), QStringLiteral("30, on battery")),
        ring(std::nullopt, false, 80, 150, 12, QStringLiteral("—"), QStringLiteral("no level, target 80")),
        ring(130, false, 100, 150, 12, QStringLiteral("130%"), QStringLiteral("130, target 100")),
        ring(64, true, 80, 64, 7, QStringLiteral("64%"), QStringLiteral("panel size")),
    }));
    return card;
}

QWidget *labels()
{
    auto *card = new Card(16);
    card->body()->setSpacing(10);
    card->body()->addWidget(row({new Wordmark(28), new Wordmark(15)}, 24));
    card->body()->addWidget(new SectionLabel(QStringLiteral("Section label")));
    auto *hero = new HeroNumber(40, Theme::text);
    hero->setValue(42, QStringLiteral("42%"));
    card->body()->addWidget(hero);
    card->body()->addWidget(row({new AttentionDot(Theme::amber), caption(QStringLiteral("attention")),
                                 new AttentionDot(Theme::mint), caption(QStringLiteral("healthy")),
                                 new AttentionDot(Theme::placeholder), caption(QStringLiteral("no reading"))},
                                6));
    card->body()->addWidget(new Unavailable(PlatformText::say(PlatformText::Name::cpuUnavailable)));
    return card;
}

QWidget *focusAndToggles()
{
    auto *card = new Card(16);
    card->body()->setSpacing(12);
    card->body()->addWidget(new SectionLabel(QStringLiteral("Login item")));
    static ScriptedLoginItem on(LoginItemStatus::enabled, std::nullopt);
    static ScriptedLoginItem off(LoginItemStatus::notRegistered, std::nullopt);
    static ScriptedLoginItem refused(LoginItemStatus::enabled,
                                     QStringLiteral("/home/user/.config/autostart/voltmere.desktop could not be "
                                                    "removed: Permission denied"));
    card->body()->addWidget(new LoginToggle(on));
    card->body()->addWidget(new LoginToggle(off));
    auto *failed = new LoginToggle(refused);
    failed->flip(false);
    failed->setMaximumWidth(360);
    card->body()->addWidget(failed);

    card->body()->addWidget(new SectionLabel(QStringLiteral("Focus ring")));
    auto *holder = new QWidget;
    holder->setMinimumHeight(60);
    auto *target = new Card(12);
    target->body()->addWidget(caption(QStringLiteral("Focused control")));
    target->setParent(holder);
    target->setGeometry(8, 8, 200, 44);
    FocusRing::attach(target, 14)->setShowingFocus(true);
    card->body()->addWidget(holder);
    return card;
}

QImage symbolSheet(ColorScheme scheme)
{
    const auto &table = Symbols::table();
    const int columns = 3;
    const int cellW = 420, cellH = 40;
    const int rowsCount = static_cast<int>((table.size() + columns - 1) / columns);
    const qreal dpr = scale();
    QImage image(QSize(columns * cellW, rowsCount * cellH + 16) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    AuroraBackground::paint(painter, QRectF(0, 0, columns * cellW, rowsCount * cellH + 16), scheme);
    painter.setFont(Theme::font(9));
    for (size_t i = 0; i < table.size(); ++i) {
        const int x = 8 + static_cast<int>(i % columns) * cellW;
        const int y = 8 + static_cast<int>(i / columns) * cellH;
        // At the sizes the views draw them: 15 (state line), 13 (rows), 9
        // (the tile's arrow).
        Symbols::paint(painter, QRectF(x, y + 10, 15, 15), table[i].symbol, Theme::text.resolve(scheme));
        Symbols::paint(painter, QRectF(x + 22, y + 11, 13, 13), table[i].symbol, Theme::mint.resolve(scheme));
        Symbols::paint(painter, QRectF(x + 42, y + 13, 9, 9), table[i].symbol, Theme::muted.resolve(scheme));
        painter.setPen(Theme::muted.resolve(scheme));
        painter.drawText(QPointF(x + 58, y + 23), table[i].symbol + QStringLiteral(" → ") +
                                                      table[i].iconName.section(QLatin1Char('/'), -1));
    }
    return image;
}

QImage appIcons(ColorScheme scheme)
{
    const qreal dpr = 2;
    QImage image(QSize(360, 160) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    AuroraBackground::paint(painter, QRectF(0, 0, 360, 160), scheme);
    const QIcon icon = AppIcon::image(scheme == ColorScheme::dark);
    painter.drawPixmap(QRect(16, 16, 128, 128), icon.pixmap(256));
    painter.drawPixmap(QRect(160, 48, 64, 64), icon.pixmap(128));
    painter.drawPixmap(QRect(240, 64, 32, 32), icon.pixmap(64));
    painter.drawPixmap(QRect(290, 72, 16, 16), icon.pixmap(32));
    painter.drawImage(QRectF(320, 72, 16, 16), AppIcon::menuBarTemplate(Theme::text.resolve(scheme), dpr));
    return image;
}

} // namespace

std::vector<Surface> sharedComponentSurfaces()
{
    return {
        {QStringLiteral("component-cards"), cards, nullptr, {}},
        {QStringLiteral("component-segment-gauge"), gauges, nullptr, {}},
        {QStringLiteral("component-charge-ring"), rings, nullptr, {}},
        {QStringLiteral("component-labels"), labels, nullptr, {}},
        {QStringLiteral("component-login-toggle-focus-ring"), focusAndToggles, nullptr, QSize(460, 400)},
        {QStringLiteral("component-aurora-background"), [] { return new QWidget; }, nullptr, QSize(720, 360)},
        {QStringLiteral("symbols"), nullptr, symbolSheet, {}},
        {QStringLiteral("app-icons"), nullptr, appIcons, {}},
    };
}

} // namespace voltmere::render
