#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace voltmere::test {

// What a screen reader reaches below `root`: the name and value of every
// element that is shown, walking the accessibility tree in order.
inline QStringList spoken(QWidget *root)
{
    QStringList out;
    const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface *child = node->child(i);
            if (!child || child->state().invisible) {
                continue;
            }
            for (const QString &said : {child->text(QAccessible::Name), child->text(QAccessible::Value)}) {
                if (!said.isEmpty()) {
                    out.append(said);
                }
            }
            walk(child);
        }
    };
    walk(QAccessible::queryAccessibleInterface(root));
    return out;
}

} // namespace voltmere::test
