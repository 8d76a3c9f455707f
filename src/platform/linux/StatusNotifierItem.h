#pragma once

#include "platform/TrayItem.h"
#include "platform/linux/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QRect>

#include <utility>
#include <vector>

namespace voltmere {

class DBusMenuExporter;
class StatusNotifierItemAdaptor;

// The tray item as org.kde.StatusNotifierItem on the session bus, the
// protocol of KDE Plasma, GNOME's AppIndicator extension, XFCE, Budgie, MATE
// and waybar, with its menu as a com.canonical.dbusmenu object beside it.
// It owns the name "org.kde.StatusNotifierItem-<pid>-<n>" and registers that
// with org.kde.StatusNotifierWatcher whenever `host` sees a tray appear.
//
// Every property is answered from what the setters stored; a setter that
// changes nothing emits nothing, so an idle program costs the tray nothing.
// Main thread only.
class StatusNotifierItem final : public TrayItem {
    Q_OBJECT
public:
    static inline const QString itemPath = QStringLiteral("/StatusNotifierItem");
    static inline const QString menuPath = QStringLiteral("/MenuBar");
    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

    // What is known of a tray from the program that draws it.
    struct Traits {
        bool showsLabel = false;
        std::optional<ColorScheme> panelScheme;
        bool operator==(const Traits &) const = default;
    };

    StatusNotifierItem(const QDBusConnection &bus, TrayHostWatcher &host, QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    void show() override;
    bool isShown() const override { return m_shown; }
    bool showsLabel() const override { return m_traits.showsLabel; }
    std::optional<ColorScheme> panelScheme() const override { return m_traits.panelScheme; }

    void setIcon(const std::vector<QImage> &sizes) override;
    void setLabel(const QString &text, const QString &widest) override;
    void setToolTip(const QString &title, const QString &text) override;
    void setTitle(const QString &title) override;
    void setNeedsAttention(bool needsAttention) override;
    void setMenu(std::vector<TrayMenuEntry> entries) override;

    // The bus name this item registers with the tray.
    const QString &serviceName() const { return m_service; }

    // The trays whose program is known by its name (the command name in
    // /proc/<pid>/comm): GNOME Shell's AppIndicator extension writes the label
    // beside the icon on its always-dark top bar; the Ayatana indicator
    // service, behind XFCE's and MATE's indicator applets, writes it too.
    // Any other tray is taken to show the icon alone.
    static Traits traitsOf(const QString &trayProgram);
    // A point a tray gave, in device pixels of the whole desktop, in this
    // program's coordinates: each screen keeps its top-left corner and has
    // its size divided by its pixel ratio. `screens` holds each screen's
    // geometry in this program's coordinates and its pixel ratio. (0, 0) is
    // what trays send when they know no point.
    static std::optional<QPoint> pointFromTray(int x, int y, const std::vector<std::pair<QRect, qreal>> &screens);

    // What the bus reads.
    StatusNotifierItemAdaptor *adaptor() const { return m_adaptor; }
    const QString &title() const { return m_title; }
    QString status() const { return m_needsAttention ? QStringLiteral("NeedsAttention") : QStringLiteral("Active"); }
    const QList<sni::IconPixmap> &iconPixmap() const { return m_icon; }
    const sni::ToolTip &toolTip() const { return m_toolTip; }
    const QString &label() const { return m_label; }
    const QString &labelGuide() const { return m_labelGuide; }

    // The tray's clicks, at the point it gave. Both are acted on after the
    // tray's call has been answered, so a tray that waits for the answer
    // never stalls behind drawing the panel or the menu.
    void activate(int x, int y);
    void requestContextMenu(int x, int y);

private:
    void registerWithTray();
    void learnTrayProgram();
    void setShown(bool shown);
    void setTraits(const Traits &traits);
    std::optional<QPoint> pointFromTray(int x, int y) const;

    QDBusConnection m_bus;
    TrayHostWatcher &m_host;
    DBusMenuExporter *m_menu;
    StatusNotifierItemAdaptor *m_adaptor;
    QString m_service;
    bool m_wanted = false;
    bool m_onBus = false;
    bool m_shown = false;
    int m_attempt = 0; // answers about an earlier tray are dropped
    Traits m_traits;

    QString m_title;
    QList<sni::IconPixmap> m_icon;
    sni::ToolTip m_toolTip;
    QString m_label;
    QString m_labelGuide;
    bool m_needsAttention = false;
};

} // namespace voltmere
