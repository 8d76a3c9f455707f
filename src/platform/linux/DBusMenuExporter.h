#pragma once

#include "platform/TrayItem.h"
#include "platform/linux/StatusNotifierTypes.h"

#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QStringList>

#include <vector>

namespace voltmere {

// The tray menu as a com.canonical.dbusmenu object, which is how a tray
// draws an item's menu in its own style: one flat level of commands and
// separators under the root (id 0); entry i has id i + 1. A command runs when
// the tray reports it "clicked". Main thread only.
class DBusMenuExporter : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    explicit DBusMenuExporter(QObject *parent = nullptr);

    // Replaces the entries; a tray is told only when the labels changed.
    void setEntries(std::vector<TrayMenuEntry> entries);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                   voltmere::sni::MenuLayoutItem &layout);
    QList<voltmere::sni::MenuItemProperties> GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames);
    QDBusVariant GetProperty(int id, const QString &name);
    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp);
    QList<int> EventGroup(const QList<voltmere::sni::MenuEvent> &events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors);

Q_SIGNALS:
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    QVariantMap properties(int id, const QStringList &names) const;
    bool exists(int id) const;
    // Runs entry `id` after the call that asked for it has been answered, so
    // a command that quits or opens a window never holds the tray's call up.
    bool run(int id, const QString &eventId);

    std::vector<TrayMenuEntry> m_entries;
    uint m_revision = 1;
};

} // namespace voltmere
