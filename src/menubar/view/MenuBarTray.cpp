#include "menubar/view/MenuBarTray.h"

#include "menubar/view/MenuBarIcon.h"
#include "monitor/Monitor.h"
#include "navigation/AppCommands.h"
#include "navigation/WindowOpener.h"
#include "preferences/Preferences.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace voltmere {

MenuBarTray::MenuBarTray(Monitor &monitor, WindowOpener &opener, QObject *parent,
                         std::unique_ptr<TrayHostWatcher> host, std::unique_ptr<TrayItem> item)
    : QObject(parent)
    , m_monitor(monitor)
    , m_opener(opener)
    , m_host(host ? std::move(host) : TrayHostWatcher::createForThisMachine())
    , m_item(item ? std::move(item) : TrayItem::createForThisMachine(*m_host))
    , m_menu(std::make_unique<QMenu>())
{
    const std::vector<TrayMenuEntry> commands = entries();
    for (const TrayMenuEntry &entry : commands) {
        if (entry.label.isEmpty()) {
            m_menu->addSeparator();
        } else {
            m_menu->addAction(entry.label, this, entry.run);
        }
    }
    m_item->setTitle(QStringLiteral("Voltmere"));
    m_item->setMenu(commands);
    connect(m_item.get(), &TrayItem::activated, this, &MenuBarTray::activate);
    connect(m_item.get(), &TrayItem::contextMenuRequested, this, &MenuBarTray::popUpMenu);
    connect(m_item.get(), &TrayItem::hostChanged, this, &MenuBarTray::hostChanged);
    connect(m_host.get(), &TrayHostWatcher::appeared, this, &MenuBarTray::followFallback);
    connect(m_host.get(), &TrayHostWatcher::lost, this, &MenuBarTray::followFallback);
    connect(&m_monitor, &Monitor::latestChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor, &Monitor::batteryChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor, &Monitor::insightChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor.prefs(), &Preferences::menuBarStyleChanged, this, &MenuBarTray::refresh);
    refresh();
}

MenuBarTray::~MenuBarTray() = default;

std::vector<TrayMenuEntry> MenuBarTray::entries()
{
    return {
        // Like the panel's own "Open Dashboard": the last section, no pending scroll.
        {QStringLiteral("Open Dashboard"),
         [this] {
             m_monitor.setOverviewAnchor(std::nullopt);
             m_opener.openWindow(WindowID::dashboard);
         }},
        {QStringLiteral("Settings…"), [this] { m_opener.openWindow(WindowID::settings); }},
        {QString(), {}},
        {QStringLiteral("About Voltmere"), [this] { AppCommands::showAbout(m_opener); }},
        {QStringLiteral("Voltmere Help"), [] { AppCommands::openHelp(); }},
        {QString(), {}},
        {QStringLiteral("Quit Voltmere"), [] { QCoreApplication::quit(); }},
    };
}

bool MenuBarTray::show()
{
    m_wanted = true;
    m_item->show();
    followFallback();
    // The item's registration is answered later; a tray that is there now
    // will hold it in a moment.
    const bool ready = m_host->isAvailable() || m_icon;
    if (ready) {
        MenuBarLabel::onDisplay(m_opener, m_monitor.prefs());
    }
    return ready;
}

bool MenuBarTray::isShown() const
{
    return m_item->isShown() || (m_icon && m_icon->isVisible());
}

void MenuBarTray::hostChanged()
{
    if (m_item->isShown() && m_icon) {
        m_icon.reset(); // a StatusNotifier tray came after all
    }
    refresh(); // the tray may write the label, or have a panel of its own colour
    const bool shown = isShown();
    if (shown != m_shown) {
        m_shown = shown;
        if (shown && m_wanted) {
            MenuBarLabel::onDisplay(m_opener, m_monitor.prefs());
        }
        Q_EMIT shownChanged();
    }
}

void MenuBarTray::followFallback()
{
    if (!m_wanted) {
        return;
    }
    const bool watcher = m_host->canWatch() && m_host->hasWatcher();
    if (!watcher && !m_icon && QSystemTrayIcon::isSystemTrayAvailable()) {
        createIcon();
        m_icon->show();
    }
    hostChanged(); // drops the XEmbed icon once the item is shown, runs the appearance step
}

void MenuBarTray::createIcon()
{
    m_icon = std::make_unique<QSystemTrayIcon>();
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            // An XEmbed tray says where its icon is.
            const QRect where = m_icon ? m_icon->geometry() : QRect();
            activate(where.isEmpty() ? std::nullopt : std::optional<QPoint>(where.center()));
        }
    });
    m_icon->setToolTip(m_description);
    m_drawnFace.reset(); // the new icon needs its pixels
    refresh();
}

void MenuBarTray::activate(std::optional<QPoint> at)
{
    if (at) {
        m_anchor = at;
    }
    m_opener.openWindow(WindowID::panel);
}

void MenuBarTray::popUpMenu(std::optional<QPoint> at)
{
    m_menu->popup(at.value_or(QCursor::pos()));
}

void MenuBarTray::refresh()
{
    m_content = MenuBarLabel::content(m_monitor.prefs().menuBarStyle(), m_monitor.battery(), m_monitor.latest(),
                                      m_monitor.insight());
    // A panel's colours are not ours to know unless the tray's program says;
    // otherwise the desktop's palette is the best guess at light or dark.
    const std::optional<ColorScheme> panel = m_item->panelScheme();
    const QColor color = Theme::text.resolve(panel.value_or(Environment::applicationScheme()));
    // Where the tray writes the figure the face is the style's glyph, the
    // same from one reading to the next: drawn once, not at every tick.
    const MenuBarIcon::Face face = MenuBarIcon::face(m_content, m_item->showsLabel());
    if (!m_drawnFace || face != *m_drawnFace || color.rgba() != m_drawnColor) {
        m_drawnFace = face;
        m_drawnColor = color.rgba();
        std::vector<QImage> sizes;
        for (int pixels : MenuBarIcon::sizes()) {
            sizes.push_back(MenuBarIcon::render(face, color, pixels));
        }
        if (m_icon) {
            QIcon icon;
            for (const QImage &image : sizes) {
                icon.addPixmap(QPixmap::fromImage(image));
            }
            m_icon->setIcon(icon);
        }
        m_item->setIcon(sizes);
    }
    // The item tells the tray only what differs from what it holds.
    m_item->setLabel(MenuBarIcon::labelText(m_content), MenuBarIcon::labelGuide(m_content));
    m_item->setNeedsAttention(MenuBarIcon::needsAttention(m_content));

    const QString description =
        MenuBarLabel::spokenDescription(m_monitor.battery(), m_monitor.latest(), m_monitor.insight());
    if (description != m_description) {
        m_description = description;
        m_item->setToolTip(QStringLiteral("Voltmere"), description);
        if (m_icon) {
            m_icon->setToolTip(description);
        }
    }
}

} // namespace voltmere
