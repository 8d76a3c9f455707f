#pragma once

#include "menubar/view/MenuBarIcon.h"
#include "menubar/view/MenuBarLabel.h"
#include "platform/TrayHostWatcher.h"
#include "platform/TrayItem.h"

#include <QObject>
#include <QPoint>

#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QSystemTrayIcon;

namespace voltmere {

class Monitor;
class WindowOpener;

// The tray item: draws the label into square icons (or hands the figure to
// a tray that writes it beside the icon), speaks its description as the
// tooltip, marks it as needing attention while the warning triangle shows,
// opens the panel where the tray was clicked and offers the commands in its
// menu. Publishes only what changed since the last reading.
//
// The item is the program's own (TrayItem), which every StatusNotifierItem
// tray shows. A desktop with only an old XEmbed tray and no StatusNotifier
// watcher gets the toolkit's QSystemTrayIcon instead, made only then: the
// toolkit decides once, when its first icon is made, which tray it speaks to.
class MenuBarTray : public QObject {
    Q_OBJECT
public:
    // Without `host` and `item`, the running desktop's tray is followed.
    MenuBarTray(Monitor &monitor, WindowOpener &opener, QObject *parent = nullptr,
                std::unique_ptr<TrayHostWatcher> host = nullptr, std::unique_ptr<TrayItem> item = nullptr);
    ~MenuBarTray() override;

    // Shows the item and runs the label's appearance step once a tray holds
    // it; false while no tray does yet (one that appears later shows it then).
    bool show();
    // True while a tray shows the item (or the XEmbed icon).
    bool isShown() const;

    const MenuBarLabel::Content &content() const { return m_content; }
    const QString &description() const { return m_description; }
    // Where the tray was last clicked, in screen coordinates; the panel drops
    // from there. Absent until a tray gave a point.
    std::optional<QPoint> anchor() const { return m_anchor; }
    TrayItem *item() const { return m_item.get(); }
    // The XEmbed fallback; null unless that is what shows the label.
    QSystemTrayIcon *icon() const { return m_icon.get(); }
    QMenu *menu() const { return m_menu.get(); }

public Q_SLOTS:
    void refresh();

Q_SIGNALS:
    // isShown() changed.
    void shownChanged();

private:
    std::vector<TrayMenuEntry> entries();
    void activate(std::optional<QPoint> at);
    void popUpMenu(std::optional<QPoint> at);
    void hostChanged();
    void followFallback();
    void createIcon();

    Monitor &m_monitor;
    WindowOpener &m_opener;
    std::unique_ptr<TrayHostWatcher> m_host;
    std::unique_ptr<TrayItem> m_item;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_wanted = false; // show() was called
    bool m_shown = false;
    std::optional<QPoint> m_anchor;

    // What was last published, so an unchanged round publishes nothing.
    MenuBarLabel::Content m_content;
    QString m_description;
    std::optional<MenuBarIcon::Face> m_drawnFace;
    QRgb m_drawnColor = 0;
};

} // namespace voltmere
