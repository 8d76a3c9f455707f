#pragma once

#include "navigation/WindowOpener.h"

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace voltmere {

class MenuBarTray;
class Monitor;

// Ties the running program together: opens windows by identifier (creating
// each on first use, raising it afterwards), owns the tray, follows the
// desktop's light or dark appearance, and serves URL routing. Main thread only.
class ApplicationShell : public QObject, public WindowOpener, public ShellActions {
    Q_OBJECT
public:
    using WindowFactory = std::function<QWidget *()>;

    explicit ApplicationShell(Monitor &monitor, QObject *parent = nullptr);
    ~ApplicationShell() override;

    // Makes `identifier` openable. Windows are created on first open and
    // belong to the shell; one that deletes itself on close is created anew
    // on the next open.
    void registerWindow(const QString &identifier, WindowFactory factory);
    // The open window for `identifier`, if any.
    QWidget *window(const QString &identifier) const;

    // Shows the tray where the desktop has one, and runs the label's
    // appearance step (without a tray at once, so addresses still open windows).
    void start();
    MenuBarTray *tray() const { return m_tray.get(); }
    // True once no tray has shown the program for `trayGraceMs` after start,
    // until one does. The first time, the log says how to get a tray.
    bool trayMissing() const { return m_trayMissing; }
    // A tray that starts with the session may come up after the program.
    static constexpr int trayGraceMs = 3000;

    // Opens Settings from any of the program's windows: Ctrl+,.
    static QKeySequence settingsShortcut();

    void openWindow(const QString &identifier) override;
    void activateApp() override;
    // Shows the panel: the tray's panel, or the same panel as a window.
    void clickStatusItem() override;

Q_SIGNALS:
    // The desktop switched between light and dark.
    void appearanceChanged();
    void trayMissingChanged(bool missing);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followTray();

    Monitor &m_monitor;
    QHash<QString, WindowFactory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
    QPointer<QWidget> m_lastOpened;
    std::unique_ptr<MenuBarTray> m_tray;
    bool m_trayGraceOver = false;
    bool m_trayMissing = false;
    bool m_toldNoTray = false;
};

} // namespace voltmere
