#include "menubar/view/MenuBarPanel.h"

#include "menubar/view/PanelRows.h"
#include "menubar/view/PanelText.h"
#include "menubar/view/PanelTiles.h"
#include "menubar/view/TileButton.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "monitor/ReminderText.h"
#include "navigation/URLRouter.h"
#include "navigation/WindowOpener.h"
#include "platform/ActivationPolicy.h"
#include "platform/PlatformText.h"
#include "preferences/Preferences.h"
#include "ui/Accessibility.h"
#include "ui/AppIcon.h"
#include "ui/AuroraBackground.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/SymbolView.h"
#include "ui/Symbols.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/ThemedMenu.h"
#include "ui/VisibilityReporter.h"
#include "ui/Wordmark.h"

#include <QActionGroup>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace voltmere {

namespace {

// The program's tray glyph, tinted mint, 16 points square.
class TemplateIconView final : public QWidget {
public:
    TemplateIconView()
    {
        setFixedSize(16, 16);
        Environment::hideFromAccessibility(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QColor color = Theme::mint.resolve(Environment::colorScheme(this));
        const qreal dpr = devicePixelRatioF();
        if (m_image.isNull() || m_color != color.rgba() || m_dpr != dpr) {
            m_image = AppIcon::menuBarTemplate(color, dpr);
            m_color = color.rgba();
            m_dpr = dpr;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(rect()), m_image, QRectF(m_image.rect()));
    }

private:
    QImage m_image;
    QRgb m_color = 0;
    qreal m_dpr = 0;
};

// The freshness line's small dot.
class FreshDot final : public QWidget {
public:
    FreshDot()
    {
        setFixedSize(5, 5);
        Environment::hideFromAccessibility(this);
    }
    void setColor(const ThemeColor &color)
    {
        if (m_color == color) {
            return;
        }
        m_color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const ColorScheme scheme = Environment::colorScheme(this);
        painter.setBrush(m_color.resolve(scheme));
        if (m_color == Theme::placeholder) {
            // The neutral fill is a shade off the light background; a
            // muted rim keeps the "no reading" dot visible.
            painter.setPen(QPen(Theme::muted.opacity(0.55).resolve(scheme), 1));
            painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
            return;
        }
        painter.drawEllipse(QRectF(rect()));
    }

private:
    ThemeColor m_color = Theme::placeholder;
};

} // namespace

MenuBarPanel::MenuBarPanel(Monitor &monitor, WindowOpener *opener, QWidget *parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_opener(opener)
{
    setAccessibleName(QStringLiteral("Voltmere"));
    m_column = new QWidget(this);
    m_column->setFixedWidth(width);
    auto *column = new QVBoxLayout(m_column);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(8);
    m_column->installEventFilter(this);

    buildHeader();

    auto *fresh = new QHBoxLayout;
    fresh->setSpacing(8);
    auto *dot = new FreshDot;
    m_freshDot = dot;
    m_freshText = PanelText::make(QString(), Theme::font(10, QFont::Medium), Theme::muted);
    fresh->addWidget(m_freshDot, 0, Qt::AlignVCenter);
    fresh->addWidget(m_freshText, 0, Qt::AlignVCenter);
    fresh->addStretch();
    column->addLayout(fresh);

    m_insightRow = new InsightRow;
    m_insightRow->hide();
    column->addWidget(m_insightRow);

    m_powerTile = new PowerTile;
    m_powerButton = new TileButton(QStringLiteral("Battery"), m_powerTile);
    column->addWidget(m_powerButton);
    m_cpuTile = new CPUTile(monitor.clock());
    m_cpuButton = new TileButton(QStringLiteral("CPU"), m_cpuTile);
    column->addWidget(m_cpuButton);
    m_memoryTile = new MemoryTile;
    m_memoryButton = new TileButton(QStringLiteral("Memory"), m_memoryTile);
    column->addWidget(m_memoryButton);

    m_reminderRow = new ReminderRow;
    column->addWidget(m_reminderRow);
    m_footer = new FooterButton;
    column->addWidget(m_footer);

    connect(m_insightRow, &QAbstractButton::clicked, this, [this] {
        const Insight insight = m_insightRow->insight();
        open(insight.section, insight.anchor);
    });
    connect(m_powerButton, &QAbstractButton::clicked, this, [this] { open(DashboardSection::battery, std::nullopt); });
    connect(m_cpuButton, &QAbstractButton::clicked, this,
            [this] { open(DashboardSection::overview, OverviewAnchor::cpu); });
    connect(m_memoryButton, &QAbstractButton::clicked, this,
            [this] { open(DashboardSection::overview, OverviewAnchor::memory); });
    connect(m_reminderRow, &QAbstractButton::clicked, this, [this] { open(DashboardSection::battery, std::nullopt); });
    connect(m_footer, &QAbstractButton::clicked, this, [this] { open(m_monitor.section(), std::nullopt); });

    // A round publishes several fields one after another; one refresh
    // after the last of them is enough.
    const auto later = [this] {
        QMetaObject::invokeMethod(this, &MenuBarPanel::refresh, Qt::QueuedConnection);
    };
    connect(&m_monitor, &Monitor::latestChanged, this, later);
    connect(&m_monitor, &Monitor::batteryChanged, this, later);
    connect(&m_monitor, &Monitor::hasBatteryChanged, this, later);
    connect(&m_monitor, &Monitor::insightChanged, this, later);
    connect(&m_monitor, &Monitor::reminderChanged, this, later);
    connect(&m_monitor.prefs(), &Preferences::reminderEnabledChanged, this, later);
    connect(&m_monitor.prefs(), &Preferences::reminderTargetChanged, this, later);
    // Opening must show the live column at once.
    connect(&m_monitor, &Monitor::openSurfacesChanged, this, &MenuBarPanel::refresh);
    connect(&m_monitor, &Monitor::visibleSurfacesChanged, this, &MenuBarPanel::refresh);
    refresh();
}

MenuBarPanel::~MenuBarPanel()
{
    // Closing the window in QWidget's destructor reports the panel hidden,
    // and the Monitor's answer must not reach this half-destroyed panel.
    m_monitor.disconnect(this);
    m_monitor.prefs().disconnect(this);
}

void MenuBarPanel::buildHeader()
{
    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(new TemplateIconView, 0, Qt::AlignVCenter);
    header->addWidget(new Wordmark(16), 0, Qt::AlignVCenter);
    m_chip = new StatusChip;
    header->addWidget(m_chip, 0, Qt::AlignVCenter);
    header->addStretch();

    m_optionsSymbol = new SymbolView(QStringLiteral("ellipsis.circle"), 18, Theme::muted);
    header->addWidget(m_optionsSymbol, 0, Qt::AlignVCenter);
    m_options = new QToolButton;
    m_options->setAutoRaise(true);
    m_options->setPopupMode(QToolButton::InstantPopup);
    m_options->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_options->setIconSize(QSize(18, 18));
    m_options->setAccessibleName(QStringLiteral("Options"));
    m_options->setToolTip(QStringLiteral("Options"));
    m_options->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; background: transparent; }"
                                            "QToolButton::menu-indicator { image: none; width: 0; }"));
    header->addWidget(m_options, 0, Qt::AlignVCenter);
    // The first Tab lands here: it must show.
    FocusRing::attach(m_options, 9);
    buildOptionsMenu();
    static_cast<QVBoxLayout *>(m_column->layout())->addLayout(header);
}

void MenuBarPanel::buildOptionsMenu()
{
    m_menu = new QMenu(this);
    // A title rather than a section: the themed menu draws sections as bare
    // rules, which would lose the words.
    m_menu->addAction(PlatformText::say(PlatformText::Name::menuBarStyleLabel))->setEnabled(false);
    auto *styles = new QActionGroup(m_menu);
    styles->setExclusive(true);
    Preferences &prefs = m_monitor.prefs();
    for (MenuBarStyle style : allMenuBarStyles) {
        QAction *action = m_menu->addAction(label(style));
        action->setCheckable(true);
        action->setChecked(prefs.menuBarStyle() == style);
        action->setData(rawValue(style));
        styles->addAction(action);
        connect(action, &QAction::triggered, this, [&prefs, style] { prefs.setMenuBarStyle(style); });
    }
    connect(&prefs, &Preferences::menuBarStyleChanged, m_menu, [styles, &prefs] {
        for (QAction *action : styles->actions()) {
            action->setChecked(action->data().toString() == rawValue(prefs.menuBarStyle()));
        }
    });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Open Dashboard"), this, [this] { open(m_monitor.section(), std::nullopt); });
    const auto openWindow = [this](const QString &identifier) {
        WindowOpener *opener = URLRouter::openWindow() ? URLRouter::openWindow() : m_opener;
        if (opener) {
            opener->openWindow(identifier);
        }
        if (m_dropDown) {
            closeDropDown();
        }
    };
    m_menu->addAction(QStringLiteral("Settings…"), this, [openWindow] { openWindow(WindowID::settings); });
    m_menu->addAction(QStringLiteral("About Voltmere"), this, [openWindow] { openWindow(WindowID::about); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Voltmere"), qApp, &QCoreApplication::quit);
    m_options->setMenu(m_menu);
}

bool MenuBarPanel::wantsLive() const
{
    return Environment::staticRender(this) || !m_lastSize || m_monitor.openSurfaces().contains(surface);
}

bool MenuBarPanel::isLive() const
{
    return m_column->isVisibleTo(this);
}

void MenuBarPanel::refresh()
{
    const bool isStatic = Environment::staticRender(this);
    m_options->setVisible(!isStatic);
    m_optionsSymbol->setVisible(isStatic);
    if (!wantsLive()) {
        // Closed: only the background at the last size, nothing read.
        m_column->hide();
        Environment::setAnimatesLive(m_column, false);
        update();
        return;
    }
    m_column->show();
    Environment::setAnimatesLive(m_column, !isStatic && m_monitor.visibleSurfaces().contains(surface));
    const ColorScheme scheme = Environment::colorScheme(this);
    // A new icon repaints the button and re-tints the glyph: only when the
    // look changed, not on every round.
    const QString optionsLook = QStringLiteral("%1@%2").arg(int(scheme)).arg(devicePixelRatioF());
    if (optionsLook != m_optionsLook) {
        m_optionsLook = optionsLook;
        m_options->setIcon(QIcon(Symbols::pixmap(QStringLiteral("ellipsis.circle"), 18,
                                                 Theme::muted.resolve(scheme), devicePixelRatioF())));
        ThemedMenu::apply(m_menu, scheme);
    }

    const std::optional<Snapshot> &latest = m_monitor.latest();
    auto *dot = static_cast<FreshDot *>(m_freshDot);
    if (latest) {
        dot->setColor(Theme::mint);
        // Formatting a date against itself gives the time of day alone.
        m_freshText->setText(QStringLiteral("Updated ") + Format::timestamp(latest->date, latest->date));
    } else {
        dot->setColor(Theme::placeholder);
        m_freshText->setText(QStringLiteral("Waiting for a reading"));
    }

    const std::optional<Insight> &insight = m_monitor.insight();
    m_chip->setAttention(insight && insight->severity == Insight::Severity::attention);
    m_insightRow->setVisible(insight.has_value());
    if (insight) {
        m_insightRow->setInsight(*insight);
    }

    const Preferences &prefs = m_monitor.prefs();
    const std::optional<int> target =
        prefs.reminderEnabled() ? std::optional<int>(prefs.reminderTarget()) : std::nullopt;
    m_powerTile->set(m_monitor.battery(), m_monitor.hasBattery(), target);
    m_cpuTile->set(m_monitor.snapshots(1), latest);
    m_memoryTile->set(latest);

    m_reminderRow->setVisible(m_monitor.hasBattery());
    if (m_monitor.hasBattery()) {
        m_reminderRow->set(prefs.reminderEnabled(),
                           ReminderText::shortText(m_monitor.reminder().status, prefs.reminderTarget()));
    }
    relayout();
}

void MenuBarPanel::relayout()
{
    if (!m_column->isVisibleTo(this)) {
        return;
    }
    QLayout *layout = m_column->layout();
    layout->activate();
    const int height = layout->hasHeightForWidth() ? layout->heightForWidth(width) : layout->sizeHint().height();
    const QSize measured(width, height);
    m_column->setGeometry(QRect(QPoint(0, 0), measured));
    if (size() != measured || minimumSize() != measured) {
        setFixedSize(measured);
        // Grown or shrunk while open: still next to the tray, still on screen.
        if (m_dropDown && isVisible()) {
            place();
        }
    }
    if (m_lastSize != measured) {
        m_lastSize = measured;
    }
    updateGeometry();
}

QSize MenuBarPanel::sizeHint() const
{
    return m_lastSize.value_or(QSize(width, 400));
}

bool MenuBarPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_column && event->type() == QEvent::LayoutRequest) {
        relayout();
    }
    return QWidget::eventFilter(watched, event);
}

void MenuBarPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    AuroraBackground::paint(painter, QRectF(rect()), Environment::colorScheme(this));
}

void MenuBarPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void MenuBarPanel::keyPressEvent(QKeyEvent *event)
{
    if (m_dropDown && event->key() == Qt::Key_Escape) {
        closeDropDown();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MenuBarPanel::event(QEvent *event)
{
    if (m_dropDown && event->type() == QEvent::WindowDeactivate && windowType() != Qt::Popup) {
        // Losing focus closes the drop-down, but not for the options menu,
        // which is a popup of this window.
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && !isActiveWindow() && !QApplication::activePopupWidget()) {
                closeDropDown();
            }
        });
    }
    return QWidget::event(event);
}

void MenuBarPanel::closeDropDown()
{
    if (isVisible()) {
        close();
    }
}

void MenuBarPanel::open(DashboardSection section, std::optional<OverviewAnchor> anchor)
{
    if (!URLRouter::openWindow() && m_opener) {
        URLRouter::setOpenWindow(m_opener);
    }
    if (m_monitor.section() != section) {
        m_monitor.setSection(section);
    }
    m_monitor.setOverviewAnchor(anchor);
    if (WindowOpener *opener = URLRouter::openWindow()) {
        opener->openWindow(WindowID::dashboard);
    }
    if (ShellActions *shell = URLRouter::shell()) {
        shell->activateApp();
    }
    if (m_dropDown) {
        closeDropDown();
    }
}

QPoint MenuBarPanel::placement(const std::optional<QRect> &anchor, const QSize &size, const QRect &available)
{
    constexpr int margin = 8;
    constexpr int gap = 4;
    int x = 0;
    int y = 0;
    if (anchor && !anchor->isEmpty()) {
        x = anchor->x() + anchor->width() / 2 - size.width() / 2;
        // A tray at the bottom of the screen opens the panel upwards.
        y = anchor->y() + anchor->height() / 2 > available.y() + available.height() / 2 ? anchor->top() - gap - size.height()
                                                           : anchor->bottom() + 1 + gap;
    } else {
        x = available.right() + 1 - margin - size.width();
        y = available.top() + margin;
    }
    x = std::clamp(x, available.left() + margin, std::max(available.left() + margin,
                                                          available.right() + 1 - margin - size.width()));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

void MenuBarPanel::setVisible(bool visible)
{
    if (visible && m_presentation && !isVisible()) {
        const Presentation presentation = m_presentation();
        present(presentation.dropDown);
        m_anchor = presentation.anchor;
        if (presentation.dropDown) {
            place();
        }
    }
    QWidget::setVisible(visible);
}

void MenuBarPanel::place()
{
    QScreen *screen = m_anchor ? QGuiApplication::screenAt(m_anchor->center()) : nullptr;
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        move(placement(m_anchor, size(), screen->availableGeometry()));
    }
}

void MenuBarPanel::present(bool dropDown)
{
    m_dropDown = dropDown;
    // On X11 a popup closes itself on any click outside it, which is the
    // drop-down's behaviour; elsewhere a popup needs a parent window, so a
    // frameless tool window closes when it is deactivated instead.
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const Qt::WindowFlags dropDownFlags = x11 ? (Qt::Popup | Qt::FramelessWindowHint)
                                              : (Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    const Qt::WindowFlags flags = dropDown ? dropDownFlags : Qt::WindowFlags(Qt::Window);
    if (windowFlags() != flags) {
        setWindowFlags(flags);
    }
}

MenuBarPanel *MenuBarPanel::createWindow(Monitor &monitor, WindowOpener *opener, PresentationProvider presentation)
{
    auto *panel = new MenuBarPanel(monitor, opener);
    panel->m_presentation = presentation ? std::move(presentation) : [] { return Presentation{}; };
    panel->present(true);
    panel->setWindowTitle(QStringLiteral("Voltmere"));
    // A screen reader finds the open panel among the program's windows.
    Accessibility::exposeWindow(panel);
    new VisibilityReporter(panel, surface, false, true, monitor, ActivationPolicy::shared());
    return panel;
}

} // namespace voltmere
