#include "ui/Accessibility.h"

#include "ui/TextComponent.h"

#include <QAccessibleObject>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

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

constexpr const char *exposedKey = "voltmere.exposedWindow";

bool isExposed(const QWidget *widget)
{
    return widget && widget->property(exposedKey).toBool();
}

// The application as Qt presents it (its top-level windows, the focused one,
// its name), with the exposed popups among its windows while they show.
class ApplicationAccessible final : public QAccessibleObject {
public:
    ApplicationAccessible()
        : QAccessibleObject(qApp)
    {
    }

    QWindow *window() const override { return nullptr; }
    QAccessibleInterface *parent() const override { return nullptr; }
    int childCount() const override { return static_cast<int>(windows().size()); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? static_cast<int>(windows().indexOf(child->object())) : -1;
    }
    QAccessibleInterface *child(int index) const override
    {
        const QObjectList all = windows();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all.at(index)) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        QWindow *focused = QGuiApplication::focusWindow();
        return focused ? focused->accessibleRoot() : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return QGuiApplication::applicationName();
        case QAccessible::Description:
            return QGuiApplication::applicationFilePath();
        default:
            return {};
        }
    }
    QAccessible::Role role() const override { return QAccessible::Application; }
    QAccessible::State state() const override { return {}; }

private:
    static QObjectList windows()
    {
        QObjectList out;
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->type() == Qt::Desktop) {
                continue;
            }
            QAccessibleInterface *root = window->accessibleRoot();
            QObject *object = root ? root->object() : nullptr;
            if (!object) {
                continue;
            }
            // Menus and other popups are reached from the control that opens
            // them; only the exposed ones stand on their own.
            const auto *widget = qobject_cast<QWidget *>(object);
            if (window->type() == Qt::Popup && !(isExposed(widget) && widget->isVisible())) {
                continue;
            }
            out.append(object);
        }
        return out;
    }
};

// An exposed popup reads as a window, as the program's other windows do to
// the desktop.
class ExposedWindowAccessible final : public QAccessibleWidget {
public:
    explicit ExposedWindowAccessible(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::Window)
    {
    }
};

QAccessibleInterface *windowFactory(const QString &, QObject *object)
{
    if (object == qApp) {
        return new ApplicationAccessible;
    }
    auto *widget = qobject_cast<QWidget *>(object);
    if (isExposed(widget) && widget->isWindow()) {
        return new ExposedWindowAccessible(widget);
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

void exposeWindow(QWidget *window)
{
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        // An application interface made before this one was installed (a
        // window asked for its parent) would stay in use; dropped, the next
        // one asked for is this one.
        QAccessibleInterface *application = QAccessible::queryAccessibleInterface(qApp);
        if (application && !dynamic_cast<ApplicationAccessible *>(application)) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(application));
        }
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(exposedKey, true);
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(window);
    if (made && !dynamic_cast<ExposedWindowAccessible *>(made)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
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
