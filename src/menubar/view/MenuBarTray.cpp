#include "menubar/view/MenuBarTray.h"

#include "app/AppCommands.h"
#include "app/Preferences.h"
#include "app/WindowOpener.h"
#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"
#include "monitor/Monitor.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace voltmere {

MenuBarTray::MenuBarTray(Monitor &monitor, WindowOpener &opener, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_opener(opener)
    , m_menu(std::make_unique<QMenu>())
    , m_icon(std::make_unique<QSystemTrayIcon>())
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
    m_icon->setContextMenu(m_menu.get());

    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            m_opener.openWindow(WindowID::panel);
        }
    });
    connect(&m_monitor, &Monitor::latestChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor, &Monitor::batteryChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor, &Monitor::insightChanged, this, &MenuBarTray::refresh);
    connect(&m_monitor.prefs(), &Preferences::menuBarStyleChanged, this, &MenuBarTray::refresh);
    refresh();
}

MenuBarTray::~MenuBarTray() = default;

bool MenuBarTray::show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    m_icon->show();
    MenuBarLabel::onDisplay(m_opener, m_monitor.prefs());
    return true;
}

void MenuBarTray::refresh()
{
    const MenuBarLabel::Content content = MenuBarLabel::content(
        m_monitor.prefs().menuBarStyle(), m_monitor.battery(), m_monitor.latest(), m_monitor.insight());
    // The panel's colours are not ours to know; the desktop's palette is the
    // best guess at whether it is light or dark.
    const QColor color = Theme::text.resolve(Environment::applicationScheme());
    if (!m_drawn || content != m_content || color.rgba() != m_drawnColor) {
        m_content = content;
        m_drawnColor = color.rgba();
        m_drawn = true;
        m_icon->setIcon(QIcon(QPixmap::fromImage(MenuBarLabel::render(content, color))));
    }
    const QString description =
        MenuBarLabel::spokenDescription(m_monitor.battery(), m_monitor.latest(), m_monitor.insight());
    if (description != m_description) {
        m_description = description;
        m_icon->setToolTip(description);
    }
}

} // namespace voltmere
