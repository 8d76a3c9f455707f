#include "menubar/view/MenuBarTray.h"

#include "monitor/Monitor.h"
#include "navigation/AppCommands.h"
#include "navigation/WindowOpener.h"
#include "platform/TrayHostWatcher.h"
#include "preferences/Preferences.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace voltmere {

MenuBarTray::MenuBarTray(Monitor &monitor, WindowOpener &opener, QObject *parent,
                         std::unique_ptr<TrayHostWatcher> host)
    : QObject(parent)
    , m_monitor(monitor)
    , m_opener(opener)
    , m_host(host ? std::move(host) : TrayHostWatcher::createForThisMachine())
    , m_menu(std::make_unique<QMenu>())
{
    // Like the panel's own "Open Dashboard": the last section, no pending scroll.
    m_menu->addAction(QStringLiteral("Open Dashboard"), this, [this] {
        m_monitor.setOverviewAnchor(std::nullopt);
        m_opener.openWindow(WindowID::dashboard);
    });
    m_menu->addAction(QStringLiteral("Settings…"), this, [this] { m_opener.openWindow(WindowID::settings); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("About Voltmere"), this, [this] { AppCommands::showAbout(m_opener); });
    m_menu->addAction(QStringLiteral("Voltmere Help"), this, [] { AppCommands::openHelp(); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Voltmere"), qApp, &QCoreApplication::quit);

    connect(m_host.get(), &TrayHostWatcher::appeared, this, &MenuBarTray::trayAppeared);
    // The icon lived in the tray that went away; a new tray gets a new one.
    connect(m_host.get(), &TrayHostWatcher::lost, this, [this] { m_icon.reset(); });
    connect(&m_monitor, &Monitor::latestChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor, &Monitor::batteryChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor, &Monitor::insightChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor.prefs(), &Preferences::menuBarStyleChanged, this, &MenuBarTray::refresh);
    refresh();
}

MenuBarTray::~MenuBarTray() = default;

void MenuBarTray::createIcon()
{
    m_icon = std::make_unique<QSystemTrayIcon>();
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            m_opener.openWindow(WindowID::panel);
        }
    });
    m_drawn = false;
    refresh();
}

bool MenuBarTray::show()
{
    m_wanted = true;
    // Without a session bus nothing can be watched; the toolkit's own check
    // (an X11 tray, say) is all there is, and asking it costs nothing more.
    const bool available = m_host->canWatch() ? m_host->isAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (!available) {
        return false;
    }
    if (!m_icon) {
        createIcon();
    }
    m_icon->show();
    MenuBarLabel::onDisplay(m_opener, m_monitor.prefs());
    return true;
}

void MenuBarTray::trayAppeared()
{
    if (m_wanted) {
        m_icon.reset();
        show();
    }
}

void MenuBarTray::refresh()
{
    const MenuBarLabel::Content content = MenuBarLabel::content(
        m_monitor.prefs().menuBarStyle(), m_monitor.battery(), m_monitor.latest(), m_monitor.insight());
    // The panel's colours are not ours to know; the desktop's palette is the
    // best guess at whether it is light or dark.
    const QColor color = Theme::text.resolve(Environment::applicationScheme());
    const QString description =
        MenuBarLabel::spokenDescription(m_monitor.battery(), m_monitor.latest(), m_monitor.insight());
    const bool redraw = !m_drawn || content != m_content || color.rgba() != m_drawnColor;
    const bool retell = !m_drawn || description != m_description;
    m_content = content;
    m_drawnColor = color.rgba();
    m_description = description;
    if (!m_icon) {
        m_drawn = false; // drawn when there is a tray to draw in
        return;
    }
    m_drawn = true;
    if (redraw) {
        m_icon->setIcon(QIcon(QPixmap::fromImage(MenuBarLabel::render(content, color))));
    }
    if (retell) {
        m_icon->setToolTip(description);
    }
}

} // namespace voltmere
