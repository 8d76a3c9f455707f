#pragma once

#include "menubar/view/MenuBarLabel.h"

#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace voltmere {

class Monitor;
class WindowOpener;

// The tray icon: draws the label into the icon, speaks its description as
// the tooltip, opens the panel on a click and offers the commands in its
// menu. Redraws when the style, a reading or the appearance changes.
class MenuBarTray : public QObject {
    Q_OBJECT
public:
    MenuBarTray(Monitor &monitor, WindowOpener &opener, QObject *parent = nullptr);
    ~MenuBarTray() override;

    // Shows the icon and runs the label's appearance step; false (and
    // nothing shown) when the desktop has no tray.
    bool show();

    const MenuBarLabel::Content &content() const { return m_content; }
    const QString &description() const { return m_description; }
    QSystemTrayIcon *icon() const { return m_icon.get(); }

public Q_SLOTS:
    void refresh();

private:
    Monitor &m_monitor;
    WindowOpener &m_opener;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    MenuBarLabel::Content m_content;
    QString m_description;
    QRgb m_drawnColor = 0;
    bool m_drawn = false;
};

} // namespace voltmere
