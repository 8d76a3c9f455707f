#include "app/view/ApplicationShell.h"

#include "menubar/view/MenuBarLabel.h"
#include "menubar/view/MenuBarTray.h"
#include "monitor/Monitor.h"
#include "navigation/URLRouter.h"
#include "platform/PlatformText.h"
#include "ui/AppIcon.h"
#include "ui/BringToFront.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QTimer>

namespace voltmere {

ApplicationShell::ApplicationShell(Monitor &monitor, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
{
    URLRouter::setShell(this);
    qApp->installEventFilter(this);
}

ApplicationShell::~ApplicationShell()
{
    if (URLRouter::shell() == this) {
        URLRouter::setShell(nullptr);
    }
    if (URLRouter::openWindow() == this) {
        URLRouter::setOpenWindow(nullptr);
    }
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        delete window.data();
    }
}

void ApplicationShell::registerWindow(const QString &identifier, WindowFactory factory)
{
    m_factories.insert(identifier, std::move(factory));
}

QWidget *ApplicationShell::window(const QString &identifier) const
{
    return m_windows.value(identifier).data();
}

void ApplicationShell::start()
{
    AppIcon::applyToDock();
    m_tray = std::make_unique<MenuBarTray>(m_monitor, *this);
    connect(this, &ApplicationShell::appearanceChanged, m_tray.get(), &MenuBarTray::refresh);
    connect(m_tray.get(), &MenuBarTray::shownChanged, this, &ApplicationShell::followTray);
    if (!m_tray->show()) {
        // No tray on this desktop yet, perhaps never: addresses and the
        // welcome offer must still reach a window.
        MenuBarLabel::onDisplay(*this, m_monitor.prefs());
    }
    QTimer::singleShot(trayGraceMs, this, [this] {
        m_trayGraceOver = true;
        followTray();
    });
}

void ApplicationShell::followTray()
{
    const bool missing = m_trayGraceOver && !m_tray->isShown();
    if (missing == m_trayMissing) {
        return;
    }
    m_trayMissing = missing;
    if (missing && !m_toldNoTray) {
        // The program is invisible here; a user who started it from a
        // terminal to see why reads what to do.
        m_toldNoTray = true;
        qWarning().noquote() << PlatformText::say(PlatformText::Name::noTrayHint);
    }
    Q_EMIT trayMissingChanged(missing);
}

QKeySequence ApplicationShell::settingsShortcut()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Comma);
}

void ApplicationShell::openWindow(const QString &identifier)
{
    QWidget *existing = window(identifier);
    if (!existing) {
        const auto factory = m_factories.constFind(identifier);
        if (factory == m_factories.constEnd()) {
            return;
        }
        existing = (*factory)();
        if (!existing) {
            return;
        }
        m_windows.insert(identifier, existing);
        // The usual settings shortcut works in every window of the program.
        if (identifier != WindowID::settings) {
            auto *settings = new QShortcut(settingsShortcut(), existing);
            connect(settings, &QShortcut::activated, this, [this] { openWindow(WindowID::settings); });
        }
    }
    existing->show();
    bringToFront(existing);
    m_lastOpened = existing;
}

void ApplicationShell::activateApp()
{
    if (m_lastOpened && m_lastOpened->isVisible()) {
        bringToFront(m_lastOpened);
    }
}

void ApplicationShell::clickStatusItem()
{
    openWindow(WindowID::panel);
}

bool ApplicationShell::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        AppIcon::applyToDock();
        Q_EMIT appearanceChanged();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace voltmere
