#include "platform/MotionPreference.h"

namespace voltmere {

std::optional<bool> MotionPreference::reducesMotion(const QString &group, const QString &key, const QVariant &value)
{
    bool ok = false;
    if (group == QLatin1String("org.gnome.desktop.interface") && key == QLatin1String("enable-animations")) {
        if (value.typeId() != QMetaType::Bool) {
            return std::nullopt;
        }
        return !value.toBool();
    }
    if (group == QLatin1String("org.kde.kdeglobals.KDE") && key == QLatin1String("AnimationDurationFactor")) {
        // KDE writes it as text in its configuration; the portal may pass
        // either a number or that text.
        const double factor = value.toString().toDouble(&ok);
        if (!ok) {
            return std::nullopt;
        }
        return factor <= 0;
    }
    if (group == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("reduced-motion")) {
        const uint said = value.toUInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
        return said == 1;
    }
    return std::nullopt;
}

void MotionPreference::apply(const QString &group, const QString &key, const QVariant &value)
{
    const std::optional<bool> says = reducesMotion(group, key, value);
    if (!says) {
        return;
    }
    m_sources[group + QLatin1Char('/') + key] = *says;
    bool reduce = false;
    for (const auto &[source, still] : m_sources) {
        reduce = reduce || still;
    }
    if (reduce != m_reduce) {
        m_reduce = reduce;
        Q_EMIT reduceMotionChanged();
    }
}

} // namespace voltmere
