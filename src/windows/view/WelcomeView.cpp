#include "windows/view/WelcomeView.h"

#include "monitor/Monitor.h"
#include "platform/ActivationPolicy.h"
#include "platform/PlatformText.h"
#include "preferences/Preferences.h"
#include "ui/AppIcon.h"
#include "ui/Card.h"
#include "ui/ChargeRing.h"
#include "ui/Environment.h"
#include "ui/SymbolView.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"
#include "ui/ToggleSwitch.h"
#include "ui/VisibilityReporter.h"
#include "ui/Wordmark.h"
#include "windows/view/LoginToggle.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

constexpr int iconSize = 64;

// The program's icon for the present appearance, with rounded corners.
class AppIconView : public QWidget {
public:
    explicit AppIconView(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setFixedSize(iconSize, iconSize);
        Environment::hideFromAccessibility(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QIcon icon = AppIcon::image(Environment::colorScheme(this) == ColorScheme::dark);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath corners;
        corners.addRoundedRect(QRectF(rect()), 14, 14);
        painter.setClipPath(corners);
        icon.paint(&painter, rect());
    }
};

bool hasAppIcon()
{
    return !AppIcon::image(false).isNull() && !AppIcon::image(true).isNull();
}

ThemedLabel *wrapping(const QString &text, const QFont &font, const ThemeColor &color)
{
    auto *label = new ThemedLabel(text, font, color);
    label->setWordWrap(true);
    return label;
}

QWidget *answerRow(const char *symbol, const QString &text)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new SymbolView(QString::fromLatin1(symbol), 16, Theme::mint), 0, Qt::AlignTop);
    layout->addWidget(new ThemedLabel(text, Theme::font(13, QFont::Medium), Theme::text), 1);
    return row;
}

} // namespace

WelcomeView::WelcomeView(Monitor &monitor, QWidget *parent)
    : AuroraBackground(parent)
    , m_monitor(monitor)
    , m_reminder(new ToggleSwitch(QString()))
    , m_trayHintRow(new QWidget)
    , m_trayHint(wrapping(QString(), Theme::font(12), Theme::text))
    , m_reminderDetail(wrapping(QString(), Theme::font(12), Theme::muted))
    , m_targetRow(new QWidget)
    , m_slider(new QSlider(Qt::Horizontal))
    , m_targetValue(new ThemedLabel(QString(), Theme::font(13, QFont::DemiBold), Theme::text))
    , m_login(new LoginToggle)
    , m_continue(new QPushButton(QStringLiteral("Continue")))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);

    // 1. Who we are.
    auto *header = new QHBoxLayout;
    header->setSpacing(12);
    if (hasAppIcon()) {
        header->addWidget(new AppIconView, 0, Qt::AlignTop);
    } else {
        header->addWidget(new ChargeRing(iconSize, 6, Theme::mint), 0, Qt::AlignTop);
    }
    auto *titles = new QVBoxLayout;
    titles->setSpacing(4);
    titles->addWidget(new Wordmark(26), 0, Qt::AlignLeft);
    titles->addWidget(wrapping(PlatformText::say(PlatformText::Name::tagline), Theme::font(13), Theme::muted));
    header->addLayout(titles, 1);
    layout->addLayout(header);

    // 2. The three answers.
    auto *answers = new QVBoxLayout;
    answers->setSpacing(8);
    answers->addWidget(
        wrapping(PlatformText::say(PlatformText::Name::welcomeWhereItLives), Theme::font(12.5), Theme::muted));
    answers->addWidget(answerRow("battery.100percent", QStringLiteral("Is the battery charging?")));
    answers->addWidget(answerRow("cpu", QStringLiteral("What's using CPU and memory?")));
    answers->addWidget(answerRow("exclamationmark.triangle", QStringLiteral("Does anything need attention?")));
    layout->addLayout(answers);

    // 2a. Where the desktop has no tray, how to get one.
    auto *hint = new QHBoxLayout(m_trayHintRow);
    hint->setContentsMargins(0, 0, 0, 0);
    hint->setSpacing(8);
    hint->addWidget(new SymbolView(QStringLiteral("info.circle"), 16, Theme::amber), 0, Qt::AlignTop);
    hint->addWidget(m_trayHint, 1);
    m_trayHintRow->hide();
    layout->addWidget(m_trayHintRow);

    // 3. The reminder card.
    auto *card = new Card(14);
    auto *toggleRow = new QHBoxLayout;
    toggleRow->setSpacing(12);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new ThemedLabel(QStringLiteral("Charge reminder"), Theme::font(13, QFont::DemiBold), Theme::text));
    texts->addWidget(m_reminderDetail);
    toggleRow->addLayout(texts, 1);
    m_reminder->setAccessibleName(QStringLiteral("Charge reminder"));
    toggleRow->addWidget(m_reminder, 0, Qt::AlignVCenter);
    card->body()->addLayout(toggleRow);

    auto *target = new QHBoxLayout(m_targetRow);
    target->setContentsMargins(0, 4, 0, 0);
    target->setSpacing(8);
    target->addWidget(new ThemedLabel(QStringLiteral("Target"), Theme::font(12), Theme::muted), 0, Qt::AlignVCenter);
    m_slider->setRange(50, 100);
    m_slider->setSingleStep(5);
    m_slider->setPageStep(5);
    m_slider->setAccessibleName(QStringLiteral("Charge reminder target"));
    target->addWidget(m_slider, 1, Qt::AlignVCenter);
    m_targetValue->setFixedWidth(44);
    m_targetValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    target->addWidget(m_targetValue, 0, Qt::AlignVCenter);
    card->body()->addWidget(m_targetRow);
    layout->addWidget(card);

    // 4. Opening at login.
    layout->addWidget(m_login);

    // 5. Continue, also the Return key's button.
    m_continue->setFont(Theme::font(13, QFont::DemiBold));
    m_continue->setMinimumHeight(m_continue->sizeHint().height() + 8);
    m_continue->setDefault(true);
    layout->addWidget(m_continue);
    tintContinue();
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto *shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, m_continue, [this] { m_continue->animateClick(); });
    }

    connect(m_reminder, &ToggleSwitch::clicked, this, &WelcomeView::switchReminder);
    connect(m_slider, &QSlider::valueChanged, this, &WelcomeView::moveTarget);
    connect(m_continue, &QPushButton::clicked, this, &WelcomeView::finish);
    Preferences &prefs = m_monitor.prefs();
    connect(&prefs, &Preferences::reminderEnabledChanged, this, &WelcomeView::showReminder);
    connect(&prefs, &Preferences::reminderTargetChanged, this, &WelcomeView::showReminder);
    showReminder();
    setFixedWidth(width);
    fitHeight();
}

WelcomeView *WelcomeView::createWindow(Monitor &monitor)
{
    auto *view = new WelcomeView(monitor);
    view->setWindowTitle(QStringLiteral("Welcome to Voltmere"));
    view->setAttribute(Qt::WA_DeleteOnClose);
    new VisibilityReporter(view, QStringLiteral("welcome"), true, false, monitor, ActivationPolicy::shared());
    auto *close = new QShortcut(QKeySequence::Close, view);
    QObject::connect(close, &QShortcut::activated, view, &QWidget::close);
    return view;
}

QString WelcomeView::reminderDetail(int target)
{
    return QStringLiteral("One notification at %1%. It never stops charging.").arg(target);
}

int WelcomeView::snappedTarget(int value)
{
    const int snapped = static_cast<int>(std::lround(value / 5.0)) * 5;
    return std::clamp(snapped, 50, 100);
}

void WelcomeView::switchReminder(bool on)
{
    m_monitor.prefs().setReminderEnabled(on);
    if (on) {
        m_monitor.requestNotificationPermission();
    }
    m_monitor.evaluateReminder();
    m_monitor.updateInsight();
}

void WelcomeView::moveTarget(int value)
{
    const int snapped = snappedTarget(value);
    if (snapped != value) {
        // Dragging passes every whole number; the slider settles on the grid.
        m_slider->setValue(snapped);
        return;
    }
    if (snapped == m_monitor.prefs().reminderTarget()) {
        return;
    }
    m_monitor.prefs().setReminderTarget(snapped);
    m_monitor.evaluateReminder();
    m_monitor.updateInsight();
}

void WelcomeView::showReminder()
{
    const Preferences &prefs = m_monitor.prefs();
    m_reminder->setChecked(prefs.reminderEnabled());
    m_reminderDetail->setText(reminderDetail(prefs.reminderTarget()));
    m_reminder->setAccessibleDescription(reminderDetail(prefs.reminderTarget()));
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(prefs.reminderTarget());
    }
    m_targetValue->setText(QString::number(prefs.reminderTarget()) + QLatin1Char('%'));
    m_slider->setAccessibleDescription(m_targetValue->text());
    if (m_targetRow->isHidden() == prefs.reminderEnabled()) {
        m_targetRow->setVisible(prefs.reminderEnabled());
        fitHeight();
    }
}

void WelcomeView::setTrayHint(const QString &hint)
{
    m_trayHint->setText(hint);
    if (m_trayHintRow->isHidden() != hint.isEmpty()) {
        m_trayHintRow->setVisible(!hint.isEmpty());
        fitHeight();
    }
}

void WelcomeView::finish()
{
    m_monitor.prefs().setWelcomeCompleted(true);
    close();
}

void WelcomeView::closeEvent(QCloseEvent *event)
{
    // Closing by any means counts as having seen the welcome.
    m_monitor.prefs().setWelcomeCompleted(true);
    AuroraBackground::closeEvent(event);
}

void WelcomeView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        tintContinue();
    }
    AuroraBackground::changeEvent(event);
}

void WelcomeView::showEvent(QShowEvent *event)
{
    // The scheme may come from a parent set after construction.
    tintContinue();
    // Polishing on first show can change the text metrics the first fit used.
    fitHeight();
    AuroraBackground::showEvent(event);
}

void WelcomeView::fitHeight()
{
    // Sized to the content at the fixed width; the target row changes it.
    if (QLayout *content = layout()) {
        // Layout items cache their heights until a deferred layout request
        // reaches them; the card holding the row must be asked afresh now.
        for (QWidget *w = m_targetRow->parentWidget(); w && w != this; w = w->parentWidget()) {
            w->updateGeometry();
        }
        content->invalidate();
        content->activate();
        setFixedHeight(content->totalHeightForWidth(width));
    }
}

void WelcomeView::tintContinue()
{
    const ColorScheme scheme = Environment::colorScheme(this);
    QPalette tinted = m_continue->palette();
    tinted.setColor(QPalette::Button, Theme::mint.resolve(scheme));
    tinted.setColor(QPalette::ButtonText, scheme == ColorScheme::dark ? QColor(0x0B1A15) : QColor(Qt::white));
    m_continue->setPalette(tinted);
    // The switch and the slider carry the accent too.
    for (QWidget *control : {static_cast<QWidget *>(m_reminder), static_cast<QWidget *>(m_slider)}) {
        QPalette accent = control->palette();
        accent.setColor(QPalette::Highlight, Theme::mint.resolve(scheme));
        control->setPalette(accent);
    }
}

} // namespace voltmere
