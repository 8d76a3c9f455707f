#pragma once

#include "menubar/view/MenuBarLabel.h"
#include "platform/TrayHostWatcher.h"

#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace voltmere {

class Monitor;
class TrayHostWatcher;
class WindowOpener;

// The tray icon: draws the label into the icon, speaks its description as
// the tooltip, opens the panel on a click and offers the commands in its
// menu. Redraws when the style, a reading or the appearance changes.
//
// The icon exists only while the desktop has a tray: the toolkit decides
// once, when the first icon is made, whether it can use the desktop's tray,
// so making one before the tray is up would lose it for the whole run. A
// tray that appears later gets the icon then; one that restarts gets a new
// icon, registered with the new tray.
class MenuBarTray : public QObject {
    Q_OBJECT
public:
    // Without a `host`, the running desktop's tray is watched.
    MenuBarTray(Monitor &monitor, WindowOpener &opener, QObject *parent = nullptr,
                std::unique_ptr<TrayHostWatcher> host = nullptr);
    ~MenuBarTray() override;

    // Shows the icon and runs the label's appearance step; false (and
    // nothing shown) when the desktop has no tray yet. A tray that appears
    // afterwards shows the icon then.
    bool show();

    const MenuBarLabel::Content &content() const { return m_content; }
    const QString &description() const { return m_description; }
    // Null while there is no tray to show it in.
    QSystemTrayIcon *icon() const { return m_icon.get(); }
    QMenu *menu() const { return m_menu.get(); }

public Q_SLOTS:
    void refresh();

private:
    void createIcon();
    void trayAppeared();

    Monitor &m_monitor;
    WindowOpener &m_opener;
    std::unique_ptr<TrayHostWatcher> m_host;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_wanted = false; // show() was called
    MenuBarLabel::Content m_content;
    QString m_description;
    QRgb m_drawnColor = 0;
    bool m_drawn = false;
};

} // namespace voltmere
