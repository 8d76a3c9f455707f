#include "platform/linux/StatusNotifierItemAdaptor.h"

#include "platform/linux/StatusNotifierItem.h"

namespace voltmere {

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem &item)
    : QDBusAbstractAdaptor(&item)
    , m_item(item)
{
    // The item's own signals are for the program, not the bus.
    setAutoRelaySignals(false);
}

QString StatusNotifierItemAdaptor::title() const
{
    return m_item.title();
}

QString StatusNotifierItemAdaptor::status() const
{
    return m_item.status();
}

QList<sni::IconPixmap> StatusNotifierItemAdaptor::iconPixmap() const
{
    return m_item.iconPixmap();
}

sni::ToolTip StatusNotifierItemAdaptor::toolTip() const
{
    return m_item.toolTip();
}

QDBusObjectPath StatusNotifierItemAdaptor::menu() const
{
    return QDBusObjectPath(StatusNotifierItem::menuPath);
}

QString StatusNotifierItemAdaptor::label() const
{
    return m_item.label();
}

QString StatusNotifierItemAdaptor::labelGuide() const
{
    return m_item.labelGuide();
}

void StatusNotifierItemAdaptor::Activate(int x, int y)
{
    m_item.activate(x, y);
}

// A middle click has no meaning of its own here.
void StatusNotifierItemAdaptor::SecondaryActivate(int, int)
{
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y)
{
    m_item.requestContextMenu(x, y);
}

// Scrolling over a figure has nothing to change.
void StatusNotifierItemAdaptor::Scroll(int, const QString &)
{
}

} // namespace voltmere
