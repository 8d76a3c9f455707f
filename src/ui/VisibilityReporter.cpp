#include "ui/VisibilityReporter.h"

#include "monitor/Monitor.h"
#include "platform/ActivationPolicy.h"
#include "ui/BringToFront.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace voltmere {

VisibilityReporter::VisibilityReporter(QWidget *window, const QString &surface, bool promotesApp, bool openWhileKey,
    Monitor &monitor, ActivationPolicy &policy)
    : QObject(window)
    , m_window(window)
    , m_surface(surface)
    , m_promotesApp(promotesApp)
    , m_openWhileKey(openWhileKey)
    , m_monitor(monitor)
    , m_policy(policy)
{
    if (!m_window) {
        report(false);
        return;
    }
    m_window->installEventFilter(this);
    watchWindowHandle();
    if (m_promotesApp) {
        m_policy.promotingSurfaceAttached();
        // On a desktop without a Dock, bringing the program to the front
        // means raising this window once it is on screen.
        m_activateOnShow = true;
    }
    update();
}

VisibilityReporter::~VisibilityReporter()
{
    if (m_handle) {
        m_handle->removeEventFilter(this);
    }
    if (m_window) {
        m_window->removeEventFilter(this);
    }
}

VisibilityReporter *VisibilityReporter::attach(QWidget *window, const QString &surface)
{
    const bool panel = surface == QLatin1String("panel");
    return new VisibilityReporter(window, surface, !panel, panel, Monitor::shared(), ActivationPolicy::shared());
}

// The native window exists only once the widget is created and may be
// replaced (a re-parented or re-created window), so it is looked up again.
void VisibilityReporter::watchWindowHandle()
{
    QWindow *handle = m_window ? m_window->windowHandle() : nullptr;
    if (handle == m_handle) {
        return;
    }
    if (m_handle) {
        m_handle->removeEventFilter(this);
    }
    m_handle = handle;
    if (m_handle) {
        m_handle->installEventFilter(this);
    }
}

bool VisibilityReporter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_handle) {
        if (event->type() == QEvent::Expose) {
            update();
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::Close:
        if (!m_window->isVisible()) {
            windowClosed();
        } else {
            // The window may still refuse to close; only the hide that an
            // accepted close performs right away ends it.
            m_closing = true;
            QTimer::singleShot(0, this, [this] { m_closing = false; });
        }
        break;
    case QEvent::Hide:
        if (m_closing) {
            m_closing = false;
            windowClosed();
        } else {
            update();
        }
        break;
    case QEvent::Show:
    case QEvent::WinIdChange:
        watchWindowHandle();
        update();
        break;
    case QEvent::WindowStateChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        update();
        break;
    default:
        break;
    }
    return false;
}

void VisibilityReporter::update()
{
    if (!m_window) {
        report(false);
        return;
    }
    const bool shown = m_window->isVisible();
    const bool unoccluded = shown && !m_window->isMinimized() && m_handle && m_handle->isExposed();
    if (m_openWhileKey) {
        m_monitor.setSurfaceOpen(m_surface, shown && (m_window->isActiveWindow() || unoccluded));
    } else if (shown) {
        // Only the close handling reports an ordinary window closed.
        m_monitor.setSurfaceOpen(m_surface, true);
    }
    if (m_promotesApp && shown) {
        m_policy.promotingSurfaceShown();
        if (m_activateOnShow) {
            m_activateOnShow = false;
            bringToFront(m_window);
        }
    }
    report(unoccluded);
}

void VisibilityReporter::report(bool visible)
{
    m_monitor.setSurfaceVisible(m_surface, visible);
}

void VisibilityReporter::windowClosed()
{
    report(false);
    m_monitor.setSurfaceOpen(m_surface, false);
    if (m_promotesApp) {
        m_policy.promotingSurfaceClosed(m_monitor.visibleSurfaces());
    }
}

} // namespace voltmere
