#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace voltmere::sni {

// The wire types of org.kde.StatusNotifierItem and com.canonical.dbusmenu.

// One icon size: width, height and ARGB32 pixels in network byte order, (iiay).
struct IconPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
    bool operator==(const IconPixmap &) const = default;
};
using IconPixmapList = QList<IconPixmap>;

// (sa(iiay)ss): icon name, icon pixmaps, title, text.
struct ToolTip {
    QString iconName;
    IconPixmapList icon;
    QString title;
    QString text;
};

// One menu item with its properties, (ia{sv}).
struct MenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using MenuItemPropertiesList = QList<MenuItemProperties>;

// A menu item with its children, (ia{sv}av): each child travels as a variant
// holding the same structure.
struct MenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayoutItem> children;
};

// One event of EventGroup, (isvu).
struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEventList = QList<MenuEvent>;

// `image` as the protocol carries it.
IconPixmap toIconPixmap(const QImage &image);
// Back to an image; null when the sizes and the bytes disagree.
QImage toImage(const IconPixmap &pixmap);

// Makes the types above known to QtDBus; call before exporting an object that uses them.
void registerTypes();

QDBusArgument &operator<<(QDBusArgument &argument, const IconPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, IconPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const ToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, ToolTip &toolTip);
QDBusArgument &operator<<(QDBusArgument &argument, const MenuItemProperties &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, MenuItemProperties &item);
QDBusArgument &operator<<(QDBusArgument &argument, const MenuLayoutItem &item);
const QDBusArgument &operator>>(const QDBusArgument &argument, MenuLayoutItem &item);
QDBusArgument &operator<<(QDBusArgument &argument, const MenuEvent &event);
const QDBusArgument &operator>>(const QDBusArgument &argument, MenuEvent &event);

} // namespace voltmere::sni

Q_DECLARE_METATYPE(voltmere::sni::IconPixmap)
Q_DECLARE_METATYPE(voltmere::sni::ToolTip)
Q_DECLARE_METATYPE(voltmere::sni::MenuItemProperties)
Q_DECLARE_METATYPE(voltmere::sni::MenuLayoutItem)
Q_DECLARE_METATYPE(voltmere::sni::MenuEvent)
