#include "ui/AccessibleElement.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace voltmere {

namespace {

const char *const roleKey = "voltmere.elementRole";
const char *const valueKey = "voltmere.elementValue";

class ElementAccessible final : public QAccessibleWidget {
public:
    explicit ElementAccessible(QWidget *widget)
        : QAccessibleWidget(widget, static_cast<QAccessible::Role>(widget->property(roleKey).toInt()))
    {
    }

    // No children: the element is read as a whole.
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            return widget()->property(valueKey).toString();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *elementFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget && widget->property(roleKey).isValid()) {
        return new ElementAccessible(widget);
    }
    return nullptr;
}

} // namespace

void AccessibleElement::set(QWidget *widget, QAccessible::Role role, const QString &name, const QString &value)
{
    static const bool installed = [] {
        QAccessible::installFactory(elementFactory);
        return true;
    }();
    Q_UNUSED(installed);
    const bool valueChanged = widget->property(valueKey).toString() != value;
    widget->setProperty(roleKey, static_cast<int>(role));
    widget->setProperty(valueKey, value);
    widget->setAccessibleName(name);
    if (valueChanged && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(widget, value);
        QAccessible::updateAccessibility(&event);
    }
}

QString AccessibleElement::value(const QWidget *widget)
{
    return widget->property(valueKey).toString();
}

QString AccessibleElement::sentences(const QStringList &pieces)
{
    QStringList out;
    for (const QString &piece : pieces) {
        if (piece.isEmpty()) {
            continue;
        }
        out.append(piece.endsWith(QLatin1Char('.')) ? piece : piece + QLatin1Char('.'));
    }
    return out.join(QLatin1Char(' '));
}

} // namespace voltmere
