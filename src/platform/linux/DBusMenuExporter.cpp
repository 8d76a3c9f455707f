#include "platform/linux/DBusMenuExporter.h"

#include <QTimer>

namespace voltmere {

DBusMenuExporter::DBusMenuExporter(QObject *parent)
    : QObject(parent)
{
}

void DBusMenuExporter::setEntries(std::vector<TrayMenuEntry> entries)
{
    bool same = entries.size() == m_entries.size();
    for (std::size_t i = 0; same && i < entries.size(); ++i) {
        same = entries[i].label == m_entries[i].label;
    }
    m_entries = std::move(entries);
    if (!same) {
        ++m_revision;
        Q_EMIT LayoutUpdated(m_revision, 0);
    }
}

bool DBusMenuExporter::exists(int id) const
{
    return id >= 0 && static_cast<std::size_t>(id) <= m_entries.size();
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList &names) const
{
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (exists(id)) {
        const TrayMenuEntry &entry = m_entries[static_cast<std::size_t>(id - 1)];
        if (entry.label.isEmpty()) {
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            all.insert(QStringLiteral("label"), entry.label);
            all.insert(QStringLiteral("enabled"), static_cast<bool>(entry.run));
        }
        all.insert(QStringLiteral("visible"), true);
    }
    if (names.isEmpty()) {
        return all;
    }
    QVariantMap asked;
    for (const QString &name : names) {
        const auto found = all.constFind(name);
        if (found != all.constEnd()) {
            asked.insert(name, *found);
        }
    }
    return asked;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                                 sni::MenuLayoutItem &layout)
{
    layout = {parentId, properties(parentId, propertyNames), {}};
    // Only the root has children; a depth of 0 asks for the item alone.
    if (parentId == 0 && recursionDepth != 0) {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const int id = static_cast<int>(i) + 1;
            layout.children.append({id, properties(id, propertyNames), {}});
        }
    }
    return m_revision;
}

QList<sni::MenuItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int> &ids,
                                                                    const QStringList &propertyNames)
{
    QList<sni::MenuItemProperties> result;
    for (int id : ids) {
        if (exists(id)) {
            result.append({id, properties(id, propertyNames)});
        }
    }
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString &name)
{
    return QDBusVariant(properties(id, {name}).value(name));
}

bool DBusMenuExporter::run(int id, const QString &eventId)
{
    if (!exists(id)) {
        return false;
    }
    if (id == 0 || eventId != QLatin1String("clicked")) {
        return true; // hovered, opened, closed: nothing to do
    }
    std::function<void()> command = m_entries[static_cast<std::size_t>(id - 1)].run;
    if (command) {
        QTimer::singleShot(0, this, std::move(command));
    }
    return true;
}

void DBusMenuExporter::Event(int id, const QString &eventId, const QDBusVariant &, uint)
{
    run(id, eventId);
}

QList<int> DBusMenuExporter::EventGroup(const QList<sni::MenuEvent> &events)
{
    QList<int> unknown;
    for (const sni::MenuEvent &event : events) {
        if (!run(event.id, event.eventId)) {
            unknown.append(event.id);
        }
    }
    return unknown;
}

bool DBusMenuExporter::AboutToShow(int)
{
    return false; // the layout is always current
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
{
    idErrors.clear();
    for (int id : ids) {
        if (!exists(id)) {
            idErrors.append(id);
        }
    }
    return {};
}

} // namespace voltmere
