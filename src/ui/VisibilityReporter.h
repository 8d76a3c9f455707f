#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class QWindow;

namespace voltmere {

class ActivationPolicy;
class Monitor;

// Tells the Monitor, by surface name, whether a top-level window is open and
// whether it is visible on screen; the sampling period, the Dock icon and the
// self-usage split follow from those reports. Every window-like surface
// attaches one. The reporter is a child of its window and lives as long as
// it; its flags are fixed at construction. Main thread only.
//
// Visible means shown, not minimised and exposed (the window system draws
// it). The window counts as open from its first visible update until it
// closes; a transient surface (`openWhileKey`, the menu-bar panel) counts as
// open only while shown and either active or exposed.
class VisibilityReporter : public QObject {
    Q_OBJECT
public:
    // `window` must be a top-level widget. `promotesApp`: while this window
    // is shown the program is a regular application with a Dock icon.
    VisibilityReporter(QWidget *window, const QString &surface, bool promotesApp, bool openWhileKey, Monitor &monitor,
        ActivationPolicy &policy);
    // Reports nothing: a window that closed has already said so.
    ~VisibilityReporter() override;

    // Attaches the reporter for one of the program's surfaces ("panel",
    // "dashboard", "settings", "welcome", "about") with that surface's flags,
    // reporting to the program's Monitor.
    static VisibilityReporter *attach(QWidget *window, const QString &surface);

    QString surface() const { return m_surface; }
    bool promotesApp() const { return m_promotesApp; }
    bool openWhileKey() const { return m_openWhileKey; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchWindowHandle();
    void update();
    void report(bool visible);
    void windowClosed();

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_handle; // the native window whose exposure is watched
    const QString m_surface;
    const bool m_promotesApp;
    const bool m_openWhileKey;
    Monitor &m_monitor;
    ActivationPolicy &m_policy;
    bool m_closing = false; // a close was requested; the hide that follows ends the window
    bool m_activateOnShow = false; // bring the window to the front when it first shows
};

} // namespace voltmere
