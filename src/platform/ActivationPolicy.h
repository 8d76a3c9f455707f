#pragma once

#include <QObject>
#include <QSet>
#include <QString>

namespace voltmere {

// Whether the program is a regular application with a Dock icon (while one
// of its ordinary windows is open) or an accessory that lives only in the
// menu bar. The transitions are kept here as state; a platform that has a
// Dock applies them by following the signals. Linux has no Dock: windows
// keep their taskbar entries and nothing needs applying. Main thread only.
class ActivationPolicy : public QObject {
    Q_OBJECT
public:
    enum class Policy { regular, accessory };

    // The program starts as an accessory: no window is open yet.
    explicit ActivationPolicy(QObject *parent = nullptr);

    static ActivationPolicy &shared();

    // The surfaces whose visibility keeps the Dock icon. The menu-bar panel
    // is never one of them.
    static const QSet<QString> &dockSurfaces();

    Policy policy() const { return m_policy; }
    // Whether the application's icon is currently applied to the Dock.
    bool showsDockIcon() const { return m_showsDockIcon; }

    // A promoting surface entered its window: become regular if needed, apply
    // the Dock icon and bring the application to the front.
    void promotingSurfaceAttached();
    // A promoting surface's window is visible: if not regular yet, become
    // regular and apply the Dock icon.
    void promotingSurfaceShown();
    // A promoting surface's window closed; `visibleSurfaces` is the set after
    // it reported itself not visible. Back to accessory, with the icon
    // cleared, once no Dock surface is visible.
    void promotingSurfaceClosed(const QSet<QString> &visibleSurfaces);

Q_SIGNALS:
    void policyChanged();
    // Apply the application's icon to the Dock.
    void dockIconApplied();
    // Clear the application's icon image.
    void dockIconCleared();
    // Bring the application to the front.
    void activationRequested();

private:
    void setPolicy(Policy policy);
    void applyDockIcon();

    Policy m_policy = Policy::accessory;
    bool m_showsDockIcon = false;
};

} // namespace voltmere
