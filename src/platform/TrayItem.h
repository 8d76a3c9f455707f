#pragma once

#include "model/ThemeColor.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace voltmere {

class TrayHostWatcher;

// One line of the tray's menu: a command, or a separator when `label` is empty.
struct TrayMenuEntry {
    QString label;
    std::function<void()> run;
};

// The program's item in the desktop's tray, as the tray's protocol carries
// it: a square icon offered at several sizes, a short text some trays write
// beside it, a tooltip, whether it needs attention, and a menu. It publishes
// what it is given and draws nothing itself; a setter given what the item
// already holds changes nothing and tells the tray nothing.
//
// The item follows the tray: it registers once one is there, and again with
// a tray that restarts. Main thread only.
class TrayItem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayItem() override = default;

    // Puts the item on the bus and registers it with the tray, now or once a
    // tray appears.
    virtual void show() = 0;
    // True while a tray holds the item.
    virtual bool isShown() const = 0;
    // True where the tray is known to write the label beside the icon, so the
    // icon need not carry the figure itself.
    virtual bool showsLabel() const = 0;
    // The tray panel's own colours where they are known regardless of the
    // desktop's palette; absent otherwise.
    virtual std::optional<ColorScheme> panelScheme() const = 0;

    // Square images of several sizes, each ARGB32; the tray picks the one
    // closest to the size it draws.
    virtual void setIcon(const std::vector<QImage> &sizes) = 0;
    // `text` beside the icon where the tray writes one; `widest` is the
    // widest text it will hold, so the tray can keep its width steady.
    virtual void setLabel(const QString &text, const QString &widest) = 0;
    virtual void setToolTip(const QString &title, const QString &text) = 0;
    virtual void setTitle(const QString &title) = 0;
    virtual void setNeedsAttention(bool needsAttention) = 0;
    virtual void setMenu(std::vector<TrayMenuEntry> entries) = 0;

    // The running desktop's tray, followed through `host`, which must outlive it.
    static std::unique_ptr<TrayItem> createForThisMachine(TrayHostWatcher &host, QObject *parent = nullptr);

Q_SIGNALS:
    // The user clicked the item; `at` is the point the tray gave, in this
    // program's screen coordinates, absent when the tray gave none.
    void activated(std::optional<QPoint> at);
    // The tray asks the program to show its menu itself at `at`.
    void contextMenuRequested(std::optional<QPoint> at);
    // isShown(), showsLabel() or panelScheme() changed.
    void hostChanged();
};

} // namespace voltmere
