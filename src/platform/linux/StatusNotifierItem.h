#pragma once

#include "platform/TrayItem.h"
#include "platform/linux/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QRect>

#include <utility>
#include <vector>

namespace voltmere {

class DBusMenuExporter;

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
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyString)
    Q_PROPERTY(QString IconName READ emptyString)
    Q_PROPERTY(QList<voltmere::sni::IconPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyString)
    Q_PROPERTY(QList<voltmere::sni::IconPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyString)
    Q_PROPERTY(QList<voltmere::sni::IconPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyString)
    Q_PROPERTY(voltmere::sni::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
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
    DBusMenuExporter *menuExporter() const { return m_menu; }

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

    QString category() const { return QStringLiteral("Hardware"); }
    QString id() const { return QStringLiteral("voltmere"); }
    QString title() const { return m_title; }
    QString status() const { return m_needsAttention ? QStringLiteral("NeedsAttention") : QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyString() const { return {}; }
    QList<sni::IconPixmap> iconPixmap() const { return m_icon; }
    QList<sni::IconPixmap> noPixmaps() const { return {}; }
    sni::ToolTip toolTip() const { return m_toolTip; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(menuPath); }
    QString label() const { return m_label; }
    QString labelGuide() const { return m_labelGuide; }

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString &orientation);

Q_SIGNALS:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString &status);
    Q_SCRIPTABLE void XAyatanaNewLabel(const QString &label, const QString &guide);

private:
    void registerWithTray();
    void learnTrayProgram();
    void setShown(bool shown);
    void setTraits(const Traits &traits);
    std::optional<QPoint> pointFromTray(int x, int y) const;

    QDBusConnection m_bus;
    TrayHostWatcher &m_host;
    DBusMenuExporter *m_menu;
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
