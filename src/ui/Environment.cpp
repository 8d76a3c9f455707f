#include "ui/Environment.h"

#include "platform/MotionPreference.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCoreApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace voltmere::Environment {

namespace {

constexpr const char *schemeKey = "voltmere.colorScheme";
constexpr const char *animatesKey = "voltmere.animatesLive";
constexpr const char *staticKey = "voltmere.staticRender";

QVariant inherited(const QWidget *widget, const char *key)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant value = w->property(key);
        if (value.isValid()) {
            return value;
        }
    }
    return {};
}

// Descendants paint from the inherited value, so they must repaint too.
void setInherited(QWidget *widget, const char *key, const QVariant &value)
{
    if (widget->property(key) == value) {
        return;
    }
    widget->setProperty(key, value);
    widget->update();
    for (QWidget *child : widget->findChildren<QWidget *>()) {
        child->update();
    }
}

} // namespace

ColorScheme schemeOf(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? ColorScheme::dark : ColorScheme::light;
}

ColorScheme applicationScheme()
{
    return schemeOf(QApplication::palette());
}

ColorScheme colorScheme(const QWidget *widget)
{
    const QVariant value = inherited(widget, schemeKey);
    if (value.isValid()) {
        return value.toInt() == static_cast<int>(ColorScheme::dark) ? ColorScheme::dark : ColorScheme::light;
    }
    return widget ? schemeOf(widget->palette()) : applicationScheme();
}

void setColorScheme(QWidget *widget, ColorScheme scheme)
{
    setInherited(widget, schemeKey, static_cast<int>(scheme));
}

bool animatesLive(const QWidget *widget)
{
    return inherited(widget, animatesKey).toBool();
}

QEvent::Type animatesLiveChange()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void setAnimatesLive(QWidget *widget, bool animates)
{
    const bool before = animatesLive(widget);
    setInherited(widget, animatesKey, animates);
    if (animatesLive(widget) == before) {
        return;
    }
    // Sent, not posted: a surface that was just hidden stops its animations
    // before anything else runs.
    QEvent change(animatesLiveChange());
    QCoreApplication::sendEvent(widget, &change);
    for (QWidget *child : widget->findChildren<QWidget *>()) {
        QCoreApplication::sendEvent(child, &change);
    }
}

bool staticRender(const QWidget *widget)
{
    return inherited(widget, staticKey).toBool();
}

void setStaticRender(QWidget *widget, bool isStatic)
{
    setInherited(widget, staticKey, isStatic);
}

qreal pixelRatio(const QPainter &painter)
{
    const qreal device = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform t = painter.deviceTransform();
    return std::max(device, std::hypot(t.m11(), t.m12()));
}

bool reduceMotion()
{
    return MotionPreference::shared().reduceMotion();
}

namespace {

// Qt Widgets has no "hidden from accessibility" switch; an interface that
// reports itself invisible is skipped by screen readers.
class HiddenAccessible final : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::NoRole)
    {
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

QAccessibleInterface *hiddenFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget && widget->property("voltmere.accessibilityHidden").toBool()) {
        return new HiddenAccessible(widget);
    }
    return nullptr;
}

} // namespace

void hideFromAccessibility(QWidget *widget)
{
    static const bool installed = [] {
        QAccessible::installFactory(hiddenFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty("voltmere.accessibilityHidden", true);
}

} // namespace voltmere::Environment
