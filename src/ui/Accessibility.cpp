#include "ui/Accessibility.h"

#include "ui/TextComponent.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QWidget>

namespace voltmere {

namespace {

// Painted text reads as static text whose name is what it shows.
class TextAccessible final : public QAccessibleWidget {
public:
    explicit TextAccessible(TextComponent *text)
        : QAccessibleWidget(text, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            return static_cast<const TextComponent *>(widget())->spokenText();
        }
        return QAccessibleWidget::text(t);
    }
};

// A ring or a gauge reads as a progress bar with its level as the value.
class LevelAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    LevelAccessible(QWidget *widget, const SpokenLevel *level)
        : QAccessibleWidget(widget, QAccessible::ProgressBar)
        , m_level(level)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return widget()->accessibleName().isEmpty() ? m_level->spokenName() : widget()->accessibleName();
        case QAccessible::Value:
            return m_level->spokenValue();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QVariant currentValue() const override
    {
        const std::optional<double> level = m_level->spokenLevel();
        return level ? QVariant(*level) : QVariant();
    }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    const SpokenLevel *m_level;
};

QAccessibleInterface *componentFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || Accessibility::isHidden(widget)) {
        // Hidden decorations get their interface from the hiding factory.
        return nullptr;
    }
    if (auto *text = qobject_cast<TextComponent *>(widget)) {
        return new TextAccessible(text);
    }
    if (const auto *level = dynamic_cast<const SpokenLevel *>(widget)) {
        return new LevelAccessible(widget, level);
    }
    return nullptr;
}

void collect(QAccessibleInterface *node, QStringList &out)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible) {
            continue;
        }
        for (QAccessible::Text t : {QAccessible::Name, QAccessible::Value}) {
            const QString said = child->text(t);
            if (!said.isEmpty()) {
                out.append(said);
            }
        }
        collect(child, out);
    }
}

} // namespace

namespace Accessibility {

bool isHidden(const QWidget *widget)
{
    return widget && widget->property("voltmere.accessibilityHidden").toBool();
}

QStringList readings(QWidget *root)
{
    QStringList out;
    if (QAccessibleInterface *node = QAccessible::queryAccessibleInterface(root)) {
        collect(node, out);
    }
    return out;
}

void announce(QObject *object, QAccessible::Event change)
{
    if (QAccessible::isActive()) {
        QAccessibleEvent event(object, change);
        QAccessible::updateAccessibility(&event);
    }
}

void installFactories()
{
    static const bool installed = [] {
        QAccessible::installFactory(componentFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace Accessibility

} // namespace voltmere
