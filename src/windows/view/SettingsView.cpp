#include "windows/view/SettingsView.h"

#include "monitor/Monitor.h"
#include "platform/ActivationPolicy.h"
#include "ui/Environment.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/VisibilityReporter.h"
#include "windows/view/AboutView.h"
#include "windows/view/GeneralSettings.h"
#include "windows/view/NotificationsSettings.h"
#include "windows/view/WindowKeys.h"

#include <QEvent>
#include <QKeySequence>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <array>

namespace voltmere {

namespace {

constexpr std::array tabSymbols{"gearshape", "bell", "clock", "info.circle"};

} // namespace

SettingsView::SettingsView(Monitor &monitor, QWidget *historyTab, QWidget *parent)
    : QWidget(parent)
    , m_tabs(new QTabWidget(this))
    , m_general(new GeneralSettings(monitor.prefs()))
    , m_notifications(new NotificationsSettings(monitor))
    , m_history(historyTab)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_tabs);
    m_tabs->setDocumentMode(true);
    m_tabs->setIconSize(QSize(16, 16));
    m_tabs->addTab(m_general, QStringLiteral("General"));
    m_tabs->addTab(m_notifications, QStringLiteral("Notifications"));
    m_tabs->addTab(m_history, QStringLiteral("History"));
    m_tabs->addTab(AboutView::scrolling(true, 20), QStringLiteral("About"));
    tintTabIcons();
    setFixedSize(width, height);
}

SettingsView *SettingsView::createWindow(Monitor &monitor, QWidget *historyTab)
{
    auto *view = new SettingsView(monitor, historyTab);
    view->setWindowTitle(QStringLiteral("Voltmere Settings"));
    view->setAttribute(Qt::WA_DeleteOnClose);
    new VisibilityReporter(view, QStringLiteral("settings"), true, false, monitor, ActivationPolicy::shared());
    WindowKeys::closeOnDismissKeys(view);
    return view;
}

void SettingsView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        tintTabIcons();
    }
    QWidget::changeEvent(event);
}

void SettingsView::showEvent(QShowEvent *event)
{
    // The scheme may come from a parent set after construction.
    tintTabIcons();
    QWidget::showEvent(event);
}

void SettingsView::tintTabIcons()
{
    const QColor color = Theme::text.resolve(Environment::colorScheme(this));
    for (int i = 0; i < m_tabs->count(); ++i) {
        m_tabs->setTabIcon(i, QIcon(Symbols::pixmap(QString::fromLatin1(tabSymbols.at(static_cast<std::size_t>(i))),
                                                    16, color, devicePixelRatioF())));
    }
}

} // namespace voltmere
